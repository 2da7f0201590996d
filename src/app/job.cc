#include "app/job.h"

#include <algorithm>
#include <string>

#include "app/command_line.h"
#include "app/entry.h"
#include "core/driver.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

// The public enumerations carry the driver's own numbers.
static_assert(static_cast<int>(JobDataType::Plu) == static_cast<int>(DataType::Plu));
static_assert(static_cast<int>(JobDataType::PluProd) == static_cast<int>(DataType::PluProd));
static_assert(static_cast<int>(JobDataType::Prod) == static_cast<int>(DataType::Prod));
static_assert(static_cast<int>(JobFormat::Seasia) == kFormatSeasia);
static_assert(static_cast<int>(JobFormat::Tops) == kFormatTops);

int modeOf(JobOperation operation) {
  switch (operation) {
    case JobOperation::Import: return kModeAdd;
    case JobOperation::Delete: return kModeDelete;
    case JobOperation::DeleteAll: return kModeDeleteAll;
    case JobOperation::Receive: return kModeReceive;
    default: return kModeNone;
  }
}

void applyJob(const JobOptions& job, DriverOptions& options) {
  options.mode = modeOf(job.operation);
  options.dataType = static_cast<int>(job.dataType);
  options.dataFormat = static_cast<int>(job.format);
  options.separator = job.separator == JobSeparator::Tab ? '\t' : ',';
  options.descFontPairs = job.descFontPairs;
  options.resend = job.resendFirst;
  options.dataFile = job.dataFile;
  options.configFile = job.configFile;
  options.logFile = job.logFile;
  options.reportFile = job.reportFile;
  options.verify = job.verify;
  options.changedOnly = job.changedOnly;
  // --verify reads the data file as Import does.
  if (job.verify && options.mode == kModeNone) options.mode = kModeAdd;
  // The command line refuses values beyond these bounds; a job takes the nearest bound.
  options.waitSeconds = std::clamp(job.waitSeconds.value_or(0), 0, 86400);
  options.scaleLimitSeconds = std::clamp(job.scaleLimitSeconds.value_or(options.scaleLimitSeconds), 1, 86400);
  options.stallLimitSeconds = std::clamp(job.stallLimitSeconds.value_or(options.stallLimitSeconds), 1, 86400);
}

// What -e and the command line's checks do. A data type or format number
// cast into the enumeration from outside its range gets the command line's
// message for an unknown keyword rather than reaching the type tables.
MessageCode checkJob(const JobOptions& job, Driver& driver) {
  if (job.emptyLog) driver.log.deleteFile();
  const DriverOptions& o = driver.options;
  if (!isRunType(o.dataType)) {
    driver.log.error(kMsgInvalidDataType, std::to_string(o.dataType).c_str());
    return kMsgInvalidDataType;
  }
  if (o.dataFormat < kFormatStandard || o.dataFormat > kFormatTops) {
    driver.log.error(kMsgBadDataFormat);
    return kMsgBadDataFormat;
  }
  return checkCombination(driver);
}

}  // namespace

JobOutcome runJob(const JobOptions& job, const LogSink& sink, const Clock& clock, Sleeper& sleeper) {
  RunFrame frame{clock, sleeper, nullptr, sink, false};
  OptionSource source{[&job](DriverOptions& options) { applyJob(job, options); },
                      [&job](Driver& driver) { return checkJob(job, driver); }};
  RunReport report;
  (void)runOnce(frame, source, report);
  return jobOutcome(report);
}

JobOutcome runJob(const JobOptions& job, const LogSink& sink) {
  SystemClock clock;
  SystemSleeper sleeper;
  return runJob(job, sink, clock, sleeper);
}

}  // namespace tolvan

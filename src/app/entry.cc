#include "app/entry.h"

#include <tolvan/driver.h>

#include "app/command_line.h"
#include "app/changed_only.h"
#include "app/configuration.h"
#include "app/file_check.h"
#include "app/operation_runner.h"
#include "app/progress_line.h"
#include "app/run_lock.h"
#include "app/run_report.h"
#include "app/run_stop.h"
#include "app/scale_warnings.h"
#include "app/verdict.h"
#include "app/verify.h"
#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "files/export_target.h"
#include "files/export_writer.h"
#include "files/import_reader.h"
#include "files/pending_work_files.h"
#include "files/read_ahead.h"
#include "platform/files.h"
#include "platform/open_files.h"
#include "platform/socket.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

constexpr const char* kBanner = "Tolvan Scale Driver Version 1.2\n";

void logOperationLine(Driver& driver) {
  const DriverOptions& o = driver.options;
  const char* type = dataTypeKeyword(o.dataType);
  const char* file = o.dataFile ? o.dataFile->c_str() : nullptr;
  switch (o.mode) {
    case kModeAdd:
      if (file != nullptr) driver.log.plain(kMsgImportData, type, file);
      break;
    case kModeDelete:
      if (file != nullptr) driver.log.plain(kMsgImportDeletions, type, file);
      break;
    case kModeDeleteAll:
      driver.log.plain(kMsgDeleteAll, type);
      break;
    case kModeReceive:
      if (file != nullptr) driver.log.plain(kMsgReceiveData, type, file);
      break;
    default:
      break;
  }
}

// `stoppedBy` gets an export error: the receive went through, but the
// export file, which is what the run was for, is not there. The scales'
// totals are reset once their lines are in the work files; until the export
// holds those lines, the pending record keeps the next run from deleting
// the work files.
MessageCode receiveAndExport(Driver& driver, MessageCode& stoppedBy) {
  const bool totals = isTotalsType(driver.options.dataType);
  stoppedBy = totals ? notePendingWorkFiles(driver) : kMsgOk;
  if (stoppedBy != kMsgOk) return stoppedBy;
  MessageCode received = receiveFromAllScales(driver);
  if (totals) (void)totalsClearPass(driver);
  MessageCode exported = writeExportFile(driver);
  if (totals) settlePendingWorkFiles(exported == kMsgOk, stderr);
  stoppedBy = exported;
  return received != kMsgOk ? received : exported;
}

MessageCode runMode(Driver& driver, MessageCode& stoppedBy, std::vector<ScaleReadBack>& readBack, ReadAhead& ahead) {
  switch (driver.options.mode) {
    case kModeAdd:
    case kModeDelete: {
      MessageCode imported = importFile(driver, &ahead);
      stoppedBy = imported;
      if (imported != kMsgOk) return imported;
      if (driver.options.verify) return verifyAllScales(driver, readBack);
      if (driver.options.changedOnly) return sendChangedOnly(driver, readBack, stderr);
      return sendToAllScales(driver, true);
    }
    case kModeDeleteAll:
      return deleteAll(driver);
    case kModeReceive:
      return receiveAndExport(driver, stoppedBy);
    default:
      return kMsgOk;
  }
}

// The run's result for the final message; report.stoppedBy gets the code
// of an error that kept the run from being carried out (configuration,
// import or export), as opposed to a scale that failed. Work files an
// unfinished totals receive left go aside into report.keptWorkFiles before
// the loader deletes work files; a receive whose export cannot be created
// stops before any scale is contacted. A read-back leaves its findings per
// scale in report.readBack. The import takes the records the look at the
// file kept in `ahead` when they still stand for the file.
MessageCode runOperation(Driver& driver, RunReport& report, ReadAhead& ahead) {
  MessageCode& stoppedBy = report.stoppedBy;
  stoppedBy = keepPendingWorkFiles(driver, report.keptWorkFiles, stderr);
  if (stoppedBy != kMsgOk) return stoppedBy;
  MessageCode configResult = loadConfiguration(driver);
  driver.log.plain(kMsgOk);  // the time-stamp-only line that opens each run's operation
  stoppedBy = configResult;
  if (configResult != kMsgOk) return configResult;
  logOperationLine(driver);
  if (driver.options.mode == kModeReceive) stoppedBy = checkExportTarget(driver);
  if (stoppedBy != kMsgOk) return stoppedBy;
  MessageCode resent = driver.options.resend ? resendStep(driver) : kMsgOk;
  MessageCode result = runMode(driver, stoppedBy, report.readBack, ahead);
  // A resend file that could not be kept leaves records unsafe: the run
  // does not end "completed OK" even when its own operation went through.
  return result != kMsgOk ? result : resent;
}

// --help, --version and a bad long option end the run here, before the
// banner and before any file is touched; -1 lets the run go on.
int answerLongOptions(int argc, const char* const* argv, std::FILE* console) {
  DriverOptions options;
  std::string bad;
  std::FILE* out = console != nullptr ? console : stdout;
  if (!parseLongOptions(options, argc, argv, bad)) {
    // The reason last: a script that keeps the last line keeps the why.
    printUsage(stderr);
    std::fprintf(stderr, "\ntolvandrv: unknown option, or missing or bad value: %s\n", bad.c_str());
    return kExitUsage;
  }
  if (options.showHelp) {
    printUsage(out);
    return 0;
  }
  if (options.showVersion) {
    std::fputs(kBanner, out);
    return 0;
  }
  return -1;
}

// After the final message: the report file and, for a person at a
// terminal, the per-scale table. Neither changes the exit status.
void tellOutcome(const RunReport& report, const std::optional<std::string>& reportFile, bool showTerminal) {
  if (reportFile && !writeReportFile(report, *reportFile)) {
    std::fprintf(stderr, "tolvandrv: cannot write the run report %s\n", reportFile->c_str());
  }
  if (showTerminal) printScaleTable(report, stderr);
}

void showBanner(const RunFrame& frame) {
  if (frame.echo) {
    std::string_view line(kBanner);
    line.remove_suffix(1);  // the echo takes lines without their end
    frame.echo(line);
  } else if (frame.console != nullptr) {
    std::fputs(kBanner, frame.console);
    std::fflush(frame.console);
  }
}

std::string commandText(int argc, const char* const* argv) {
  std::string command;
  for (int i = 0; i < argc; ++i) command += (i > 0 ? " " : "") + std::string(argv[i]);
  return command;
}

// Taken before the driver log is opened or emptied by -e, and held until
// the final message is written; a check writes nothing and needs none. A
// report that would replace another file of the run stops it even earlier.
int lockFolder(const RunFrame& frame, const OptionSource& source, FolderLock& lock) {
  DriverOptions asked;
  source.apply(asked);
  if (asked.check) return 0;
  if (int refused = refuseFileClashes(asked, stderr)) return refused;
  if (int refused = refuseReadBackConflicts(asked, stderr)) return refused;
  std::string holder = runLockHolder(currentProcessId(), localStamp(frame.clock.localNow()), frame.command);
  return takeRunLock(lock, holder, asked.waitSeconds, frame.sleeper, stderr, frame.stopRequests);
}

}  // namespace

int runDriver(int argc, const char* const* argv, const Clock& clock, Sleeper& sleeper, std::FILE* console) {
  int answered = answerLongOptions(argc, argv, console);
  if (answered >= 0) return answered;
  RunFrame frame{clock, sleeper, console, {}, isTerminal(stderr), commandText(argc, argv), stopRequested, stderr};
  OptionSource commandLine{[argc, argv](DriverOptions& options) { readCommandLine(options, argc, argv); },
                           [argc, argv](Driver& driver) { return parseCommandLine(driver, argc, argv); }};
  RunReport report;
  return runOnce(frame, commandLine, report);
}

int runCommandLine(int argc, const char* const* argv) {
  SystemClock clock;
  SystemSleeper sleeper;
  return runDriver(argc, argv, clock, sleeper, stdout);
}

int runOnce(const RunFrame& frame, const OptionSource& source, RunReport& report) {
  showBanner(frame);
  FolderLock folderLock;
  report.exitStatus = lockFolder(frame, source, folderLock);
  if (report.exitStatus != 0) return report.exitStatus;
  socketStartup();
  raiseOpenFileLimit();
  report.started = localStamp(frame.clock.localNow());
  report.startedMs = steadyMilliseconds();
  std::optional<std::string> reportFile;
  // The driver (and with it every scale, record and worker) is released
  // before the final message, so the final line is the run's last act.
  std::string logFile;
  std::string logFailure;
  {
    Driver driver(frame.clock, frame.sleeper, frame.console);
    if (frame.echo) driver.log.echoTo(frame.echo);
    driver.stopRequests = frame.stopRequests;
    source.apply(driver.options);
    ProgressLine progress(stderr);
    if (frame.showTerminal) {
      driver.waitWatcher = [&progress](const Driver& d, Driver::WaitStep step) { progress.onWait(d, step); };
    }
    report.result = source.check(driver);
    // A check reads the files and ends: no scale, no log, no final message.
    if (driver.options.check) return checkFiles(driver, report.result);
    // The look reads the import file once for the warnings and the import.
    ReadAhead ahead;
    if (report.result == kMsgOk) warnAboutFiles(driver.options, stderr, &ahead);
    report.operation = driver.options.verify ? kVerifyOperation : operationName(driver.options.mode);
    report.stoppedBy = report.result;
    if (report.result == kMsgOk) report.result = runOperation(driver, report, ahead);
    warnAboutScales(driver, stderr);
    takeRunReport(driver, report);
    logFile = driver.options.logFile;
    logFailure = driver.log.writeFailure();
    reportFile = driver.options.reportFile;
  }
  report.exitStatus = exitStatusFor(report);
  const int stopSignal = frame.stopRequests ? frame.stopRequests().signal : 0;
  if (stopSignal != 0) noteRunStopped(report, stopSignal);
  report.verdict = verdictLines(report);
  DriverOptions finalOptions;
  finalOptions.logFile = logFile;
  DriverLog finalLog(finalOptions.logFile, frame.clock, frame.console);
  if (frame.echo) finalLog.echoTo(frame.echo);
  if (report.result == kMsgOk) {
    finalLog.plain(kMsgCompletedOk);
  } else {
    finalLog.plain(kMsgDriverError, static_cast<int>(report.result));
  }
  report.ended = localStamp(frame.clock.localNow());
  report.endedMs = steadyMilliseconds();
  tellOutcome(report, reportFile, frame.showTerminal);
  warnLogNotWritten(logFile, logFailure.empty() ? finalLog.writeFailure() : logFailure, stderr);
  if (frame.verdictTo != nullptr) writeVerdict(report, frame.verdictTo);
  return report.exitStatus;
}

}  // namespace tolvan

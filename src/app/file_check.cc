#include "app/file_check.h"

#include "app/config_findings.h"
#include "app/run_files.h"
#include "app/run_report.h"
#include "core/driver.h"
#include "files/export_target.h"
#include "files/import_findings.h"
#include "files/pending_work_files.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

bool importsFile(const DriverOptions& options) { return options.mode == kModeAdd || options.mode == kModeDelete; }

void reportUnreadable(Driver& driver, MessageCode code) {
  const DriverOptions& o = driver.options;
  switch (code) {
    case kMsgCannotOpenSetup:
      driver.log.error(code, o.configFile.c_str());
      break;
    case kMsgCannotOpenTextFile:
      driver.log.error(code, o.dataFile ? o.dataFile->c_str() : "");
      break;
    case kMsgNoImportFile:
      driver.log.error(code);
      break;
    default:
      break;  // "tops": a run ends with this code and no message of its own
  }
}

// A check that names a file but no operation reads it as additions, as a
// look at nothing would only ever find nothing; it says so first.
DriverOptions checkedAs(const DriverOptions& asked, std::FILE* console) {
  DriverOptions options = asked;
  if (options.mode != kModeNone || !options.dataFile) return options;
  const char* file = options.dataFile->c_str();
  if (isTotalsType(options.dataType) || options.dataType == static_cast<int>(DataType::Prod)) {
    if (console != nullptr) {
      std::fprintf(console, "no operation given: %s takes no additions, so %s is not read\n",
                   dataTypeKeyword(options.dataType), file);
    }
    return options;
  }
  options.mode = kModeAdd;
  if (console != nullptr) std::fprintf(console, "no operation given: %s is checked as additions (-u)\n", file);
  return options;
}

}  // namespace

FileFindings lookAtFiles(const DriverOptions& options, ReadAhead* ahead) {
  FileFindings out;
  ConfigScan config;
  out.unreadable = scanConfiguration(options, config, out.findings);
  std::string clash = reportClash(options, config.scales);
  if (!clash.empty()) {
    out.findings.insert(out.findings.begin(), Finding{*options.reportFile, 0, "--report names " + clash +
                                                   "; the run stops with exit status 64 before it does anything"});
  }
  clash = commandLineClash(options);
  if (!clash.empty()) {
    out.findings.insert(out.findings.begin(),
                        Finding{options.logFile, 0, clash + "; the run stops with exit status 64 before it does anything"});
  }
  if (out.unreadable != kMsgOk || !importsFile(options)) return out;
  ScaleList scales;
  for (const auto& scale : config.scales) scales.push_back(scale.get());
  out.unreadable = scanImportFile(config.options, scales, out.findings, ahead);
  return out;
}

int checkFiles(Driver& driver, MessageCode parsed) {
  if (parsed != kMsgOk) return parsed;
  FileFindings found = lookAtFiles(checkedAs(driver.options, driver.console));
  // An ordinary run does not warn of these: it stops at the export itself,
  // and sets pending work files aside itself, saying so.
  if (driver.options.mode == kModeReceive) findExportProblems(driver.options, found.findings);
  findPendingWorkFiles(found.findings);
  if (driver.console != nullptr) {
    writeFindings(driver.console, found.findings);
    const size_t count = countFindings(found.findings);
    std::fprintf(driver.console, "%zu finding%s\n", count, count == 1 ? "" : "s");
    std::fflush(driver.console);
  }
  if (found.unreadable != kMsgOk) {
    reportUnreadable(driver, found.unreadable);
    return found.unreadable;
  }
  return found.findings.empty() ? 0 : kExitFindings;
}

void warnAboutFiles(const DriverOptions& options, std::FILE* err, ReadAhead* ahead) {
  FileFindings found = lookAtFiles(options, ahead);
  writeFindingWarnings(err, found.findings, kMaxWarningLines);
}

// Read without a side effect: the loader, which deletes scale logs and
// work files, has not run yet.
int refuseFileClashes(const DriverOptions& options, std::FILE* err) {
  std::string files = commandLineClash(options);
  if (!files.empty()) {
    std::fprintf(err, "tolvandrv: %s: one file cannot be both; nothing was done\n", files.c_str());
    return kExitUsage;
  }
  if (!options.reportFile) return 0;
  ConfigScan config;
  FindingList ignored;
  (void)scanConfiguration(options, config, ignored);
  std::string clash = reportClash(options, config.scales);
  if (clash.empty()) return 0;
  std::fprintf(err, "tolvandrv: --report %s names %s, which the report would replace; nothing was done\n",
               options.reportFile->c_str(), clash.c_str());
  return kExitUsage;
}

}  // namespace tolvan

#include "app/run_files.h"

#include "app/configuration.h"
#include "app/run_lock.h"
#include "files/pending_work_files.h"
#include "files/work_files.h"

namespace tolvan {
namespace {

bool hasParentStep(const std::string& path) {
  size_t at = 0;
  while (at <= path.size()) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    if (path.compare(at, end - at, "..") == 0) return true;
    at = end + 1;
  }
  return false;
}

// A scale's file, looked at and then listed; `clash` keeps the first why.
void addScaleFile(RunFiles& files, const std::string& path, std::string what, int key, bool mayBeAbsolute,
                  std::optional<ScaleFileClash>& clash) {
  FileIdentity identity = fileIdentity(path);
  std::string why;
  if (hasParentStep(path)) {
    why = "leads out of the folder with \"..\"";
  } else if (!mayBeAbsolute && !path.empty() && path[0] == '/') {
    why = "lies outside the folder";
  } else if (const RunFile* other = files.named(identity)) {
    why = "is " + other->what;
  }
  if (!why.empty() && !clash) clash = ScaleFileClash{key, why};
  files.add(std::move(what), std::move(identity));
}

}  // namespace

RunFiles::RunFiles(const DriverOptions& options, bool withReport) {
  if (options.dataFile) add(options.mode == kModeReceive ? "the export file" : "the import file", *options.dataFile);
  add("the configuration file", options.configFile);
  add("the driver log", options.logFile);
  add("the folder lock file", kRunLockFile);
  add("the record of pending work files", kPendingWorkFiles);
  if (withReport && options.reportFile) add("the run report", *options.reportFile);
}

void RunFiles::add(std::string what, FileIdentity identity) {
  files_.push_back(RunFile{std::move(what), std::move(identity)});
}

const RunFile* RunFiles::named(const FileIdentity& identity) const {
  for (const RunFile& file : files_) {
    if (sameFile(file.identity, identity)) return &file;
  }
  return nullptr;
}

// Logs and resend files may lie in any folder (a store may keep its logs
// in /var/log); the work file, named after the scale, stays in the run's.
std::optional<ScaleFileClash> addScaleFiles(RunFiles& files, const ScaleEntry& scale) {
  std::optional<ScaleFileClash> clash;
  std::string whose = "scale \"" + scale.name + "\"'s ";
  addScaleFile(files, workFileName(scale), whose + "work file", kKeyScale, false, clash);
  // An empty name keeps no file.
  if (scale.trafficLogFile && !scale.trafficLogFile->empty()) {
    addScaleFile(files, *scale.trafficLogFile, whose + "log file", kKeyLog, true, clash);
  }
  if (scale.resendFile && !scale.resendFile->empty()) {
    addScaleFile(files, *scale.resendFile, whose + "resend file", kKeyResend, true, clash);
  }
  return clash;
}

std::string commandLineClash(const DriverOptions& options) {
  RunFiles files(options, false);
  const std::vector<RunFile>& listed = files.files();
  for (size_t i = 1; i < listed.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (!sameFile(listed[j].identity, listed[i].identity)) continue;
      // The import file and the configuration are only read.
      if (j == 0 && i == 1 && options.mode != kModeReceive) continue;
      return listed[j].what + " is " + listed[i].what;
    }
  }
  return std::string();
}

std::string reportClash(const DriverOptions& options, const std::vector<std::unique_ptr<ScaleEntry>>& scales) {
  if (!options.reportFile) return std::string();
  RunFiles files(options, false);
  for (const auto& scale : scales) (void)addScaleFiles(files, *scale);
  const RunFile* clash = files.named(fileIdentity(*options.reportFile));
  return clash != nullptr ? clash->what : std::string();
}

}  // namespace tolvan

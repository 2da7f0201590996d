// The run's own files: those it reads, writes, keeps or deletes (import or
// export file, configuration, driver log, run report, folder lock, the
// record of pending work files, and every scale's work file, scale log and
// resend file), and whether a name is one of them. One file must never be two things in one run: a report
// written over a resend file loses its records, and a scale log named like
// the import file is deleted when the configuration is read.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/driver_options.h"
#include "core/scale_entry.h"
#include "platform/files.h"

namespace tolvan {

struct RunFile {
  std::string what;  // "the driver log", "scale \"Deli\"'s resend file"
  FileIdentity identity;
};

class RunFiles {
 public:
  // The files the options name: the import or export file, the
  // configuration, the driver log, the folder lock and, when `withReport`,
  // the run report.
  RunFiles(const DriverOptions& options, bool withReport);

  void add(std::string what, FileIdentity identity);
  void add(std::string what, const std::string& path) { add(std::move(what), fileIdentity(path)); }
  // The first file listed that is the file `identity` tells; null when none.
  const RunFile* named(const FileIdentity& identity) const;
  const std::vector<RunFile>& files() const { return files_; }

 private:
  std::vector<RunFile> files_;
};

// A scale file that must not be: which key gives it (kKeyScale for the work
// file, whose name comes from the scale's), and why.
struct ScaleFileClash {
  int key;
  std::string why;  // "is the import file", "leads out of the folder with \"..\""
};

// Looks at the scale's work file, scale log and resend file in this order
// and lists each in `files`. Gives the first that leads out of the folder
// (a ".." step; for the work file also an absolute scale name) or is a file
// already listed, which the run must not start with.
std::optional<ScaleFileClash> addScaleFiles(RunFiles& files, const ScaleEntry& scale);

// Two of the files the command line and the run name that are one file
// ("the export file is the configuration file"), the first found; empty
// when they are all apart. Only the import file may be the configuration:
// both are only read.
std::string commandLineClash(const DriverOptions& options);

// What the --report file is besides the report ("the driver log", "scale
// \"Deli\"'s resend file") among the run's files and those of `scales`;
// empty when it is none of them, or no report is asked for.
std::string reportClash(const DriverOptions& options, const std::vector<std::unique_ptr<ScaleEntry>>& scales);

}  // namespace tolvan

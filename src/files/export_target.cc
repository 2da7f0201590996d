#include "files/export_target.h"

#include "core/driver.h"
#include "platform/file_probe.h"

namespace tolvan {
namespace {

constexpr const char* kNoExportFileName = "(no export file given)";

FileProbe probeExport(const DriverOptions& options) {
  return options.dataFile ? probeFileCreation(*options.dataFile) : FileProbe::NoFolder;
}

const char* whyNotCreatable(const DriverOptions& options, FileProbe probe) {
  if (!options.dataFile) return "a receive needs the name of its export file";
  switch (probe) {
    case FileProbe::NoFolder: return "the export file's folder does not exist";
    case FileProbe::IsFolder: return "the export file's name is a folder";
    default: return "the export file cannot be created in its folder";
  }
}

}  // namespace

const char* exportNameInMessages(const DriverOptions& options) {
  return options.dataFile ? options.dataFile->c_str() : kNoExportFileName;
}

MessageCode checkExportTarget(Driver& driver) {
  if (probeExport(driver.options) == FileProbe::Creatable) return kMsgOk;
  driver.log.error(kMsgCannotOpenTextFile, exportNameInMessages(driver.options));
  return kMsgCannotOpenTextFile;
}

void findExportProblems(const DriverOptions& options, FindingList& findings) {
  FileProbe probe = probeExport(options);
  if (probe == FileProbe::Creatable) return;
  findings.push_back({exportNameInMessages(options), 0,
                      std::string(whyNotCreatable(options, probe)) +
                          "; the run stops with message 15 before it contacts any scale"});
}

}  // namespace tolvan

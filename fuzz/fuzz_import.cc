// Any bytes as an import file, read by the import and by the look for
// findings that must read it the same way. The first two bytes choose the
// run: data format (standard, seasia, wmsmart, tops), mode (-u or -d),
// font/text pairs (-l), separator (comma or tab), data type, and whether
// the look for findings reads the file too (its spelling suggestions cost
// more than the import itself, so only some inputs pay for them).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "core/driver.h"
#include "files/import_findings.h"
#include "files/import_reader.h"
#include "fuzz_support.h"

namespace {

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::require;
using tolvan::fuzzing::StillClock;

constexpr int kFormats[] = {tolvan::kFormatStandard, tolvan::kFormatSeasia, tolvan::kFormatWmsmart,
                            tolvan::kFormatTops};
constexpr int kImportTypes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr size_t kSettingBytes = 2;

// One file per fuzzing process, rewritten for every input.
const std::string& scratchPath() {
  static const std::string path = tolvan::fuzzing::scratchFile("tolvan-fuzz-import");
  return path;
}

tolvan::DriverOptions optionsFor(const uint8_t* settings) {
  tolvan::DriverOptions options;
  options.logFile = "/dev/null";
  options.dataFile = scratchPath();
  options.dataFormat = kFormats[settings[0] % std::size(kFormats)];
  options.mode = (settings[0] & 0x04) != 0 ? tolvan::kModeDelete : tolvan::kModeAdd;
  options.descFontPairs = (settings[0] & 0x08) != 0;
  options.separator = (settings[0] & 0x10) != 0 ? '\t' : ',';
  options.maxExMsg = (settings[0] & 0x20) != 0 ? 100 : 9999;
  options.dataType = kImportTypes[(settings[1] & 0x7f) % std::size(kImportTypes)];
  return options;
}

// The import ends with one of its own codes and leaves the record list and
// its header list in step.
void importWith(const tolvan::DriverOptions& options) {
  StillClock clock;
  NoSleep sleeper;
  tolvan::Driver driver(clock, sleeper, nullptr);
  driver.options = options;
  tolvan::MessageCode code = tolvan::importFile(driver);
  bool tops = options.dataFormat == tolvan::kFormatTops;
  require(tops ? code == tolvan::kMsgNotSupported : code == tolvan::kMsgOk || code == tolvan::kMsgNoImportData);
  require(driver.records.count() == driver.headers.count());
}

void lookWith(const tolvan::DriverOptions& options) {
  tolvan::ScaleEntry block("block", 0, 594);
  block.model = tolvan::kModelVt30;
  tolvan::ScaleEntry message("message", 1, 594);
  tolvan::ScaleList scales = {&block, &message};
  tolvan::FindingList findings;
  (void)tolvan::scanImportFile(options, scales, findings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kSettingBytes) return 0;
  std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + kSettingBytes, 1, size - kSettingBytes, file);
  std::fclose(file);
  tolvan::DriverOptions options = optionsFor(data);
  importWith(options);
  if ((data[1] & 0x80) != 0) lookWith(options);
  return 0;
}

// Fuzz target: any bytes as an import file, read in every data format and
// both import modes. The import must end with one of its own codes and
// leave the record list and header list in step, never crash or leak.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/driver.h"
#include "files/import_reader.h"
#include "platform/clock.h"
#include "platform/sleeper.h"

namespace {

// One file per fuzzing process, rewritten for every input.
const std::string& scratchPath() {
  static const std::string path = "/tmp/tolvan-fuzz-import-" + std::to_string(getpid()) + ".txt";
  return path;
}

void importAs(const std::string& path, int format, int mode, bool fontPairs) {
  tolvan::SystemClock clock;
  tolvan::SystemSleeper sleeper;
  tolvan::Driver driver(clock, sleeper, nullptr);
  driver.options.logFile = "/dev/null";
  driver.options.dataFile = path;
  driver.options.dataFormat = format;
  driver.options.dataType = 1;
  driver.options.mode = mode;
  driver.options.descFontPairs = fontPairs;
  driver.options.maxExMsg = fontPairs ? 100 : 9999;
  tolvan::MessageCode code = tolvan::importFile(driver);
  if (code != tolvan::kMsgOk && code != tolvan::kMsgNoImportData) std::abort();
  if (driver.records.count() != driver.headers.count()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = scratchPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  for (int format : {tolvan::kFormatStandard, tolvan::kFormatSeasia, tolvan::kFormatWmsmart}) {
    importAs(path, format, tolvan::kModeAdd, false);
    importAs(path, format, tolvan::kModeAdd, true);
  }
  importAs(path, tolvan::kFormatStandard, tolvan::kModeDelete, false);
  return 0;
}

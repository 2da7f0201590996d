// Any bytes as the configuration file, read by the loader and by the look
// for findings that reads it the same way.
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/config_findings.h"
#include "app/configuration.h"
#include "core/driver.h"
#include "fuzz_support.h"

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::StillClock;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolvan::fuzzing::enterScratchFolder("tolvan-fuzz-config");
  // The loader deletes the files a configuration names (old scale logs and
  // work files): keep every name inside the scratch folder.
  std::string text(reinterpret_cast<const char*>(data), size);
  for (char& c : text) {
    if (c == '/' || c == '\\') c = '_';
  }
  std::FILE* file = std::fopen("TolvanDrvConfig.txt", "wb");
  if (file == nullptr) return 0;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  StillClock clock;
  NoSleep sleeper;
  tolvan::DriverOptions commandLine;
  commandLine.logFile = "/dev/null";
  tolvan::Driver driver(clock, sleeper, nullptr);
  driver.options = commandLine;
  (void)tolvan::loadConfiguration(driver);
  tolvan::ConfigScan scan;
  tolvan::FindingList findings;
  (void)tolvan::scanConfiguration(commandLine, scan, findings);
  return 0;
}

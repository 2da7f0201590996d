// Feeds arbitrary bytes to the configuration loader as a configuration file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/configuration.h"
#include "core/driver.h"
#include "fuzz_support.h"

using tolvan::fuzzing::NoSleep;
using tolvan::fuzzing::StillClock;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = [] {
    char pattern[] = "/tmp/fuzz-config-XXXXXX";
    std::string made = mkdtemp(pattern);
    chdir(made.c_str());
    return made;
  }();
  // The loader deletes the files a configuration names (old scale logs and
  // work files): keep every name inside the fuzzing folder.
  std::string text(reinterpret_cast<const char*>(data), size);
  for (char& c : text) {
    if (c == '/' || c == '\\') c = '_';
  }
  std::FILE* file = std::fopen("TolvanDrvConfig.txt", "wb");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  StillClock clock;
  NoSleep sleeper;
  tolvan::Driver driver(clock, sleeper, nullptr);
  driver.options.logFile = "/dev/null";
  (void)tolvan::loadConfiguration(driver);
  return 0;
}

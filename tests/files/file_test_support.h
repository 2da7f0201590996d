// Helpers for the tests of the text file readers and writers: a Driver whose
// log lives in a temporary directory removed at the end of the test.
#pragma once

#include <string>

#include "core/driver.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan::testing {

struct DriverInTempDir {
  DriverInTempDir() : driver(clock, sleeper, nullptr) { driver.options.logFile = dir.file("log.txt"); }
  std::string logText() const { return dir.read("log.txt"); }
  // Writes `bytes` exactly as given and returns the file's path.
  std::string write(const std::string& name, const std::string& bytes) const {
    dir.write(name, bytes);
    return dir.file(name);
  }
  void clearRecords() {
    driver.records.clearAndFree();
    driver.headers.clearAndFree();
  }

  TempDir dir;
  FakeClock clock;
  FakeSleeper sleeper;
  Driver driver;
};

}  // namespace tolvan::testing

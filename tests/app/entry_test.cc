#include "app/entry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::CurrentDir;
using testing::FakeClock;
using testing::FakeSleeper;
using testing::TempDir;

class DriverRun : public ::testing::Test {
 protected:
  int run(std::vector<const char*> args) {
    args.insert(args.begin(), "tolvandrv");
    CurrentDir inside(dir.path());
    std::FILE* console = std::tmpfile();
    int status = runDriver(static_cast<int>(args.size()), args.data(), clock, sleeper, console);
    std::fclose(console);
    return status;
  }
  std::string log() { return dir.read("TolvanDrvLog.txt"); }

  TempDir dir;
  FakeClock clock;
  FakeSleeper sleeper;
};

// Each run in a fresh folder: configuration, arguments, exit status and the
// log lines it must (or must not) leave.
TEST_F(DriverRun, ExitStatusAndLogFollowWhatTheRunMet) {
  struct Case {
    const char* config;  // null: none at all
    std::vector<const char*> args;
    int status;
    std::vector<std::string> logged;
    const char* absent;
  };
  const Case cases[] = {
      {nullptr, {}, 12,
       {" Error 0012:Cannot open setup file : TolvanDrvConfig.txt\r\nFri Dec 04 13:56:24 2026:\r\n"
        "Fri Dec 04 13:56:24 2026:Tolvan scale driver error : Error code 12\r\n"}, nullptr},
      {"; scales\r\nscale=one,model=vt30\r\n\r\nscale=two,model=hbq20\r\n", {}, 14,
       {" Error 0014:Invalid setup parameter value on line 3 : model=hbq20"}, nullptr},
      {"", {"-a", "-fplu"}, 0,
       {":Delete all records of type: plu\r\n",
        ":0 additions and 1 deletions imported: Data sent OK to all scales (0 scale(s)).\r\n"}, nullptr},
      // The combination is checked even without a mode.
      {"", {"-fprod"}, 34, {" Error 0034:Operation not supported"}, nullptr},
      {"", {"-fstore"}, 0, {}, nullptr},  // no operation: only the configuration is checked
      {"", {"-u"}, 10, {" Error 0010:No import data file specified"}, "Import plu data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args[0]);
    std::filesystem::remove(dir.file("TolvanDrvLog.txt"));
    std::filesystem::remove(dir.file("TolvanDrvConfig.txt"));
    if (c.config != nullptr) dir.write("TolvanDrvConfig.txt", c.config);
    EXPECT_EQ(run(c.args), c.status);
    for (const std::string& line : c.logged) EXPECT_NE(log().find(line), std::string::npos) << line << log();
    if (c.absent != nullptr) {
      EXPECT_EQ(log().find(c.absent), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tolvan

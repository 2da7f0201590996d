#include "app/entry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "platform/socket.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::CurrentDir;
using testing::FakeClock;
using testing::FakeSleeper;
using testing::TempDir;

struct Outcome {
  int status = -1;
  std::string console;
};

// Runs the real tolvandrv binary inside `dir`.
Outcome runBinary(const TempDir& dir, const std::string& args) {
  std::string command = "cd '" + dir.path().string() + "' && '" TOLVANDRV_PATH "' " + args + " 2>&1";
  Outcome out;
  std::FILE* pipe = popen(command.c_str(), "r");
  char chunk[512];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.console.append(chunk, n);
  int raw = pclose(pipe);
  out.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

TEST(DriverBinary, NoArgumentsWithCommentOnlyConfigCompletesOk) {
  TempDir dir;
  dir.write("TolvanDrvConfig.txt", "; no scales yet\r\n// nothing else\r\n");
  Outcome out = runBinary(dir, "");
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(out.console, "Tolvan Scale Driver Version 1.2\n\nTolvan scale driver completed OK\n");
  std::string log = dir.read("TolvanDrvLog.txt");
  // "Sat Dec 05 18:50:48 2026:" then CR LF, then message 7
  ASSERT_EQ(log.size(), 25u + 2 + 25 + 32 + 2);
  EXPECT_EQ(log[24], ':');
  EXPECT_EQ(log.substr(25, 2), "\r\n");
  EXPECT_EQ(log.substr(52), "Tolvan scale driver completed OK\r\n");
}

TEST(DriverBinary, UnknownTypeEndsWithCode9) {
  TempDir dir;
  Outcome out = runBinary(dir, "-fPLU");
  EXPECT_EQ(out.status, 9);
  std::string log = dir.read("TolvanDrvLog.txt");
  EXPECT_EQ(log.substr(24), ": Error 0009:Invalid scale data type specified (PLU)\r\n" + log.substr(0, 24) +
                                ":Tolvan scale driver error : Error code 9\r\n");
}

class DriverRun : public ::testing::Test {
 protected:
  int run(std::vector<const char*> args) {
    args.insert(args.begin(), "tolvandrv");
    CurrentDir inside(dir.path());
    std::FILE* console = std::tmpfile();
    int status = runDriver(static_cast<int>(args.size()), args.data(), clock, sleeper, console);
    std::rewind(console);
    char buffer[4096];
    size_t n = std::fread(buffer, 1, sizeof buffer, console);
    consoleText.assign(buffer, n);
    std::fclose(console);
    return status;
  }
  std::string log() { return dir.read("TolvanDrvLog.txt"); }

  TempDir dir;
  FakeClock clock;
  FakeSleeper sleeper;
  std::string consoleText;
};

TEST_F(DriverRun, MissingConfigurationEndsWithCode12AfterTheStampLine) {
  EXPECT_EQ(run({}), 12);
  EXPECT_EQ(log(),
            "Fri Dec 04 13:56:24 2026: Error 0012:Cannot open setup file : TolvanDrvConfig.txt\r\n"
            "Fri Dec 04 13:56:24 2026:\r\n"
            "Fri Dec 04 13:56:24 2026:Tolvan scale driver error : Error code 12\r\n");
}

TEST_F(DriverRun, BadModelNamesLineKeyAndValue) {
  dir.write("TolvanDrvConfig.txt", "; scales\r\nscale=one,model=vt30\r\n\r\nscale=two,model=hbq20\r\n");
  EXPECT_EQ(run({}), 14);
  EXPECT_NE(log().find(" Error 0014:Invalid setup parameter value on line 3 : model=hbq20"), std::string::npos);
}

TEST_F(DriverRun, CombinationIsCheckedAlsoWithoutAMode) {
  dir.write("TolvanDrvConfig.txt", "");
  EXPECT_EQ(run({"-fprod"}), 34);
  EXPECT_NE(log().find(" Error 0034:Operation not supported"), std::string::npos);
}

TEST_F(DriverRun, TwoRunsAppendAndDashEStartsAfresh) {
  dir.write("TolvanDrvConfig.txt", "");
  EXPECT_EQ(run({}), 0);
  EXPECT_EQ(run({}), 0);
  EXPECT_EQ(log().size(), 2 * (27u + 25 + 34));
  EXPECT_EQ(run({"-e"}), 0);
  EXPECT_EQ(log().size(), 27u + 25 + 34);
}

TEST_F(DriverRun, DeleteAllOverNoScalesLogsOperationAndSummary) {
  dir.write("TolvanDrvConfig.txt", "");
  EXPECT_EQ(run({"-a", "-fplu"}), 0);
  std::string text = log();
  EXPECT_NE(text.find(":Delete all records of type: plu\r\n"), std::string::npos);
  EXPECT_NE(text.find(":0 additions and 1 deletions imported: Data sent OK to all scales (0 scale(s)).\r\n"),
            std::string::npos);
}

TEST_F(DriverRun, ImportWithoutFileNameGivesCode10WithoutOperationLine) {
  dir.write("TolvanDrvConfig.txt", "");
  EXPECT_EQ(run({"-u"}), 10);
  EXPECT_EQ(log().find("Import plu data"), std::string::npos);
  EXPECT_NE(log().find(" Error 0010:No import data file specified"), std::string::npos);
}

TEST_F(DriverRun, RefusedScaleGivesExitStatus50) {
  // A port that was free a moment ago: nobody listens there now.
  SocketHandle probe = socketListen(SocketKind::Stream, 0);
  uint16_t port = socketLocalPort(probe);
  socketClose(probe);
  dir.write("TolvanDrvConfig.txt", "scale=gone,ip=127.0.0.1,port=" + std::to_string(port) + ",model=vt30\r\n");
  EXPECT_EQ(run({"-a"}), kExitScaleFailed);
  EXPECT_NE(log().find("Error occurred on scale [gone]"), std::string::npos);
  EXPECT_NE(log().find(":Tolvan scale driver completed OK\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tolvan

#include "app/configuration.h"

#include <gtest/gtest.h>

#include "core/driver.h"
#include "files/work_files.h"
#include "platform/files.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::FakeSleeper;
using testing::TempDir;

class ConfigurationLoad : public ::testing::Test {
 protected:
  ConfigurationLoad() {
    driver.options.configFile = dir.file("TolvanDrvConfig.txt");
    driver.options.logFile = dir.file("TolvanDrvLog.txt");
  }
  MessageCode load(const std::string& text) {
    dir.write("TolvanDrvConfig.txt", text);
    return loadConfiguration(driver);
  }
  std::string logText() { return dir.read("TolvanDrvLog.txt"); }
  ScaleEntry& scale(int i) { return *driver.scales.get(i); }

  TempDir dir;
  FakeClock clock;
  FakeSleeper sleeper;
  Driver driver{clock, sleeper, nullptr};
};

// Every setting of a scale in one line, to compare a whole entry at once.
std::string settings(const ScaleEntry& s) {
  return s.name + "|" + s.ip + "|" + std::to_string(s.port) + "|model " + std::to_string(s.model) + "|version " +
         std::to_string(s.version) + "|protocol " + std::to_string(s.protocol) + "|8bit " + std::to_string(s.is8bit) +
         "|maxexmsg " + std::to_string(s.maxExMsg) + "|desc " + std::to_string(s.maxPluDescLen) + "|connect " +
         std::to_string(s.connectTimeout) + "|receive " + std::to_string(s.receiveTimeout) + "|log " +
         s.trafficLogFile.value_or("-") + "|resend " + s.resendFile.value_or("-") + "|label " +
         std::to_string(s.labelWidth) + "|index " + std::to_string(s.index);
}

TEST_F(ConfigurationLoad, ScaleLineSetsEveryKeyAndDefaults) {
  EXPECT_EQ(load("; comment\r\n\r\n* star\n// slashes\n   \n"), kMsgOk);
  EXPECT_EQ(driver.scales.count(), 0);
  EXPECT_EQ(load("Scale=Deli 1,ip=10.0.0.7,port=50100,model=VT30,version=usa   ,is8bit=no,maxexmsg=999,"
                 "maxpludesclen=100,connecttimeout=5,receivetimeout=9,log=deli.log,resend=deli.rsd,"
                 "labelwidth=48.55,protocol=UDP,simfault=nak\n"
                 "scale=Plain,receivetimeout=4294967296\n"),
            kMsgOk);
  ASSERT_EQ(driver.scales.count(), 2);
  auto code = [](int value) { return std::to_string(value); };
  EXPECT_EQ(settings(scale(0)), "Deli 1|10.0.0.7|50100|model " + code(kModelVt30) + "|version " + code(kVersionUsa) +
                                    "|protocol " + code(kProtocolUdp) +
                                    "|8bit 0|maxexmsg 999|desc 100|connect 5|receive 9|log deli.log|resend deli.rsd"
                                    "|label 485|index 0");
  EXPECT_EQ(settings(scale(1)), "Plain||50021|model " + code(kModelMerioPro) + "|version " + code(kVersionChina) +
                                    "|protocol " + code(kProtocolTcp) +
                                    "|8bit 1|maxexmsg 99|desc 999|connect 30|receive 300|log -|resend -|label 594|index 1");
}

TEST_F(ConfigurationLoad, GlobalKeysSetOptionsAndLabelWidthAffectsLaterScales) {
  EXPECT_EQ(load("scale=before\nlabelwidth=48.55\nmaxexmsg=500\npricedecpt=1\nweightdecpt=2\ncharset=BIG5\n"
                 "scale=after\n"),
            kMsgOk);
  EXPECT_EQ(scale(0).labelWidth, 594);
  EXPECT_EQ(scale(1).labelWidth, 485);
  EXPECT_EQ(driver.options.labelWidth, 485);
  EXPECT_EQ(driver.options.maxExMsg, 500);
  EXPECT_EQ(driver.options.priceDecPt, 1);
  EXPECT_EQ(driver.options.weightDecPt, 2);
  EXPECT_EQ(driver.options.charset, kCharsetBig5);
}

struct BadConfiguration {
  const char* text;
  MessageCode code;
  const char* logged;
  int scalesKept;
};

TEST_F(ConfigurationLoad, FirstBadLineStopsLoadingWithItsMessage) {
  const BadConfiguration cases[] = {
      // blank lines do not count; the key is named after its leading blanks
      {"scale=a\n\n\n   ip=1.2.3.4,port=1\n", kMsgInvalidSetupParam, " Error 0013:Invalid setup parameter on line 2 : ip", 1},
      {"just words\n", kMsgInvalidSetupParam, "Invalid setup parameter on line 1 : just words", 0},
      {"protocol=udp\n", kMsgInvalidSetupParam, "on line 1 : protocol", 0},
      {"scale=a,model=merio\n", kMsgInvalidSetupValue, " Error 0014:Invalid setup parameter value on line 1 : model=merio", 1},
      {"scale=a,model= vt30\n", kMsgInvalidSetupValue, "value on line 1 : model= vt30", 1},
      {"scale=a\nscale=b,Version=mars\nscale=c\n", kMsgInvalidSetupValue, "value on line 2 : Version=mars", 2},
  };
  for (const BadConfiguration& c : cases) {
    SCOPED_TRACE(c.text);
    Driver fresh(clock, sleeper, nullptr);
    fresh.options.configFile = dir.file("bad.txt");
    fresh.options.logFile = dir.file("bad.log");
    dir.write("bad.txt", c.text);
    EXPECT_EQ(loadConfiguration(fresh), c.code);
    EXPECT_NE(dir.read("bad.log").find(c.logged), std::string::npos) << dir.read("bad.log");
    EXPECT_EQ(fresh.scales.count(), c.scalesKept);
    removeFile(dir.file("bad.log"));
  }
  driver.options.configFile = dir.file("nope.txt");
  EXPECT_EQ(loadConfiguration(driver), kMsgCannotOpenSetup);
  EXPECT_NE(logText().find(" Error 0012:Cannot open setup file : " + dir.file("nope.txt")), std::string::npos);
}

TEST_F(ConfigurationLoad, ScalesOfOneNameGetWorkFilesOfTheirOwn) {
  testing::CurrentDir inside(dir.path());
  dir.write("TwinWrk.txt", "old");
  dir.write("Twin~2Wrk.txt", "old");
  EXPECT_EQ(load("scale=Twin\nscale=Other\nscale=Twin\n"), kMsgOk);
  EXPECT_EQ(workFileName(scale(0)), "TwinWrk.txt");
  EXPECT_EQ(workFileName(scale(1)), "OtherWrk.txt");
  EXPECT_EQ(workFileName(scale(2)), "Twin~2Wrk.txt");
  EXPECT_FALSE(dir.exists("TwinWrk.txt"));
  EXPECT_FALSE(dir.exists("Twin~2Wrk.txt"));
}

// A scale file that leads out of the folder or is another file of the run
// stops loading on its line, naming its item, and by then loading has
// deleted nothing; a log named absolutely may lie in another folder.
TEST_F(ConfigurationLoad, ClashingScaleFilesStopTheRunBeforeAnythingIsDeleted) {
  testing::CurrentDir inside(dir.path());
  const std::vector<std::string> lines = {"scale=B,LOG=./TolvanDrvLog.txt", "scale=B,resend=a.log",
                                          "scale=B,log=BWrk.txt",           "scale=B,log=sub/../../b.log",
                                          "scale=/B",                       "scale=B,log=" + dir.file("b.log")};
  for (const std::string& line : lines) {
    Driver fresh(clock, sleeper, nullptr);
    fresh.options = driver.options;
    dir.write("a.log", "the last run");
    dir.write("TolvanDrvConfig.txt", "scale=A,log=a.log\n" + line + "\n");
    const bool allowed = line.find(dir.file("b.log")) != std::string::npos;
    EXPECT_EQ(loadConfiguration(fresh), allowed ? kMsgOk : kMsgInvalidSetupValue) << line;
    EXPECT_EQ(dir.exists("a.log"), !allowed) << line;
    const std::string logged = "value on line 2 : " + line.substr(line.rfind(',') + 1);
    EXPECT_EQ(logText().find(logged) != std::string::npos, !allowed) << logText();
  }
}

TEST_F(ConfigurationLoad, OverlongLineEndsReadingWithSuccess) {
  EXPECT_EQ(load("scale=a\n" + std::string(5000, 'x') + "\nscale=b\n"), kMsgOk);
  EXPECT_EQ(driver.scales.count(), 1);
  EXPECT_NE(logText().find(" Error 0011:Text line is too long (line 2)"), std::string::npos);
}

TEST_F(ConfigurationLoad, BinaryAndNulBytesGiveAMessageNotACrash) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 131 + 7) & 0xFF);
  MessageCode result = load(junk);
  EXPECT_TRUE(result == kMsgOk || result == kMsgInvalidSetupParam || result == kMsgInvalidSetupValue);
  EXPECT_EQ(load(std::string("scale=a\0b,model=vt30\nscale=c\n", 29)), kMsgOk);
  ASSERT_EQ(driver.scales.count(), 1);  // the line holding a NUL is dropped whole
  EXPECT_EQ(scale(0).name, "c");
  // A byte-order mark is no part of the first line's key.
  EXPECT_EQ(load("\xEF\xBB\xBFscale=Deli,ip=10.0.0.9\r\n"), kMsgOk);
  EXPECT_EQ(scale(driver.scales.count() - 1).name, "Deli");
}

}  // namespace
}  // namespace tolvan

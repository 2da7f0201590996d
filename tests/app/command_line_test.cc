#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/driver.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::FakeSleeper;
using testing::TempDir;

class CommandLine : public ::testing::Test {
 protected:
  CommandLine() { driver.options.logFile = dir.file("TolvanDrvLog.txt"); }
  MessageCode parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tolvandrv");
    return parseCommandLine(driver, static_cast<int>(args.size()), args.data());
  }
  std::string logText() { return dir.read("TolvanDrvLog.txt"); }

  TempDir dir;
  FakeClock clock;
  FakeSleeper sleeper;
  Driver driver{clock, sleeper, nullptr};
};

TEST_F(CommandLine, OptionsAndPositionalsMixInAnyOrder) {
  EXPECT_EQ(parse({"data.csv", "-t", "-fexmsg", "cfg.txt", "-r", "-l", "-swmsmart", "-d"}), kMsgOk);
  const DriverOptions& o = driver.options;
  EXPECT_EQ(o.dataFile.value_or(""), "data.csv");
  EXPECT_EQ(o.configFile, "cfg.txt");
  EXPECT_EQ(o.separator, '\t');
  EXPECT_EQ(o.dataType, 2);
  EXPECT_EQ(o.dataFormat, kFormatWmsmart);
  EXPECT_TRUE(o.resend);
  EXPECT_TRUE(o.descFontPairs);
  EXPECT_EQ(o.mode, kModeDelete);
}

TEST_F(CommandLine, OnlyTheSecondCharacterCountsAndLaterOptionsWin) {
  EXPECT_EQ(parse({"-uv", "-X", "-?", "-t", "-c"}), kMsgOk);
  EXPECT_EQ(driver.options.mode, kModeAdd);
  EXPECT_EQ(driver.options.separator, ',');
}

TEST_F(CommandLine, FourthFileNameIsIgnored) {
  std::string log = dir.file("third.txt");
  EXPECT_EQ(parse({"a", "b", log.c_str(), "d"}), kMsgOk);
  EXPECT_EQ(driver.options.logFile, log);
}

TEST_F(CommandLine, UnknownTypeGivesMessage9WithTheText) {
  EXPECT_EQ(parse({"-fPLU"}), kMsgInvalidDataType);
  EXPECT_NE(logText().find(" Error 0009:Invalid scale data type specified (PLU)"), std::string::npos);
  EXPECT_EQ(parse({"-fconfig"}), kMsgInvalidDataType);
  EXPECT_EQ(parse({"-f"}), kMsgInvalidDataType);
}

TEST_F(CommandLine, LastErrorFoundWins) {
  EXPECT_EQ(parse({"-fbogus", "-snope"}), kMsgBadDataFormat);
  EXPECT_EQ(logText().find("Error 0009"), std::string::npos);
  EXPECT_NE(logText().find(" Error 0035:Data format specified by -s option not recognized"), std::string::npos);
}

TEST_F(CommandLine, DashEDeletesTheNamedLogBeforeAnythingIsLogged) {
  dir.write("TolvanDrvLog.txt", "old run\r\n");
  dir.write("other.txt", "keep\r\n");
  std::string log = dir.file("TolvanDrvLog.txt");
  EXPECT_EQ(parse({"-e", "-fbad", "x", "y", log.c_str()}), kMsgInvalidDataType);
  EXPECT_EQ(logText().find("old run"), std::string::npos);
  EXPECT_EQ(dir.read("other.txt"), "keep\r\n");
}

struct Combination {
  const char* mode;
  const char* type;
  const char* format;
  MessageCode expected;
};

TEST_F(CommandLine, ImpossibleCombinationsGiveMessage34) {
  const Combination cases[] = {
      {"-a", "-fprod", "-sstandard", kMsgOk},        {"-u", "-fprod", "-sstandard", kMsgNotSupported},
      {"-u", "-fpluprod", "-sstandard", kMsgNotSupported}, {"-d", "-fpluprod", "-sstandard", kMsgOk},
      {"-u", "-fexmsg3", "-sseasia", kMsgOk},        {"-d", "-fplu", "-sseasia", kMsgNotSupported},
      {"-u", "-fstore", "-sseasia", kMsgNotSupported}, {"-u", "-fexmsg", "-stops", kMsgNotSupported},
      {"-u", "-fplu", "-stops", kMsgOk},              {"-c", "-fprod", "-sstandard", kMsgNotSupported},
  };
  for (const Combination& c : cases) {
    Driver fresh(clock, sleeper, nullptr);
    fresh.options.logFile = dir.file("combo.txt");
    const char* args[] = {"tolvandrv", c.mode, c.type, c.format};
    EXPECT_EQ(parseCommandLine(fresh, 4, args), c.expected) << c.mode << ' ' << c.type << ' ' << c.format;
  }
}

}  // namespace
}  // namespace tolvan

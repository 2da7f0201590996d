#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/driver.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

class CommandLine : public ::testing::Test {
 protected:
  CommandLine() { driver.options.logFile = dir.file("TolvanDrvLog.txt"); }
  MessageCode parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tolvandrv");
    return parseCommandLine(driver, static_cast<int>(args.size()), args.data());
  }
  std::string logText() { return dir.read("TolvanDrvLog.txt"); }

  testing::TempDir dir;
  testing::FakeClock clock;
  testing::FakeSleeper sleeper;
  Driver driver{clock, sleeper, nullptr};
};

// Options and file names mix in any order; only an option's second
// character counts, later options win and a fourth file name is ignored.
TEST_F(CommandLine, OptionsAndPositionalsMixInAnyOrder) {
  std::string log = dir.file("third.txt");
  EXPECT_EQ(parse({"data.csv", "-t", "-fexmsg", "cfg.txt", "-r", "-l", "-swmsmart", "-uv", "-d", log.c_str(), "x"}),
            kMsgOk);
  const DriverOptions& o = driver.options;
  EXPECT_EQ(o.dataFile.value_or(""), "data.csv");
  EXPECT_EQ(o.configFile, "cfg.txt");
  EXPECT_EQ(o.logFile, log);
  EXPECT_EQ(o.separator, '\t');
  EXPECT_EQ(o.dataType, 2);
  EXPECT_EQ(o.dataFormat, kFormatWmsmart);
  EXPECT_TRUE(o.resend);
  EXPECT_TRUE(o.descFontPairs);
  EXPECT_EQ(o.mode, kModeDelete);
  EXPECT_EQ(parse({"-X", "-?", "-t", "-c", "-u"}), kMsgOk);
  EXPECT_EQ(driver.options.mode, kModeAdd);
  EXPECT_EQ(driver.options.separator, ',');
}

// The last error found wins; -e deletes the named log before anything is
// logged.
TEST_F(CommandLine, BadTypeOrFormatIsLoggedWithTheText) {
  EXPECT_EQ(parse({"-fPLU"}), kMsgInvalidDataType);
  EXPECT_NE(logText().find(" Error 0009:Invalid scale data type specified (PLU)"), std::string::npos);
  EXPECT_EQ(parse({"-fconfig"}), kMsgInvalidDataType);
  EXPECT_EQ(parse({"-f"}), kMsgInvalidDataType);
  dir.write("other.txt", "keep\r\n");
  std::string log = dir.file("TolvanDrvLog.txt");
  EXPECT_EQ(parse({"-e", "-fbogus", "-snope", "x", "y", log.c_str()}), kMsgBadDataFormat);
  EXPECT_EQ(logText(), "Fri Dec 04 13:56:24 2026: Error 0035:Data format specified by -s option not recognized\r\n");
  EXPECT_EQ(dir.read("other.txt"), "keep\r\n");
}

TEST_F(CommandLine, ImpossibleCombinationsGiveMessage34) {
  const struct {
    const char *mode, *type, *format;
    MessageCode expected;
  } cases[] = {
      {"-a", "-fprod", "-sstandard", kMsgOk},        {"-u", "-fprod", "-sstandard", kMsgNotSupported},
      {"-u", "-fpluprod", "-sstandard", kMsgNotSupported}, {"-d", "-fpluprod", "-sstandard", kMsgOk},
      {"-u", "-fexmsg3", "-sseasia", kMsgOk},        {"-d", "-fplu", "-sseasia", kMsgNotSupported},
      {"-u", "-fstore", "-sseasia", kMsgNotSupported}, {"-u", "-fexmsg", "-stops", kMsgNotSupported},
      {"-u", "-fplu", "-stops", kMsgOk},              {"-c", "-fprod", "-sstandard", kMsgNotSupported},
  };
  for (const auto& c : cases) {
    Driver fresh(clock, sleeper, nullptr);
    fresh.options.logFile = dir.file("combo.txt");
    const char* args[] = {"tolvandrv", c.mode, c.type, c.format};
    EXPECT_EQ(parseCommandLine(fresh, 4, args), c.expected) << c.mode << ' ' << c.type << ' ' << c.format;
  }
}

// --scale-limit takes whole seconds from 1 to a day, given either way; a
// value that does not read stops the run with the option in the message.
TEST(ScaleLimitOption, TakesWholeSecondsFromOneToADay) {
  const struct { const char* arg; int seconds; } cases[] = {
      {"--scale-limit=45", 45}, {"--scale-limit=86400", 86400}, {"--scale-limit=0", -1},
      {"--scale-limit=86401", -1}, {"--scale-limit=5s", -1}, {"--scale-limit=", -1}};
  for (const auto& c : cases) {
    const char* argv[] = {"tolvandrv", "-u", c.arg};
    DriverOptions options;
    std::string bad;
    EXPECT_EQ(parseLongOptions(options, 3, argv, bad), c.seconds > 0) << c.arg;
    EXPECT_EQ(options.scaleLimitSeconds, c.seconds > 0 ? c.seconds : 300) << c.arg;
    EXPECT_EQ(bad, c.seconds > 0 ? "" : c.arg);
  }
}

}  // namespace
}  // namespace tolvan

#include "core/driver_log.h"

#include <gtest/gtest.h>

#include "core/message_table.h"
#include "core/time_stamp.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::TempDir;

TEST(MessageTable, CodesOutsideTheTableGiveTheEmptyText) {
  EXPECT_STREQ(messageText(7), "Tolvan scale driver completed OK");
  EXPECT_STREQ(messageText(43), "%d additions and %d deletions imported: Data sent OK to all scales (%d scale(s)).");
  EXPECT_STREQ(messageText(44), "");
  EXPECT_STREQ(messageText(45), "");
  EXPECT_STREQ(messageText(1000), "");
  EXPECT_STREQ(messageText(-1), "");
}

TEST(MessageTable, ErrorFormHasFourDigitCode) {
  EXPECT_EQ(formatMessage(kMsgCannotOpenSetup, "x.cfg"), "Cannot open setup file : x.cfg");
  struct Probe {
    static std::string error(int code, ...) {
      va_list args;
      va_start(args, code);
      std::string text = formatErrorMessageV(code, args);
      va_end(args);
      return text;
    }
  };
  EXPECT_EQ(Probe::error(12, "x.cfg"), " Error 0012:Cannot open setup file : x.cfg");
  EXPECT_EQ(Probe::error(9, "PLU"), " Error 0009:Invalid scale data type specified (PLU)");
}

TEST(MessageTable, LongMessagesAreCutAt255Characters) {
  std::string name(400, 'n');
  EXPECT_EQ(formatMessage(kMsgCannotOpenSetup, name.c_str()).size(), 255u);
}

TEST(TimeStamp, LaysOutDayMonthDateTimeYear) {
  LocalTime t{2026, 12, 4, 13, 56, 24, 5};
  EXPECT_EQ(formatTimeStamp(t), "Fri Dec 04 13:56:24 2026");
  LocalTime early{2027, 1, 3, 7, 5, 9, 0};
  EXPECT_EQ(formatTimeStamp(early), "Sun Jan 03 07:05:09 2027");
}

class DriverLogFile : public ::testing::Test {
 protected:
  TempDir dir;
  FakeClock clock;
  std::string path = dir.file("log.txt");
};

TEST_F(DriverLogFile, AppendsStampedLinesWithCrLf) {
  std::FILE* console = std::tmpfile();
  DriverLog log(path, clock, console);
  log.plain(kMsgOk);
  log.plain(kMsgCompletedOk);
  log.error(kMsgCannotOpenSetup, "x.cfg");
  EXPECT_EQ(dir.read("log.txt"),
            "Fri Dec 04 13:56:24 2026:\r\n"
            "Fri Dec 04 13:56:24 2026:Tolvan scale driver completed OK\r\n"
            "Fri Dec 04 13:56:24 2026: Error 0012:Cannot open setup file : x.cfg\r\n");
  std::rewind(console);
  char echo[256] = {};
  size_t n = std::fread(echo, 1, sizeof echo - 1, console);
  EXPECT_EQ(std::string(echo, n), "\nTolvan scale driver completed OK\n Error 0012:Cannot open setup file : x.cfg\n");
  std::fclose(console);
  EXPECT_EQ(log.timesLogged(kMsgCannotOpenSetup), 1);
}

TEST_F(DriverLogFile, UnwritableLogStillEchoesOnConsole) {
  std::string badPath = dir.file("missing-folder/log.txt");
  std::FILE* console = std::tmpfile();
  DriverLog log(badPath, clock, console);
  log.plain(kMsgCompletedOk);
  std::rewind(console);
  char echo[64] = {};
  size_t n = std::fread(echo, 1, sizeof echo - 1, console);
  EXPECT_EQ(std::string(echo, n), "Tolvan scale driver completed OK\n");
  std::fclose(console);
}

}  // namespace
}  // namespace tolvan

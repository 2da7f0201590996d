#include "core/driver_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/message_table.h"
#include "core/time_stamp.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::TempDir;

// What went to the console so far.
std::string consoleText(std::FILE* console) {
  std::rewind(console);
  char echo[512] = {};
  return std::string(echo, std::fread(echo, 1, sizeof echo - 1, console));
}

TEST(MessageTable, TextsFormsAndLimits) {
  EXPECT_STREQ(messageText(43), "%d additions and %d deletions imported: Data sent OK to all scales (%d scale(s)).");
  for (int outside : {44, 1000, -1}) EXPECT_STREQ(messageText(outside), "") << outside;
  std::string name(400, 'n');
  EXPECT_EQ(formatMessage(kMsgCannotOpenSetup, name.c_str()).size(), 255u);
  EXPECT_EQ(formatTimeStamp(LocalTime{2027, 1, 3, 7, 5, 9, 0}), "Sun Jan 03 07:05:09 2027");
}

// Stamped CR LF lines in the file, the bare text on the console; a log that
// cannot be opened still echoes.
TEST(DriverLogFile, AppendsStampedLinesAndEchoesOnTheConsole) {
  TempDir dir;
  FakeClock clock;
  std::FILE* console = std::tmpfile();
  const std::string path = dir.file("log.txt"), lostPath = dir.file("missing-folder/log.txt");
  DriverLog log(path, clock, console);  // keeps a reference to the path, as to the option
  log.plain(kMsgOk);
  log.plain(kMsgCompletedOk);
  log.error(kMsgCannotOpenSetup, "x.cfg");
  EXPECT_EQ(dir.read("log.txt"),
            "Fri Dec 04 13:56:24 2026:\r\n"
            "Fri Dec 04 13:56:24 2026:Tolvan scale driver completed OK\r\n"
            "Fri Dec 04 13:56:24 2026: Error 0012:Cannot open setup file : x.cfg\r\n");
  EXPECT_EQ(consoleText(console), "\nTolvan scale driver completed OK\n Error 0012:Cannot open setup file : x.cfg\n");
  EXPECT_EQ(log.timesLogged(kMsgCannotOpenSetup), 1);
  std::fclose(console);

  console = std::tmpfile();
  DriverLog lost(lostPath, clock, console);
  lost.plain(kMsgCompletedOk);
  EXPECT_EQ(consoleText(console), "Tolvan scale driver completed OK\n");
  std::fclose(console);
}

}  // namespace
}  // namespace tolvan

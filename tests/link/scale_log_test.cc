// The traffic log of one scale: headings, hex dumps, error texts, and
// silence where no log can or may be written.
#include "link/scale_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/driver.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

const std::string kStamp = "Fri Dec 04 13:56:24 2026:";

class ScaleLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scale_.driver = &driver_;
    scale_.trafficLogFile = dir_.file("scale.log");
  }
  std::string logText() const { return dir_.read("scale.log"); }

  testing::TempDir dir_;
  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"S1", 0, 594};
};

// Sixteen bytes a line, hex padded to 48 columns, the printable characters
// (31 and 128 as dots, 32 and 127 as themselves), an empty line after the
// last; a dump has no heading, an empty send no dump, text stops at NUL.
TEST_F(ScaleLogTest, EntriesHaveHeadingsDumpLinesAndTexts) {
  const uint8_t bytes[17] = {0x1f, 0x20, 0x7f, 0x80, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x00, 0xff, 'Z', '~', 0xab};
  ScaleLogWrite(scale_, ScaleLogKind::Received, bytes, sizeof bytes);
  ScaleLogWrite(scale_, ScaleLogKind::Dump, bytes + 6, 2);
  ScaleLogWrite(scale_, ScaleLogKind::Send, bytes, 0);
  const char text[] = "Sending PLU 12\0hidden";
  ScaleLogWrite(scale_, ScaleLogKind::Text, reinterpret_cast<const uint8_t*>(text), 3);
  EXPECT_EQ(logText(), kStamp + " Received 17 Bytes\r\n" +
                           "1f 20 7f 80 61 62 63 64 65 66 67 68 00 ff 5a 7e   . \x7f.abcdefgh..Z~\r\n" + "ab" +
                           std::string(46, ' ') + "  .\r\n\r\n" + "63 64" + std::string(43, ' ') + "  cd\r\n\r\n" +
                           kStamp + " Send 0 Bytes\r\n" + kStamp + "Sending PLU 12\r\n");
}

// Arguments are formatted in; the text is cut at 127 characters.
TEST_F(ScaleLogTest, ErrorEntryFormatsMessageWithArguments) {
  ScaleLogError(scale_, kMsgCannotConnect, "10.1.2.3", 50021);
  std::string longArg(300, 'x');
  ScaleLogError(scale_, kMsgInternalError, longArg.c_str());
  std::string cut = "Internal Error: " + longArg;
  cut.resize(127);
  EXPECT_EQ(logText(), kStamp + " Error - Cannot connect to scale: 10.1.2.3 (Port = 50021)\r\n\r\n" + kStamp +
                           " Error - " + cut + "\r\n\r\n");
}

TEST_F(ScaleLogTest, NothingIsWrittenWithoutLogForUnknownKindOrByAnAbandonedWorker) {
  const uint8_t bytes[] = {1, 2, 3};
  ScaleLogWrite(scale_, static_cast<ScaleLogKind>(5), bytes, sizeof bytes);
  scale_.trafficLogFile = dir_.file("missing-dir/scale.log");  // cannot be opened
  ScaleLogError(scale_, kMsgSendError);
  scale_.trafficLogFile.reset();
  ScaleLogWrite(scale_, ScaleLogKind::Send, bytes, sizeof bytes);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));

  scale_.trafficLogFile = dir_.file("scale.log");
  {
    std::lock_guard lock(scale_.guard);
    scale_.abandoned = true;
    ScaleLogErrorFromMain(scale_, kMsgReceiveTimeout);  // the main thread still can
  }
  ScaleLogWrite(scale_, ScaleLogKind::Received, bytes, sizeof bytes);
  ScaleLogError(scale_, kMsgReceiveError);
  EXPECT_EQ(logText(), kStamp + " Error - Receive timeout\r\n\r\n");
}

}  // namespace
}  // namespace tolvan

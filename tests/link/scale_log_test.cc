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

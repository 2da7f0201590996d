// The pieces of the run's outcome that the end-to-end table cannot reach
// cheaply: the resend entry count and the progress line's text.
#include "app/run_report.h"

#include <gtest/gtest.h>

#include <string>

#include "app/progress_line.h"
#include "core/driver.h"
#include "files/work_files.h"
#include "records/deletion_record.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::FakeSleeper;
using testing::TempDir;

TEST(RunReport, ResendEntriesAreCountedUpToADamagedTail) {
  TempDir dir;
  std::string file;
  for (uint32_t length : {8u, 3u}) {
    uint8_t header[kResendEntryHeaderLen];
    encodeResendHeader({1, 2, length}, header);
    file.append(reinterpret_cast<const char*>(header), sizeof header).append(length, '\x01');
  }
  uint8_t tail[kResendEntryHeaderLen];
  encodeResendHeader({1, 1, 100}, tail);
  file.append(reinterpret_cast<const char*>(tail), sizeof tail).append(10, '\x02');
  dir.write("s.rsd", file);
  EXPECT_EQ(countResendEntries(dir.file("s.rsd")), 2);
  EXPECT_EQ(countResendEntries(dir.file("none.rsd")), 0);
}

TEST(ProgressLine, CountsOnlyThisWaitsRecordsAndNamesTheScaleFurthestBehind) {
  FakeClock clock;
  FakeSleeper sleeper;
  Driver driver(clock, sleeper, nullptr);
  for (int i = 0; i < 10; ++i) driver.records.append(allocRecord<DeletionRecord>());
  for (const char* name : {"Ahead", "Behind", "Done"}) driver.scales.append(new ScaleEntry(name, 0, 594));
  ProgressLine progress(nullptr);
  for (int i = 0; i < 3; ++i) driver.scales.get(i)->status = kStatusRunning;
  driver.scales.get(0)->tally.sent = 20;  // by an earlier resend
  progress.onWait(driver, Driver::WaitStep::Start);
  driver.scales.get(0)->tally.sent = 28;
  driver.scales.get(1)->tally.sent = 2;
  driver.scales.get(2)->tally.sent = 10;
  driver.scales.get(2)->status = kStatusOk;
  EXPECT_EQ(progress.text(driver), "1/3 scales done, 20/30 records sent, slowest: Behind");
}

}  // namespace
}  // namespace tolvan

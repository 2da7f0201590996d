#include "files/resend_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "files/export_writer.h"
#include "files/file_test_support.h"
#include "plu/plu_record.h"

namespace tolvan {
namespace {

constexpr int kPriceCng = 6;  // 8-byte additions keep the files small

// One entry as the driver writes it: the key in the record's first four
// bytes (additions) or in its number field (deletions), `fill` behind it.
std::string entry(int type, int mode, int32_t key, char fill = 'p') {
  uint8_t header[kResendEntryHeaderLen];
  encodeResendHeader({type, mode, 8u}, header);
  std::string record(8, fill);
  std::memcpy(record.data() + (mode == kModeDelete ? 4 : 0), &key, sizeof key);
  return std::string(reinterpret_cast<char*>(header), sizeof header) + record;
}

class ResendFile : public ::testing::Test {
 protected:
  void SetUp() override {
    scale_.resendFile = run_.dir.file("s.rsd");
    driver_.options.dataType = kPriceCng;
    driver_.options.mode = kModeAdd;
  }
  void addRecord(int type, int mode, int32_t key, char fill) {
    std::string bytes = entry(type, mode, key, fill).substr(kResendEntryHeaderLen);
    void* record = std::malloc(8);
    std::memcpy(record, bytes.data(), 8);
    driver_.records.append(record);
    driver_.headers.append(new RecordHeader{type, mode, key});
  }
  std::vector<int32_t> keys(const std::string& bytes) {
    run_.write("scan.rsd", bytes);
    std::FILE* file = std::fopen(run_.dir.file("scan.rsd").c_str(), "rb");
    ResendScan scan;
    EXPECT_TRUE(scanResendFile(file, scan));
    std::fclose(file);
    std::vector<int32_t> out;
    for (const ResendEntry& e : scan.entries) out.push_back(e.key);
    for (const auto& [from, to] : scan.damaged) damagedBytes_ += to - from;
    return out;
  }

  testing::DriverInTempDir run_;
  Driver& driver_ = run_.driver;
  ScaleEntry scale_{"S1", 0, 594};
  long damagedBytes_ = 0;
};

TEST_F(ResendFile, EveryWholeEntryIsFoundAndOnlyWhatDoesNotReadIsSetAside) {
  const std::string e1 = entry(kPriceCng, kModeAdd, 1), e2 = entry(kPriceCng, kModeAdd, 2), e3 = entry(1, kModeDelete, 3);
  auto patched = [&](size_t at, char byte) { std::string e = e2; e[at] = byte; return e1 + e + e3; };
  const struct { const char* what; std::string bytes; std::vector<int32_t> keys; long damaged; } cases[] = {
      {"length of entry 2 damaged", patched(4, 9), {1, 3}, 20},
      {"unknown data type", patched(0, 40), {1, 3}, 20},
      {"mode 3", patched(2, 3), {1, 3}, 20},
      {"reserved bytes not 0", patched(9, 1), {1, 3}, 20},
      {"torn entry with a later append behind it", e1 + e2.substr(0, 15) + e3, {1, 3}, 15},
      {"cut short at the end", e1 + e2 + e3.substr(0, 10), {1, 2}, 10},
      {"garbage in front", "xyz" + e1, {1}, 3},
  };
  for (const auto& c : cases) {
    damagedBytes_ = 0;
    EXPECT_EQ(keys(c.bytes), c.keys) << c.what;
    EXPECT_EQ(damagedBytes_, c.damaged) << c.what;
  }
  // Before a resend the damaged bytes go aside and the file keeps the rest.
  run_.write("s.rsd", patched(4, 9));
  std::FILE* file = nullptr;
  int entries = 0;
  ASSERT_EQ(openResendFile(driver_, scale_, file, entries), kMsgOk);
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(entries, 2);
  EXPECT_EQ(run_.dir.read("s.rsd"), e1 + e3);
  std::string aside = e2;
  aside[4] = 9;
  EXPECT_EQ(run_.dir.read("s.rsd.damaged"), aside);
}

TEST_F(ResendFile, OlderEntriesOfARecordGiveWayToNewerOnesAndToWhatAScaleTook) {
  const std::string held = entry(kPriceCng, kModeAdd, 1, 'a') + entry(kPriceCng, kModeAdd, 2, 'a') + entry(1, kModeDelete, 3);
  run_.write("s.rsd", held + entry(kPriceCng, kModeAdd, 2, 'b'));
  EXPECT_EQ(countResendEntries(*scale_.resendFile), 3);  // the older price of record 2 is stale
  addRecord(kPriceCng, kModeAdd, 2, 'c');
  for (bool failed : {false, true}) {
    run_.write("s.rsd", held);
    ASSERT_EQ(keepRunInResendFile(driver_, scale_, failed), kMsgOk);
    std::string kept = entry(kPriceCng, kModeAdd, 1, 'a') + entry(1, kModeDelete, 3);
    EXPECT_EQ(run_.dir.read("s.rsd"), failed ? kept + entry(kPriceCng, kModeAdd, 2, 'c') : kept) << failed;
  }
  run_.clearRecords();
  addRecord(kPriceCng, kModeDelete, 0, 0);  // every price change
  ASSERT_EQ(keepRunInResendFile(driver_, scale_, false), kMsgOk);
  EXPECT_EQ(run_.dir.read("s.rsd"), entry(1, kModeDelete, 3));
}

TEST_F(ResendFile, AResendKeepsWhatTheScaleDidNotTake) {
  const std::string e1 = entry(1, kModeDelete, 1), e2 = entry(1, kModeDelete, 2), e3 = entry(1, kModeDelete, 3);
  for (int delivered : {0, 2, 3}) {
    run_.write("s.rsd", e1 + e2 + e3);
    ASSERT_EQ(finishResend(driver_, scale_, delivered), kMsgOk);
    EXPECT_EQ(run_.dir.read("s.rsd"), (e1 + e2 + e3).substr(static_cast<size_t>(delivered) * 20)) << delivered;
    EXPECT_EQ(run_.dir.exists("s.rsd"), delivered < 3);
  }
}

// The real write path against a file size limit: the writes fail with
// EFBIG as on a full disk, and the files stay as they were.
TEST_F(ResendFile, AFullDiskLeavesResendFileAndExportUntouched) {
  const std::string held = entry(1, kModeDelete, 9);
  run_.write("s.rsd", held);
  run_.write("export.txt", "old export\r\n");
  driver_.options.dataFile = run_.dir.file("export.txt");
  for (int i = 1; i <= 200; ++i) addRecord(kPriceCng, kModeAdd, i, 'x');
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    bool resendRefused = keepRunInResendFile(driver_, scale_, true) == kMsgResendOpenError;
    run_.clearRecords();
    for (int i = 1; i <= 50; ++i) {
      auto* plu = allocRecord<PluRecord>();
      plu->pluNo = i;
      driver_.records.append(plu);
    }
    driver_.options = {};
    driver_.options.dataFile = run_.dir.file("export.txt");
    driver_.options.logFile = run_.dir.file("log.txt");
    driver_.options.mode = kModeReceive;
    bool exportRefused = writeExportFile(driver_) == kMsgCannotOpenTextFile;
    _exit((resendRefused ? 0 : 1) | (exportRefused ? 0 : 2));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(run_.dir.read("s.rsd"), held);
  EXPECT_EQ(run_.dir.read("export.txt"), "old export\r\n");
  EXPECT_NE(run_.logText().find("Error opening resend file for scale S1"), std::string::npos);
  EXPECT_FALSE(run_.dir.exists("s.rsd.tmp"));
}

// A run killed at any instant of keeping its records leaves a file that
// reads whole, with every record kept by the runs before.
TEST_F(ResendFile, AKillAtAnyInstantLeavesAWholeFile) {
  std::mt19937 random(14);
  int kept = 0;
  for (int round = 0; round < 5; ++round) {
    pid_t child = fork();
    if (child == 0) {
      for (int32_t key = 1000 * (round + 1);; ++key) {
        run_.clearRecords();
        for (int i = 0; i < 50; ++i) addRecord(kPriceCng, kModeAdd, key * 100 + i, 'k');
        (void)keepRunInResendFile(driver_, scale_, true);
      }
    }
    usleep(std::uniform_int_distribution<useconds_t>(1000, 20000)(random));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    damagedBytes_ = 0;
    int entries = static_cast<int>(keys(run_.dir.read("s.rsd")).size());
    EXPECT_EQ(damagedBytes_, 0) << round;
    EXPECT_GE(entries, kept) << round;
    kept = entries;
  }
}

}  // namespace
}  // namespace tolvan

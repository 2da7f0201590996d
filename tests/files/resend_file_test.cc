#include "files/resend_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <cstring>

#include "files/export_writer.h"
#include "files/file_test_support.h"
#include "plu/plu_record.h"

namespace tolvan {
namespace {

constexpr int kPrice = 6;  // price changes: 8-byte additions keep the files small

// One entry as the driver writes it, the key in the record's number field.
std::string entry(int type, int mode, int32_t key, char fill = 'p') {
  uint8_t header[kResendEntryHeaderLen];
  encodeResendHeader({type, mode, 8u}, header);
  std::string record(8, fill);
  std::memcpy(record.data() + (mode == kModeDelete ? 4 : 0), &key, sizeof key);
  return std::string(reinterpret_cast<char*>(header), sizeof header) + record;
}

class ResendFile : public ::testing::Test {
 protected:
  void SetUp() override { scale_.resendFile = run_.dir.file("s.rsd"); }
  void addRecord(int type, int mode, int32_t key, char fill) {
    run_.driver.records.appendImage(entry(type, mode, key, fill).data() + kResendEntryHeaderLen, 8);
    run_.driver.headers.append(RecordHeader{type, mode, key});
  }
  // "keys read | bytes set aside..." of a file holding `bytes`.
  std::string scanned(const std::string& bytes) {
    std::FILE* file = std::fopen(run_.write("scan.rsd", bytes).c_str(), "rb");
    ResendScan scan;
    EXPECT_TRUE(scanResendFile(file, scan));
    std::fclose(file);
    std::string out;
    for (const ResendEntry& e : scan.entries) out += std::to_string(e.key) + " ";
    for (const auto& [from, to] : scan.damaged) out += "| " + std::to_string(to - from);
    return out;
  }

  testing::DriverInTempDir run_;
  ScaleEntry scale_{"S1", 0, 594};
};

TEST_F(ResendFile, EveryWholeEntryIsFoundAndOnlyWhatDoesNotReadIsSetAside) {
  const std::string e1 = entry(kPrice, kModeAdd, 1), e2 = entry(kPrice, kModeAdd, 2), e3 = entry(1, kModeDelete, 3);
  // A damaged length field is the end-to-end case (resend_e2e_test).
  auto patched = [&](size_t at, char byte) { std::string e = e2; e[at] = byte; return e1 + e + e3; };
  EXPECT_EQ(scanned(patched(0, 40)), "1 3 | 20");  // data type
  EXPECT_EQ(scanned(patched(2, 3)), "1 3 | 20");   // mode
  EXPECT_EQ(scanned(patched(9, 1)), "1 3 | 20");   // reserved
  EXPECT_EQ(scanned(e1 + e2.substr(0, 15) + e3), "1 3 | 15");  // torn by a kill, appended to later
  EXPECT_EQ(scanned(e1 + e2 + e3.substr(0, 10)), "1 2 | 10");
  EXPECT_EQ(scanned("xyz" + e1), "1 | 3");
}

TEST_F(ResendFile, OlderEntriesOfARecordGiveWayToNewerOnesAndToWhatAScaleTook) {
  const std::string held = entry(kPrice, kModeAdd, 1, 'a') + entry(kPrice, kModeAdd, 2, 'a') + entry(1, kModeDelete, 3);
  run_.write("s.rsd", held + entry(kPrice, kModeAdd, 2, 'b'));
  EXPECT_EQ(countResendEntries(*scale_.resendFile), 3);
  addRecord(kPrice, kModeAdd, 2, 'c');
  for (bool failed : {false, true}) {
    run_.write("s.rsd", held);
    ASSERT_EQ(keepRunInResendFile(run_.driver, scale_, failed), kMsgOk);
    std::string kept = entry(kPrice, kModeAdd, 1, 'a') + entry(1, kModeDelete, 3);
    EXPECT_EQ(run_.dir.read("s.rsd"), failed ? kept + entry(kPrice, kModeAdd, 2, 'c') : kept) << failed;
  }
  ASSERT_EQ(finishResend(run_.driver, scale_, 1), kMsgOk);  // a resend took the first entry
  EXPECT_EQ(run_.dir.read("s.rsd"), entry(1, kModeDelete, 3) + entry(kPrice, kModeAdd, 2, 'c'));
  run_.clearRecords();
  addRecord(kPrice, kModeDelete, 0, 0);  // deletes every price change
  ASSERT_EQ(keepRunInResendFile(run_.driver, scale_, false), kMsgOk);
  EXPECT_EQ(run_.dir.read("s.rsd"), entry(1, kModeDelete, 3));
}

// The real write path against a file size limit: writes fail with EFBIG
// as on a full disk, and both files stay as they were.
TEST_F(ResendFile, AFullDiskLeavesResendFileAndExportUntouched) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no file size limit to stand in for a full disk";
#else
  run_.write("s.rsd", entry(1, kModeDelete, 9));
  run_.write("export.txt", "old\r\n");
  for (int i = 1; i <= 100; ++i) addRecord(kPrice, kModeAdd, i, 'x');
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    bool resendRefused = keepRunInResendFile(run_.driver, scale_, true) == kMsgResendOpenError;
    run_.clearRecords();
    const PluRecord blank{};
    for (int i = 0; i < 20; ++i) run_.driver.records.appendImage(&blank, sizeof blank);
    run_.driver.options.dataFile = run_.dir.file("export.txt");
    run_.driver.options.mode = kModeReceive;
    _exit(resendRefused && writeExportFile(run_.driver) == kMsgCannotOpenTextFile ? 0 : 1);
  }
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0) == child ? WEXITSTATUS(status) : -1, 0);
  EXPECT_EQ(run_.dir.read("s.rsd"), entry(1, kModeDelete, 9));
  EXPECT_EQ(run_.dir.read("export.txt"), "old\r\n");
#endif
}

// A run killed at any instant of keeping its records leaves a file that
// reads whole, with every record the runs before it kept.
TEST_F(ResendFile, AKillAtAnyInstantLeavesAWholeFile) {
#ifdef _WIN32
  GTEST_SKIP() << "needs fork; the Windows replacement is the same temporary-and-move, tested by FilesTest";
#else
  size_t kept = 0;
  for (int round = 1; round <= 5; ++round) {
    pid_t child = fork();
    for (int32_t key = round * 100000; child == 0; key += 50) {
      run_.clearRecords();
      for (int i = 0; i < 50; ++i) addRecord(kPrice, kModeAdd, key + i, 'k');
      (void)keepRunInResendFile(run_.driver, scale_, true);
    }
    usleep(static_cast<useconds_t>(1000 + 3700 * round));  // instants spread over several rewrites
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::string found = scanned(run_.dir.read("s.rsd"));
    EXPECT_EQ(found.find('|'), std::string::npos) << round;
    EXPECT_GE(found.size(), kept) << round;
    kept = found.size();
  }
#endif
}

}  // namespace
}  // namespace tolvan

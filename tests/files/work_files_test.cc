#include "files/work_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "files/file_test_support.h"
#include "files/record_source.h"
#include "files/resend_file.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

std::string entryHeader(int type, int mode, uint32_t length) {
  std::string h(12, '\0');
  h[0] = static_cast<char>(type);
  h[2] = static_cast<char>(mode);
  for (int i = 0; i < 4; ++i) h[static_cast<size_t>(4 + i)] = static_cast<char>(length >> (8 * i));
  return h;
}

// A record as the source handed it out, with the first byte of its image.
struct Read {
  SourceRecord record;
  uint8_t mark;
};

class WorkFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scale_.driver = &driver_;
    scale_.resendFile = run_.dir.file("resend.bin");
  }
  // A zeroed record of `length` bytes whose first byte marks it, and
  // whose fifth byte holds `fifth`.
  void addRecord(int length, uint8_t marker, const RecordHeader* header, uint8_t fifth = 0) {
    std::vector<uint8_t> image(static_cast<size_t>(length));
    image[0] = marker;
    image[4] = fifth;
    driver_.records.appendImage(image.data(), image.size());
    if (header != nullptr) driver_.headers.append(*header);
  }
  std::string resendBytes() const { return run_.dir.read("resend.bin"); }
  void openResend(const std::string& bytes) {
    if (scale_.workFile != nullptr) std::fclose(scale_.workFile);
    run_.write("resend.bin", bytes);
    scale_.workFile = std::fopen(scale_.resendFile->c_str(), "rb");
    scale_.fromResendFile = 1;
  }
  std::vector<Read> readAll() {
    std::vector<Read> out;
    RecordSource source(scale_);
    SourceRecord r;
    while (source.next(r)) out.push_back({r, *static_cast<const uint8_t*>(r.record)});
    return out;
  }

  testing::DriverInTempDir run_;
  Driver& driver_ = run_.driver;
  ScaleEntry scale_{"S1", 0, 594};
};

TEST_F(WorkFilesTest, NoResendFileOrUnopenableOne) {
  addRecord(2196, 1, nullptr);
  driver_.options.mode = kModeAdd;
  scale_.resendFile.reset();
  (void)keepRunInResendFile(driver_, scale_, true);
  EXPECT_FALSE(run_.dir.exists("log.txt"));
  scale_.resendFile = run_.dir.file("none/resend.bin");
  (void)keepRunInResendFile(driver_, scale_, true);
  EXPECT_NE(run_.logText().find(" Error 0020:Error opening resend file for scale S1, file " +
                                run_.dir.file("none/resend.bin") + "\r\n"),
            std::string::npos);
}

TEST_F(WorkFilesTest, SourceWalksTheListOrReadsBackWhatAFailedRunAppended) {
  RecordHeader add{2, kModeAdd, 5};
  addRecord(2056, 0x11, &add);
  addRecord(8, 0x22, nullptr, 7);  // deletion of record 7; header list shorter: options decide
  driver_.options.dataType = 2;
  driver_.options.mode = kModeDelete;
  for (bool fromResend : {false, true}) {
    if (fromResend) {
      (void)keepRunInResendFile(driver_, scale_, true);
      driver_.records.clearAndFree();  // the resend must not depend on the list
      openResend(resendBytes());
    }
    std::vector<Read> got = readAll();
    ASSERT_EQ(got.size(), 2u) << fromResend;
    for (int i : {0, 1}) {
      const SourceRecord& r = got[static_cast<size_t>(i)].record;
      EXPECT_EQ(r.dataType, 2);
      EXPECT_EQ(r.mode, i == 0 ? kModeAdd : kModeDelete);
      EXPECT_EQ(r.length, i == 0 ? 2056 : 8);
      EXPECT_EQ(r.number, i + 1);
      EXPECT_EQ(got[static_cast<size_t>(i)].mark, i == 0 ? 0x11 : 0x22) << fromResend;
    }
  }
}

TEST_F(WorkFilesTest, ShortResendEntryIsPaddedWithZeros) {
  // A stale image from a longer earlier entry must not show through.
  openResend(entryHeader(1, 1, 16) + std::string(16, '\x55') + entryHeader(1, 1, 2) + "\x66\x66");
  RecordSource source(scale_);
  SourceRecord r;
  ASSERT_TRUE(source.next(r));
  ASSERT_TRUE(source.next(r));
  EXPECT_EQ(r.length, 2);
  const auto* image = static_cast<const uint8_t*>(r.record);
  EXPECT_EQ(image[1], 0x66);
  EXPECT_EQ(image[2], 0);
  EXPECT_EQ(image[4095], 0);
}

}  // namespace
}  // namespace tolvan

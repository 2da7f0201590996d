#include "files/work_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/record_source.h"
#include "frame/driver.h"
#include "records/record_header.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::FakeSleeper;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string entryHeader(int type, int mode, uint32_t length) {
  std::string h(12, '\0');
  h[0] = static_cast<char>(type);
  h[2] = static_cast<char>(mode);
  for (int i = 0; i < 4; ++i) h[static_cast<size_t>(4 + i)] = static_cast<char>(length >> (8 * i));
  return h;
}

class WorkFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/workfilesXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    driver_.options.logFile = dir_ + "/driver.log";
    scale_.driver = &driver_;
    scale_.resendFile = dir_ + "/resend.bin";
  }
  void TearDown() override {
    if (scale_.workFile != nullptr) std::fclose(scale_.workFile);
    scale_.workFile = nullptr;
    std::filesystem::remove_all(dir_);
  }

  // A zeroed record block of `length` bytes whose first byte marks it.
  void addRecord(int length, uint8_t marker, const RecordHeader* header) {
    auto* block = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(length)));
    block[0] = marker;
    driver_.records.append(block);
    if (header != nullptr) driver_.headers.append(new RecordHeader(*header));
  }

  void openResendForReading() {
    scale_.workFile = std::fopen(scale_.resendFile->c_str(), "rb");
    ASSERT_NE(scale_.workFile, nullptr);
    scale_.fromResendFile = 1;
  }

  std::vector<SourceRecord> readAll() {
    std::vector<SourceRecord> out;
    RecordSource source(scale_);
    SourceRecord r;
    while (source.next(r)) {
      out.push_back(r);
      marks_.push_back(*static_cast<const uint8_t*>(r.record));
    }
    return out;
  }

  std::string dir_;
  FakeClock clock_;
  FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"S1", 0, 594};
  std::vector<uint8_t> marks_;
};

TEST_F(WorkFilesTest, WorkFileIsNamedAfterTheScaleAndCreatedEmpty) {
  ScaleEntry scale(dir_ + "/Deli", 0, 594);
  EXPECT_EQ(workFileName(scale), dir_ + "/DeliWrk.txt");
  writeFile(workFileName(scale), "old totals\r\n");
  ASSERT_TRUE(createWorkFile(scale));
  std::fputs("x", scale.workFile);
  ASSERT_TRUE(createWorkFile(scale));  // an open one is closed first
  std::fclose(scale.workFile);
  scale.workFile = nullptr;
  EXPECT_EQ(readFile(workFileName(scale)), "");
  deleteWorkFile(scale);
  EXPECT_FALSE(std::filesystem::exists(workFileName(scale)));
  deleteWorkFile(scale);  // a missing file is no error

  ScaleEntry lost(dir_ + "/none/Deli", 0, 594);
  EXPECT_FALSE(createWorkFile(lost));
  EXPECT_EQ(lost.workFile, nullptr);
}

TEST_F(WorkFilesTest, FailedPluImportAppendsHeaderAndImagePerRecord) {
  RecordHeader plu{1, kModeAdd, 0};
  addRecord(2196, 0xA1, &plu);
  addRecord(2196, 0xA2, &plu);
  appendToResendFile(driver_, scale_);
  std::string bytes = readFile(*scale_.resendFile);
  ASSERT_EQ(bytes.size(), 2u * (12 + 2196));
  EXPECT_EQ(bytes.substr(0, 12), std::string("\x01\x00\x01\x00\x94\x08\x00\x00\x00\x00\x00\x00", 12));
  EXPECT_EQ(static_cast<uint8_t>(bytes[12]), 0xA1);
  EXPECT_EQ(bytes.substr(13, 2195), std::string(2195, '\0'));
  EXPECT_EQ(bytes.substr(2208, 12), bytes.substr(0, 12));
  EXPECT_EQ(static_cast<uint8_t>(bytes[2220]), 0xA2);

  appendToResendFile(driver_, scale_);  // a second failure goes behind the first
  EXPECT_EQ(readFile(*scale_.resendFile).size(), 4u * (12 + 2196));
}

TEST_F(WorkFilesTest, RecordsWithoutHeadersTakeTypeAndModeFromOptions) {
  driver_.options.dataType = 8;
  driver_.options.mode = kModeDelete;
  auto* deletion = allocRecord<DeletionRecord>();
  deletion->dataType = 8;
  deletion->recNo = 0x01020304;
  driver_.records.append(deletion);
  appendToResendFile(driver_, scale_);
  EXPECT_EQ(readFile(*scale_.resendFile),
            entryHeader(8, 2, 8) + std::string("\x08\x00\x00\x00\x04\x03\x02\x01", 8));
}

TEST_F(WorkFilesTest, NoResendFileOrUnopenableOne) {
  addRecord(2196, 1, nullptr);
  driver_.options.mode = kModeAdd;
  scale_.resendFile.reset();
  appendToResendFile(driver_, scale_);
  EXPECT_FALSE(std::filesystem::exists(driver_.options.logFile));

  scale_.resendFile = dir_ + "/none/resend.bin";
  appendToResendFile(driver_, scale_);
  std::string log = readFile(driver_.options.logFile);
  EXPECT_NE(log.find(" Error 0020:Error opening resend file for scale S1, file " + dir_ + "/none/resend.bin\r\n"),
            std::string::npos);
}

TEST_F(WorkFilesTest, SourceWalksRecordListWithHeadersOrOptions) {
  RecordHeader add{2, kModeAdd, 5};
  addRecord(2056, 0x11, &add);
  addRecord(8, 0x22, nullptr);  // header list shorter: options decide
  driver_.options.dataType = 2;
  driver_.options.mode = kModeDelete;
  std::vector<SourceRecord> got = readAll();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].dataType, 2);
  EXPECT_EQ(got[0].mode, kModeAdd);
  EXPECT_EQ(got[0].length, 2056);
  EXPECT_EQ(got[0].number, 1);
  EXPECT_EQ(got[1].mode, kModeDelete);
  EXPECT_EQ(got[1].length, 8);
  EXPECT_EQ(got[1].number, 2);
  EXPECT_EQ(marks_, (std::vector<uint8_t>{0x11, 0x22}));
}

TEST_F(WorkFilesTest, SourceReadsBackWhatAFailedRunAppended) {
  RecordHeader plu{1, kModeAdd, 0};
  RecordHeader del{1, kModeDelete, 0};
  addRecord(2196, 0x31, &plu);
  addRecord(8, 0x32, &del);
  appendToResendFile(driver_, scale_);
  driver_.records.clearAndFree();  // the resend must not depend on the list
  openResendForReading();
  std::vector<SourceRecord> got = readAll();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].dataType, 1);
  EXPECT_EQ(got[0].length, 2196);
  EXPECT_EQ(got[1].mode, kModeDelete);
  EXPECT_EQ(got[1].length, 8);
  EXPECT_EQ(marks_, (std::vector<uint8_t>{0x31, 0x32}));
}

TEST_F(WorkFilesTest, SourceStopsAtOverlongOrTruncatedEntries) {
  std::string full(4096, '\x41');
  std::string content = entryHeader(1, 1, 4096) + full;          // the largest accepted
  content += entryHeader(9, 1, 4097) + std::string(4097, '\x42');  // ends the file
  writeFile(*scale_.resendFile, content);
  openResendForReading();
  std::vector<SourceRecord> got = readAll();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].length, 4096);

  std::fclose(scale_.workFile);
  marks_.clear();
  content = entryHeader(6, 1, 8) + std::string(8, '\x43') + entryHeader(6, 1, 8).substr(0, 5);
  writeFile(*scale_.resendFile, content);
  openResendForReading();
  EXPECT_EQ(readAll().size(), 1u);

  std::fclose(scale_.workFile);
  content = entryHeader(6, 1, 8) + std::string(3, '\x44');  // record cut short
  writeFile(*scale_.resendFile, content);
  openResendForReading();
  EXPECT_EQ(readAll().size(), 0u);
}

TEST_F(WorkFilesTest, ShortResendEntryIsPaddedWithZeros) {
  // A stale image from a longer earlier entry must not show through.
  writeFile(*scale_.resendFile, entryHeader(1, 1, 16) + std::string(16, '\x55') + entryHeader(1, 1, 2) + "\x66\x66");
  openResendForReading();
  RecordSource source(scale_);
  SourceRecord r;
  ASSERT_TRUE(source.next(r));
  ASSERT_TRUE(source.next(r));
  const auto* bytes = static_cast<const uint8_t*>(r.record);
  EXPECT_EQ(r.length, 2);
  EXPECT_EQ(bytes[1], 0x66);
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[4095], 0);
}

}  // namespace
}  // namespace tolvan

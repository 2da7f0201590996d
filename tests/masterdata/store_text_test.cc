// Store texts on both scale families: the three block text layouts, the
// message-31 image with its two text blocks, deletions, the request, and
// the message body read back into the shared record list.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/driver.h"
#include "masterdata/store_text.h"
#include "masterdata/store_text_encoding.h"
#include "masterdata/store_text_received.h"
#include "records/deletion_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;
const std::string kEsc = "\x1b";

// Store 3: name "Bigmart" in font 2, address "Main" in font 1.
StoreRecord sampleStore() {
  StoreRecord s{};
  s.storeNo = 3;
  s.nameFont = 2;
  std::strcpy(s.name, "Bigmart");
  s.addrFont = 1;
  std::strcpy(s.address, "Main");
  return s;
}

class StoreText : public ::testing::Test {
 protected:
  bool convert(int model, int version, const StoreRecord& s) {
    scale_.model = model;
    scale_.version = version;
    buffer_.fill(0xEE);
    return convertStore(scale_, &s, code_, buffer_, length_);
  }
  bool remove(int model, int version, int32_t number) {
    scale_.model = model;
    scale_.version = version;
    DeletionRecord d{8, number};
    return convertStoreDeletion(scale_, &d, code_, buffer_, length_);
  }
  std::string text() const { return std::string(reinterpret_cast<const char*>(buffer_.data()), length_); }
  Bytes bytes(size_t from, size_t n) const { return Bytes(buffer_.begin() + from, buffer_.begin() + from + n); }

  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer_{};
  int code_ = -1;
  int length_ = -1;
};

TEST_F(StoreText, BlockLayoutsFollowTheCountry) {
  struct Case {
    int version;
    std::string expected;
  } cases[] = {
      {kVersionUsa, "3403" + std::string("Bigmart") + std::string(29, ' ') + "Main" + std::string(43, ' ')},
      {kVersionChina, "340103" + kEsc + "C2Bigmart" + kEsc + "C1Main" + std::string(83, ' ')},
      {kVersionHongKong, "340103" + kEsc + "C2Bigmart" + kEsc + "C1Main" + std::string(83, ' ')},
      {kVersionThailand, "340103" + kEsc + "C2Bigmart" + std::string(72 - 10, ' ') + kEsc + "C1Main" +
                             std::string(72 - 7, ' ')},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(convert(kModelVt30, c.version, sampleStore())) << c.version;
    EXPECT_EQ(text(), c.expected) << c.version;
    EXPECT_EQ(code_, 34);
  }
  EXPECT_EQ(cases[0].expected.size(), 87u);
  EXPECT_EQ(cases[1].expected.size(), 106u);
}

TEST_F(StoreText, BlockEscapesAndCutsFollowFontsAndAreas) {
  StoreRecord s = sampleStore();
  s.nameFont = 9;  // no font escape on "thailand"; a font type escape
  s.nameFontType = 3;
  ASSERT_TRUE(convert(kModelPmx, kVersionThailand, s));
  EXPECT_EQ(text().substr(6, 10), kEsc + "D3Bigmart");
  EXPECT_EQ(text().substr(78, 3), kEsc + "C1");

  s = sampleStore();
  s.nameFont = 1;
  std::memset(s.name, 'N', 99);
  std::memset(s.address, 'A', 60);
  ASSERT_TRUE(convert(kModelLm50, kVersionAustralia, s));
  EXPECT_EQ(text(), "340103" + kEsc + "C1" + std::string(33, 'N') + std::string(47, 'A'));
  // A 97-byte name fills the chinese part: the address is left out.
  ASSERT_TRUE(convert(kModelVt30, kVersionChina, s));
  EXPECT_EQ(text(), "340103" + kEsc + "C1" + std::string(97, 'N'));
}

TEST_F(StoreText, BlockScalesKeepStoresUpToTenMessageScalesAny) {
  StoreRecord s = sampleStore();
  s.storeNo = 10;
  EXPECT_TRUE(convert(kModelVt30, kVersionUsa, s));
  s.storeNo = 11;
  EXPECT_FALSE(convert(kModelVt30, kVersionUsa, s));
  EXPECT_EQ(length_, 0);
  EXPECT_TRUE(convert(kModelVt40, kVersionUsa, s));
  EXPECT_FALSE(convert(kModelHbq, kVersionUsa, s));
}

TEST_F(StoreText, MessageRecordHoldsTwoTextBlocks) {
  StoreRecord s = sampleStore();
  s.addrFontType = 2;
  ASSERT_TRUE(convert(kModelMerioPro, kVersionUsa, s));
  EXPECT_EQ(code_, 31);
  ASSERT_EQ(length_, 212);
  EXPECT_EQ(bytes(0, 10), (Bytes{0x31, 0, 0, 0, 0, 0, 204, 0, 0x00, 0x03}));
  // Name: 9 bytes behind the length, font '2' is code 13 outside the chinese and thai groups.
  EXPECT_EQ(bytes(10, 12), (Bytes{9, 0, 13, 13, 'B', 'i', 'g', 'm', 'a', 'r', 't', 0}));
  EXPECT_EQ(bytes(111, 10), (Bytes{7, 0, 13, 8, 6, 'M', 'a', 'i', 'n', 0}));
  EXPECT_EQ(bytes(121, 91), Bytes(91, 0));

  std::memset(s.name, 'N', 99);
  ASSERT_TRUE(convert(kModelVt40, kVersionChina, s));
  EXPECT_EQ(bytes(10, 4), (Bytes{99, 0, 13, 15}));  // 97 characters
  EXPECT_EQ(buffer_[110], 'N');
  s.nameFontType = 1;
  ASSERT_TRUE(convert(kModelVt40, kVersionChina, s));
  EXPECT_EQ(bytes(10, 5), (Bytes{99, 0, 13, 15, 2}));  // 96 characters behind the font type
  EXPECT_EQ(buffer_[110], 'N');
  EXPECT_EQ(bytes(111, 4), (Bytes{7, 0, 13, 14}));  // the address block starts right behind
}

TEST_F(StoreText, DeletionsAndRequest) {
  ASSERT_TRUE(remove(kModelVt30, kVersionUsa, 3));
  EXPECT_EQ(text(), "2303");
  ASSERT_TRUE(remove(kModelLm50, kVersionChina, 0));
  EXPECT_EQ(text(), "230200");
  EXPECT_FALSE(remove(kModelPmx, kVersionChina, 100));
  ASSERT_TRUE(remove(kModelMerioPro, kVersionUsa, 1234));
  EXPECT_EQ(code_, 1);
  EXPECT_EQ(bytes(0, length_), (Bytes{0x12, 0x34}));

  scale_.model = kModelVt40;
  ASSERT_TRUE(buildStoreUploadRequest(scale_, code_, buffer_, length_));
  EXPECT_EQ(code_, 51);
  EXPECT_EQ(bytes(0, length_), Bytes(4, 0));
  scale_.model = kModelVt30;
  EXPECT_FALSE(buildStoreUploadRequest(scale_, code_, buffer_, length_));
}

class ReceivedStore : public StoreText {
 protected:
  void SetUp() override { scale_.driver = &driver_; }
  bool receive(std::span<const uint8_t> body) { return handleReceivedStore(scale_, body); }
  const StoreRecord& at(int i) const { return *static_cast<const StoreRecord*>(driver_.records.get(i)); }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
};

TEST_F(ReceivedStore, MessageBodyReadsBackWhatWasSent) {
  StoreRecord s = sampleStore();
  s.nameFontType = 2;
  s.addrFont = 3;
  ASSERT_TRUE(convert(kModelMerioPro, kVersionThailand, s));
  ASSERT_TRUE(receive(std::span<const uint8_t>(buffer_).subspan(8, 204)));
  s.storeNo = 4;
  ASSERT_TRUE(convert(kModelMerioPro, kVersionThailand, s));
  ASSERT_TRUE(receive(std::span<const uint8_t>(buffer_).subspan(8, 204)));
  ASSERT_EQ(driver_.records.count(), 2);
  EXPECT_EQ(at(0).storeNo, 3);
  EXPECT_EQ(at(1).storeNo, 4);
  EXPECT_EQ(std::memcmp(&at(0).nameFont, &s.nameFont, sizeof s - 4), 0);

  // The same store again, from another scale: the first arrival stays.
  std::strcpy(s.name, "Other");
  s.storeNo = 3;
  ASSERT_TRUE(convert(kModelMerioPro, kVersionThailand, s));
  ASSERT_TRUE(receive(std::span<const uint8_t>(buffer_).subspan(8, 204)));
  ASSERT_EQ(driver_.records.count(), 2);
  EXPECT_STREQ(at(0).name, "Bigmart");
}

TEST_F(ReceivedStore, ShortBodiesAndBlockScalesKeepWhatTheyCan) {
  scale_.model = kModelVt40;
  scale_.version = kVersionUsa;
  const Bytes cut = {0x00, 0x07, 9, 0, 13, 8, 'A', 'B'};  // the name block ends early
  ASSERT_TRUE(receive(cut));
  ASSERT_EQ(driver_.records.count(), 1);
  EXPECT_EQ(at(0).storeNo, 7);
  EXPECT_EQ(at(0).nameFont, 1);
  EXPECT_STREQ(at(0).name, "AB");
  EXPECT_STREQ(at(0).address, "");

  scale_.model = kModelVt30;
  EXPECT_FALSE(receive(Bytes{0x00, 0x08}));
  EXPECT_EQ(driver_.records.count(), 1);
}

}  // namespace
}  // namespace tolvan

// Store texts: the layouts and cuts the end-to-end runs do not reach
// ("thailand", font 1 elsewhere, a full chinese name, the 97/96-character
// message blocks), deletion limits, and message bodies read back.
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

class StoreText : public ::testing::Test {
 protected:
  StoreText() {
    store_.storeNo = 3;
    std::strcpy(store_.name, "Bigmart");
    std::strcpy(store_.address, "Main");
    scale_.driver = &driver_;
  }
  std::string block(int version) {
    scale_.model = kModelVt30;
    scale_.version = version;
    if (!convertStore(scale_, &store_, code_, buffer_, length_)) return "refused";
    return std::string(reinterpret_cast<const char*>(buffer_.data()), length_);
  }
  Bytes message(int version, size_t from, size_t n) {
    scale_.model = kModelMerioPro;
    scale_.version = version;
    EXPECT_TRUE(convertStore(scale_, &store_, code_, buffer_, length_));
    return Bytes(buffer_.begin() + from, buffer_.begin() + from + n);
  }

  StoreRecord store_{};
  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer_{};
  int code_ = -1;
  int length_ = -1;
  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
};

TEST_F(StoreText, BlockEscapesAndCutsFollowTheCountry) {
  store_.nameFont = 2;  // marked on "china" only: elsewhere only font 1 is
  store_.addrFont = 1;
  EXPECT_EQ(block(kVersionUsa), "3403Bigmart" + std::string(29, ' ') + "Main" + std::string(43, ' '));
  EXPECT_EQ(block(kVersionChina), "340103" + kEsc + "C2Bigmart" + kEsc + "C1Main" + std::string(83, ' '));
  store_.nameFont = 9;  // "thailand": no font escape above 7, but the font type's
  store_.nameFontType = 3;
  store_.addrFont = 2;
  EXPECT_EQ(block(kVersionThailand),
            "340103" + kEsc + "D3Bigmart" + std::string(62, ' ') + kEsc + "C2Main" + std::string(65, ' '));
  store_.nameFont = 1;
  std::memset(store_.name, 'N', 99);
  std::memset(store_.address, 'A', 60);
  EXPECT_EQ(block(kVersionAustralia), "340103" + kEsc + "C1" + std::string(33, 'N') + std::string(47, 'A'));
  // 97 name characters fill the chinese part: the address is left out.
  EXPECT_EQ(block(kVersionChina), "340103" + kEsc + "C1" + std::string(97, 'N'));
  store_.storeNo = 11;
  EXPECT_EQ(block(kVersionUsa), "refused");
  EXPECT_EQ(length_, 0);
}

TEST_F(StoreText, MessageBlocksHoldNinetySevenCharactersOrNinetySixBehindAFontType) {
  std::memset(store_.name, 'N', 99);
  store_.nameFont = 2;
  EXPECT_EQ(message(kVersionChina, 10, 4), (Bytes{99, 0, 13, 15}));
  EXPECT_EQ(buffer_[110], 'N');
  store_.nameFontType = 1;
  EXPECT_EQ(message(kVersionChina, 10, 5), (Bytes{99, 0, 13, 15, 2}));
  EXPECT_EQ(message(kVersionChina, 110, 5), (Bytes{'N', 6, 0, 13, 6}));  // the address block follows
}

TEST_F(StoreText, DeletionNumbersMustFitTheirDigits) {
  DeletionRecord d{8, 100};
  scale_.model = kModelPmx;
  EXPECT_FALSE(convertStoreDeletion(scale_, &d, code_, buffer_, length_));
  scale_.model = kModelVt40;
  d.recNo = 1234;
  ASSERT_TRUE(convertStoreDeletion(scale_, &d, code_, buffer_, length_));
  EXPECT_EQ(Bytes(buffer_.begin(), buffer_.begin() + length_), (Bytes{0x12, 0x34}));
  EXPECT_EQ(code_, 1);
}

TEST_F(StoreText, ReceivedBodiesKeepWhatTheyHold) {
  scale_.model = kModelVt40;
  scale_.version = kVersionUsa;
  // The name block cut short: font code 8 is font 1, then two characters.
  ASSERT_TRUE(handleReceivedStore(scale_, Bytes{0x00, 0x07, 9, 0, 13, 8, 'A', 'B'}));
  ASSERT_TRUE(handleReceivedStore(scale_, Bytes{0x00, 0x07, 9, 0, 13, 8, 7}));  // same store: dropped
  ASSERT_EQ(driver_.records.count(), 1);
  const auto& cut = *static_cast<const StoreRecord*>(driver_.records.get(0));
  EXPECT_EQ(cut.storeNo, 7);
  EXPECT_EQ(cut.nameFont, 1);
  EXPECT_STREQ(cut.name, "AB");
  scale_.model = kModelVt30;
  EXPECT_FALSE(handleReceivedStore(scale_, Bytes{0x00, 0x08}));
  EXPECT_EQ(driver_.records.count(), 1);
}

}  // namespace
}  // namespace tolvan

// Store texts: the layouts and cuts the end-to-end runs do not reach
// ("thailand", font 1 elsewhere, a full chinese name), deletion limits, and
// message bodies read back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "masterdata/record_bench.h"
#include "masterdata/store_text.h"
#include "masterdata/store_text_encoding.h"
#include "masterdata/store_text_received.h"
#include "support/records.h"

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
  }
  std::string block(int version) {
    b_.become(kModelVt30, version);
    return b_.shown(convertStore(b_.scale, &store_, b_.code, b_.buffer, b_.length));
  }

  StoreRecord store_{};
  testing::RecordBench b_;
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
  EXPECT_EQ(block(kVersionUsa), "-");
}

TEST_F(StoreText, DeletionNumbersMustFitTheirDigits) {
  b_.become(kModelPmx, kVersionChina);
  EXPECT_EQ(b_.shown(b_.remove(8, 100)), "-");
  b_.become(kModelVt40, kVersionChina);
  EXPECT_EQ(b_.coded(b_.remove(8, 1234)), "1:\x12\x34");
}

TEST_F(StoreText, ReceivedBodiesKeepWhatTheyHold) {
  b_.become(kModelVt40, kVersionUsa);
  // The name block cut short: font code 8 is font 1, then two characters.
  ASSERT_TRUE(handleReceivedStore(b_.scale, Bytes{0x00, 0x07, 9, 0, 13, 8, 'A', 'B'}));
  ASSERT_TRUE(handleReceivedStore(b_.scale, Bytes{0x00, 0x07, 9, 0, 13, 8, 7}));  // same store: dropped
  ASSERT_EQ(b_.driver.records.count(), 1);
  const auto cut = testing::recordAt<StoreRecord>(b_.driver.records, 0);
  EXPECT_EQ(cut.storeNo, 7);
  EXPECT_EQ(cut.nameFont, 1);
  EXPECT_STREQ(cut.name, "AB");
  b_.scale.model = kModelVt30;
  EXPECT_FALSE(handleReceivedStore(b_.scale, Bytes{0x00, 0x08}));
  EXPECT_EQ(b_.driver.records.count(), 1);
}

}  // namespace
}  // namespace tolvan

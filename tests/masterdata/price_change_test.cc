#include "masterdata/price_change.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "dispatch/field_tables.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

class PriceChangeEncoding : public ::testing::Test {
 protected:
  void configure(int model, int version) {
    scale_.model = model;
    scale_.version = version;
  }
  bool convert(const PriceChangeRecord& change) {
    reset();
    return convertPriceChange(scale_, &change, code_, buffer_, length_);
  }
  bool convert(const MkdPriceChangeRecord& change) {
    reset();
    return convertMkdPriceChange(scale_, &change, code_, buffer_, length_);
  }
  void reset() {
    code_ = length_ = -1;
    buffer_.fill(0xEE);
  }
  std::string text() const { return std::string(reinterpret_cast<const char*>(buffer_.data()), length_); }
  Bytes bytes() const { return Bytes(buffer_.begin(), buffer_.begin() + length_); }

  ScaleEntry scale_{"scale1", 0, 594};
  std::array<uint8_t, 4096> buffer_{};
  int code_ = -1;
  int length_ = -1;
};

TEST_F(PriceChangeEncoding, BlockTextsFollowTheScaleVersion) {
  struct Case {
    int version;
    PriceChangeRecord change;
    const char* text;
  };
  const Case cases[] = {
      {kVersionUsa, {42, 199}, "31000042000199"},
      {kVersionNz, {42, 199}, "3101000042000199"},
      {kVersionThailand, {42, 199}, "660200004200000199"},
      {kVersionChina, {42, 199}, "3101000042000199"},
      // A seven-digit PLU keeps its first six digits, a long price its first five.
      {kVersionUsa, {1234567, 1234567}, "31123456012345"},
      {kVersionThailand, {7, 123456789}, "660200000701234567"},
  };
  for (int model : {kModelVt30, kModelPmx, kModelLm50}) {
    for (const Case& c : cases) {
      configure(model, c.version);
      ASSERT_TRUE(convert(c.change)) << c.text;
      EXPECT_EQ(text(), c.text);
      EXPECT_EQ(buffer_[length_], 0) << "the text ends in a NUL";
    }
  }
}

TEST_F(PriceChangeEncoding, Vt40TakesMessage23AndMerioProNothing) {
  configure(kModelVt40, kVersionNz);
  ASSERT_TRUE(convert(PriceChangeRecord{42, 199}));
  EXPECT_EQ(code_, 23);
  EXPECT_EQ(bytes(), (Bytes{0x23, 0, 0, 0, 0, 0, 9, 0,  // record header, body 9
                            0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00, 0x01, 0x99}));
  configure(kModelMerioPro, kVersionNz);
  EXPECT_FALSE(convert(PriceChangeRecord{42, 199}));
  EXPECT_EQ(length_, 0);
  configure(kModelVt20, kVersionUsa);  // a model of neither family
  EXPECT_FALSE(convert(PriceChangeRecord{42, 199}));
}

TEST_F(PriceChangeEncoding, MarkdownTextsOnBlockScalesOnly) {
  struct Case {
    int version;
    MkdPriceChangeRecord change;
    const char* text;
  };
  const Case cases[] = {
      {kVersionUsa, {42, 150, 1, {}}, "32000042100150"},
      {kVersionNz, {42, 150, 1, {}}, "3201000042100150"},
      {kVersionThailand, {42, 150, 1, {}}, "67020000421000150"},
      // A flag read as 255 is -1 on the scale: only its sign fits.
      {kVersionUsa, {42, 150, -1, {}}, "32000042-00150"},
      {kVersionNz, {42, 1234567, 12, {}}, "3201000042112345"},
  };
  for (const Case& c : cases) {
    configure(kModelVt30, c.version);
    ASSERT_TRUE(convert(c.change)) << c.text;
    EXPECT_EQ(text(), c.text);
  }
  for (int model : {kModelVt40, kModelMerioPro}) {
    configure(model, kVersionNz);
    EXPECT_FALSE(convert(MkdPriceChangeRecord{42, 150, 1, {}}));
    EXPECT_EQ(length_, 0);
  }
}

TEST_F(PriceChangeEncoding, TooSmallBufferGivesNothing) {
  PriceChangeRecord change{42, 199};
  configure(kModelVt40, kVersionNz);
  EXPECT_FALSE(convertPriceChange(scale_, &change, code_, std::span(buffer_).first(16), length_));
  configure(kModelVt30, kVersionUsa);
  // 14 characters and the NUL behind them.
  EXPECT_FALSE(convertPriceChange(scale_, &change, code_, std::span(buffer_).first(14), length_));
  EXPECT_TRUE(convertPriceChange(scale_, &change, code_, std::span(buffer_).first(15), length_));
  EXPECT_EQ(length_, 14);
}

// Reached through the dispatch, as the import reader and export writer do.
TEST(PriceChangeColumns, StandardAndFixedWidthLists) {
  FieldTable price;
  buildFieldTable(price, 6, 1);
  FieldTable fixed;
  buildFixedFieldTable(fixed, 6, 1);
  FieldTable markdown;
  buildFieldTable(markdown, 7, 1);
  FieldTable markdownFixed;
  buildFixedFieldTable(markdownFixed, 7, 1);
  ASSERT_EQ(price.count(), 2);
  ASSERT_EQ(fixed.count(), 2);
  ASSERT_EQ(markdown.count(), 3);
  EXPECT_EQ(markdownFixed.count(), 0);
  EXPECT_STREQ(price.get(1)->name, "UnitPrice");
  EXPECT_EQ(price.get(1)->offset, offsetof(PriceChangeRecord, unitPrice));
  EXPECT_EQ(fixed.get(0)->linePos, 0u);
  EXPECT_EQ(fixed.get(0)->lineLen, 6u);
  EXPECT_EQ(fixed.get(1)->linePos, 6u);
  EXPECT_EQ(fixed.get(1)->lineLen, 8u);
  EXPECT_STREQ(markdown.get(1)->name, "MarkFlag");
  EXPECT_EQ(markdown.get(1)->kind, FieldKind::Byte);
  EXPECT_EQ(markdown.get(1)->offset, offsetof(MkdPriceChangeRecord, markFlag));
  EXPECT_STREQ(markdown.get(2)->name, "MarkPrice");
  EXPECT_EQ(markdown.get(2)->offset, offsetof(MkdPriceChangeRecord, markPrice));
  for (FieldTable* table : {&price, &fixed, &markdown}) table->clearAndFree();
}

}  // namespace
}  // namespace tolvan

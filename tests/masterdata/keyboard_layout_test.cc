#include "masterdata/keyboard_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/driver.h"
#include "dispatch/field_tables.h"
#include "records/deletion_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

class KeyboardEncoding : public ::testing::Test {
 protected:
  void configure(int model, int version = kVersionNz) {
    scale_.model = model;
    scale_.version = version;
  }
  bool convert(KeyboardRecord key) {
    reset();
    return convertKeyboard(scale_, &key, code_, buffer_, length_);
  }
  bool remove(int32_t keyNo) {
    reset();
    DeletionRecord deletion{9, keyNo};
    return convertKeyboardDeletion(scale_, &deletion, code_, buffer_, length_);
  }
  bool request() {
    reset();
    return buildKeyboardUploadRequest(scale_, code_, buffer_, length_);
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

TEST_F(KeyboardEncoding, BlockTextsPutKeysOnTwoPages) {
  struct Case {
    int version;
    KeyboardRecord key;
    const char* text;
  };
  const Case cases[] = {
      {kVersionUsa, {5, 1, 123}, "640051000123"},
      {kVersionNz, {5, 1, 123}, "38020051000123"},
      {kVersionNz, {100, 2, 7}, "38021122000007"},
      {kVersionUsa, {100, 2, 7}, "641122000007"},
      {kVersionNz, {88, 0, 0}, "38020880000000"},
      {kVersionNz, {89, 3, 1}, "38021013000001"},
      {kVersionNz, {176, 9, 999999}, "38021889999999"},
      // A type of two characters leaves its first, data of seven digits its first six.
      {kVersionUsa, {1, 42, 1234567}, "640014123456"},
      {kVersionUsa, {1, -1, -5}, "64001--00000"},
  };
  for (const Case& c : cases) {
    configure(kModelVt30, c.version);
    ASSERT_TRUE(convert(c.key)) << c.text;
    EXPECT_EQ(text(), c.text);
    EXPECT_EQ(buffer_[length_], 0);
  }
  configure(kModelLm50);
  for (int32_t keyNo : {0, 177, -1}) {
    EXPECT_FALSE(convert({keyNo, 1, 1})) << keyNo;
    EXPECT_EQ(length_, 0);
  }
}

TEST_F(KeyboardEncoding, MessageRecordsKeepWholeKeysWithinTheModelsRange) {
  configure(kModelMerioPro);
  ASSERT_TRUE(convert({5, 1, 123}));
  EXPECT_EQ(code_, 36);
  EXPECT_EQ(bytes(), (Bytes{0x36, 0, 0, 0, 0, 0, 6, 0, 5, 1, 0x00, 0x00, 0x01, 0x23}));
  EXPECT_FALSE(convert({89, 1, 123}));  // "meriopro" has one page
  EXPECT_EQ(length_, 0);
  configure(kModelVt40);
  ASSERT_TRUE(convert({89, 2, 12345678}));
  EXPECT_EQ(bytes(), (Bytes{0x36, 0, 0, 0, 0, 0, 6, 0, 89, 2, 0x12, 0x34, 0x56, 0x78}));
  ASSERT_TRUE(convert({176, 1, 0}));
  EXPECT_EQ(buffer_[8], 176);
  EXPECT_FALSE(convert({177, 1, 0}));
  EXPECT_FALSE(convert({0, 1, 0}));
  configure(kModelVt20);  // a model of neither family
  EXPECT_FALSE(convert({5, 1, 123}));
}

TEST_F(KeyboardEncoding, DeletionsClearTheWholeBlockKeyboardOrOneMessageKey) {
  configure(kModelVt30, kVersionUsa);
  ASSERT_TRUE(remove(0));
  EXPECT_EQ(text(), "15");
  EXPECT_FALSE(remove(3));
  EXPECT_EQ(length_, 0);
  configure(kModelPmx, kVersionNz);
  ASSERT_TRUE(remove(0));
  EXPECT_EQ(text(), "1501");

  configure(kModelVt40);
  ASSERT_TRUE(remove(150));
  EXPECT_EQ(code_, 6);
  EXPECT_EQ(bytes(), Bytes{0x50});
  ASSERT_TRUE(remove(0));
  EXPECT_EQ(bytes(), Bytes{0x00});
  // Cut to two digits these would become 00, which clears every key.
  EXPECT_FALSE(remove(200));
  configure(kModelMerioPro);
  EXPECT_FALSE(remove(100));
  ASSERT_TRUE(remove(88));
  EXPECT_EQ(bytes(), Bytes{0x88});
}

TEST_F(KeyboardEncoding, OnlyMessageScalesAreAskedForTheirKeyboard) {
  configure(kModelMerioPro);
  ASSERT_TRUE(request());
  EXPECT_EQ(code_, 56);
  EXPECT_EQ(bytes(), (Bytes{0, 0, 0, 0}));
  configure(kModelVt40);
  ASSERT_TRUE(request());
  EXPECT_EQ(bytes(), (Bytes{0, 0, 0, 0, 0}));
  for (int model : {kModelVt30, kModelPmx, kModelLm50}) {
    configure(model);
    EXPECT_FALSE(request());
    EXPECT_EQ(length_, 0);
  }
}

class ReceivedKeyboard : public ::testing::Test {
 protected:
  ReceivedKeyboard() {
    for (ScaleEntry* scale : {&first_, &second_}) {
      scale->driver = &driver_;
      scale->model = kModelVt40;
      scale->dataType = 9;
    }
  }
  const KeyboardRecord& kept(int i) const { return *static_cast<const KeyboardRecord*>(driver_.records.get(i)); }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry first_{"first", 0, 594};
  ScaleEntry second_{"second", 1, 594};
};

TEST_F(ReceivedKeyboard, FirstArrivalOfAKeyStaysAndKeysAbove88ReadWhole) {
  ASSERT_TRUE(handleReceivedKeyboard(first_, Bytes{150, 3, 0x00, 0x12, 0x34, 0x56}));
  ASSERT_TRUE(handleReceivedKeyboard(second_, Bytes{150, 4, 0x00, 0x00, 0x00, 0x01}));
  second_.model = kModelMerioPro;
  ASSERT_TRUE(handleReceivedKeyboard(second_, Bytes{7, 1, 0x00, 0x00, 0x00, 0x09, 0xAA}));
  ASSERT_EQ(driver_.records.count(), 2);
  EXPECT_EQ(kept(0).keyNo, 150);
  EXPECT_EQ(kept(0).keyType, 3);
  EXPECT_EQ(kept(0).data, 123456);
  EXPECT_EQ(kept(1).keyNo, 7);
  EXPECT_EQ(kept(1).data, 9);
}

TEST_F(ReceivedKeyboard, BlockScalesAndShortRecordsKeepNothing) {
  first_.model = kModelVt30;
  EXPECT_FALSE(handleReceivedKeyboard(first_, Bytes{5, 1, 0, 0, 0, 1}));
  EXPECT_FALSE(handleReceivedKeyboard(second_, Bytes{5, 1, 0, 0, 0}));
  EXPECT_FALSE(handleReceivedKeyboard(second_, Bytes{}));
  EXPECT_EQ(driver_.records.count(), 0);
}

TEST(KeyboardColumns, KeyTypeAndDataAreWholeNumbers) {
  FieldTable table;
  buildFieldTable(table, 9, 1);
  ASSERT_EQ(table.count(), 3);
  const char* names[] = {"Key_No", "Type", "Data"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(table.get(i)->name, names[i]);
    EXPECT_EQ(table.get(i)->kind, FieldKind::Long);
    EXPECT_EQ(table.get(i)->offset, 4u * i);
  }
  table.clearAndFree();
}

}  // namespace
}  // namespace tolvan

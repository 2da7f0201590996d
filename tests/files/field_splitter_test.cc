#include "files/field_splitter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "files/line_reader.h"

namespace tolvan {
namespace {

// Splits a copy of `line` and returns the fields as strings.
std::vector<std::string> split(std::string line, char separator = ',', bool* result = nullptr) {
  FieldList fields;
  bool ok = splitFields(line.data(), fields, separator);
  if (result != nullptr) *result = ok;
  std::vector<std::string> out;
  for (int i = 0; i < fields.count(); ++i) out.emplace_back(fields.get(i));
  return out;
}

using Fields = std::vector<std::string>;

TEST(SplitFields, SeparatorsEmptyFieldsAndTrailingSeparator) {
  EXPECT_EQ(split("a,b"), (Fields{"a", "b"}));
  EXPECT_EQ(split("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(split("a,b,"), (Fields{"a", "b"}));
  EXPECT_EQ(split("a,b,   "), (Fields{"a", "b"}));
  EXPECT_EQ(split("a;b", ';'), (Fields{"a", "b"}));
}

TEST(SplitFields, BlanksAreTrimmedBeforeAFieldNeverBehindIt) {
  EXPECT_EQ(split("a, b"), (Fields{"a", "b"}));
  EXPECT_EQ(split("  a ,  b  "), (Fields{"a ", "b  "}));
  bool ok = false;
  EXPECT_TRUE(split("    ", ',', &ok).empty());
  EXPECT_TRUE(ok);
  EXPECT_TRUE(split("").empty());
}

TEST(SplitFields, SeparatorInsideQuotesStaysInTheQuotedField) {
  EXPECT_EQ(split("\"x,y\",z"), (Fields{"\"x,y\"", "z"}));
  EXPECT_EQ(split("\"a\"\"b,c\",d"), (Fields{"\"a\"\"b,c\"", "d"}));
  // An unbalanced quote swallows the rest of the line.
  EXPECT_EQ(split("\"open,x,y"), (Fields{"\"open,x,y"}));
}

TEST(SplitFields, CommentLinesGiveNoFields) {
  for (const char* line : {";x,y", "*x,y", "//x,y"}) {
    bool ok = true;
    EXPECT_TRUE(split(line, ',', &ok).empty()) << line;
    EXPECT_FALSE(ok) << line;
  }
  EXPECT_EQ(split(" ;x,y"), (Fields{";x", "y"}));
  EXPECT_EQ(split("/x"), (Fields{"/x"}));
}

TEST(SplitFields, ListIsEmptiedBeforeEveryLine) {
  FieldList fields;
  std::string first = "a,b,c";
  std::string second = "d";
  std::string comment = ";e";
  splitFields(first.data(), fields, ',');
  splitFields(second.data(), fields, ',');
  EXPECT_EQ(fields.count(), 1);
  splitFields(comment.data(), fields, ',');
  EXPECT_EQ(fields.count(), 0);
}

TEST(Unquote, RemovesQuotesAndUndoublesOnlyWhenAsked) {
  std::string v = "\"ab\"\"c\"";
  EXPECT_STREQ(unquote(v.data(), true), "ab\"c");
  v = "\"ab\"\"c\"";
  EXPECT_STREQ(unquote(v.data(), false), "ab\"\"c");
}

TEST(Unquote, LastCharacterGoesWhateverItIs) {
  std::string v = "\"abc";
  EXPECT_STREQ(unquote(v.data(), false), "ab");
  for (const char* same : {"\"", "", "abc\"", "x"}) {
    std::string w = same;
    EXPECT_STREQ(unquote(w.data(), true), same);
  }
  std::string two = "\"\"";
  EXPECT_STREQ(unquote(two.data(), true), "");
}

class CutFixedColumns : public ::testing::Test {
 protected:
  void SetUp() override {
    columns_.append(new FieldDef("A", FieldKind::Long, 4, 0, 0, 3));
    columns_.append(new FieldDef("B", FieldKind::Long, 4, 0, 5, 2));
    columns_.append(new FieldDef("Rest", FieldKind::Description, 2047, 0, 8, 0));
  }
  void TearDown() override { columns_.clearAndFree(); }

  Fields cut(const std::string& text, bool* result = nullptr) {
    std::string line = text;
    FieldList fields;
    bool ok = cutFixedColumns(line.data(), columns_, fields, work_.get(), kFixedWorkSize);
    if (result != nullptr) *result = ok;
    Fields out;
    for (int i = 0; i < fields.count(); ++i) out.emplace_back(fields.get(i));
    return out;
  }

  FieldTable columns_;
  std::unique_ptr<char[]> work_{new char[kFixedWorkSize]};
};

TEST_F(CutFixedColumns, CutsEachColumnAndTheLastToTheEndOfTheLine) {
  EXPECT_EQ(cut("123xx45yabc def"), (Fields{"123", "45", "abc def"}));
}

TEST_F(CutFixedColumns, LineCutShortGivesNoFieldsBehindItsEnd) {
  EXPECT_EQ(cut("123xx4"), (Fields{"123", "4"}));
  EXPECT_EQ(cut("123xx45"), (Fields{"123", "45"}));
  EXPECT_EQ(cut("12"), (Fields{"12"}));
  // The line ends in the gap before a column: that column is empty.
  EXPECT_EQ(cut("123x"), (Fields{"123", ""}));
}

TEST_F(CutFixedColumns, ColumnsStopAtTheLongestLegalLine) {
  std::string line = "123xx45y" + std::string(4000, 'd');
  Fields fields = cut(line);
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[2].size(), static_cast<size_t>(kMaxLineLen - 8));
}

TEST_F(CutFixedColumns, CommentLineGivesFalse) {
  bool ok = true;
  EXPECT_TRUE(cut("*23xx45yabc", &ok).empty());
  EXPECT_FALSE(ok);
}

TEST_F(CutFixedColumns, SmallWorkBufferIsNeverOverrun) {
  std::string line = "123xx45yabcdef";
  FieldList fields;
  char work[6] = {0, 0, 0, 0, 0, 0};
  cutFixedColumns(line.data(), columns_, fields, work, sizeof work);
  ASSERT_EQ(fields.count(), 1);
  EXPECT_STREQ(fields.get(0), "123");
}

}  // namespace
}  // namespace tolvan

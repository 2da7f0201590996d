#include "files/field_splitter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "files/line_reader.h"

namespace tolvan {
namespace {

using Fields = std::vector<std::string>;

Fields strings(const FieldList& fields) {
  Fields out;
  for (int i = 0; i < fields.count(); ++i) out.emplace_back(fields.get(i));
  return out;
}

class CutFixedColumns : public ::testing::Test {
 protected:
  void SetUp() override {
    columns_.append(new FieldDef("A", FieldKind::Long, 4, 0, 0, 3));
    columns_.append(new FieldDef("B", FieldKind::Long, 4, 0, 5, 2));
    columns_.append(new FieldDef("Rest", FieldKind::Description, 2047, 0, 8, 0));
  }
  void TearDown() override { columns_.clearAndFree(); }

  Fields cut(std::string line, bool ok = true, size_t workSize = kFixedWorkSize) {
    FieldList fields;
    EXPECT_EQ(cutFixedColumns(line.data(), columns_, fields, work_.get(), workSize), ok) << line;
    return strings(fields);
  }

  FieldTable columns_;
  std::unique_ptr<char[]> work_{new char[kFixedWorkSize]};
};

TEST_F(CutFixedColumns, SmallWorkBufferIsNeverOverrun) {
  std::string line = "123xx45yabcdef";
  FieldList fields;
  char work[8] = {0, 0, 0, 0, 0, 0, 0x5A, 0x5A};
  cutFixedColumns(line.data(), columns_, fields, work, 6);
  EXPECT_EQ(strings(fields), (Fields{"123"}));
  EXPECT_EQ(work[6], 0x5A);
}

}  // namespace
}  // namespace tolvan

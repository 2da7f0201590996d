#include "files/export_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "files/file_test_support.h"
#include "files/work_files.h"
#include "plu/plu_record.h"

namespace tolvan {
namespace {

using Strings = std::vector<std::string>;

Strings split(const std::string& line, char separator) {
  Strings fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.push_back("");
  return fields;
}

class ExportWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    driver_.options.dataFile = run_.dir.file("export.txt");
    driver_.options.mode = kModeReceive;
    driver_.options.dataType = 1;
  }
  PluRecord& addPlu(int32_t pluNo) {
    auto* plu = allocRecord<PluRecord>();
    plu->pluNo = pluNo;
    driver_.records.append(plu);
    return *plu;
  }
  std::string exported() const { return run_.dir.read("export.txt"); }
  // Writes the export and returns its lines, each without its CR LF.
  Strings writeLines() {
    EXPECT_EQ(writeExportFile(driver_), kMsgOk);
    std::string all = exported();
    Strings out;
    for (size_t at = 0, end; at < all.size(); at = end + 2) {
      end = all.find("\r\n", at);
      if (end == std::string::npos) {
        out.push_back(all.substr(at) + "<no CR LF>");
        break;
      }
      out.push_back(all.substr(at, end - at));
    }
    return out;
  }

  testing::DriverInTempDir run_;
  Driver& driver_ = run_.driver;
};

TEST_F(ExportWriter, RecordLinesFollowTheHeaderLineAndTheNumberRules) {
  Strings header = split(writeLines().at(0), ',');  // no records: the header line only
  ASSERT_EQ(header.size(), 46u);
  EXPECT_EQ(header.front(), "Plu_No");
  EXPECT_EQ(header[13], "Coupon");
  EXPECT_EQ(header.back(), "Desc");
  PluRecord& first = addPlu(9);
  first.unitPrice = -125;  // Long: signed
  first.logo1 = 65535;     // Short: unsigned
  first.salesMode = 200;   // Byte: unsigned
  std::strcpy(first.posCode, "12,34");
  std::strcpy(first.desc, "Ham, smoked");
  addPlu(3);
  Strings got = writeLines();
  ASSERT_EQ(got.size(), 3u);
  // Texts go out as they are, separators and all: two fields more.
  Strings expected(48, "0");
  for (auto [at, value] : {std::pair<size_t, const char*>{0, "9"}, {2, "-125"}, {15, "65535"}, {33, "12"},
                           {34, "34"}, {37, "200"}, {46, "Ham"}, {47, " smoked"}}) {
    expected[at] = value;
  }
  EXPECT_EQ(split(got[1], ','), expected);
  std::string zeros32, zeros11;
  for (int i = 0; i < 32; ++i) zeros32 += ",0";
  for (int i = 0; i < 11; ++i) zeros11 += ",0";
  EXPECT_EQ(got[2], "3" + zeros32 + "," + zeros11 + ",");
}

TEST_F(ExportWriter, DescriptionsAsFontTextPairs) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x1b" "C1Hello\x1b" "C2World", "1,\"Hello\",2,\"World\""},
      {"\x1b" "C3Big \x1b" "D1bold\x1b" "D1 end", "3\t\"Big bold end\""},
      {"\x1b" "D1x", ",\"x\""},
      {"plain text", "\"\""},
      {"", ""},
      {"\x1b" "C", ",\"\""},  // cut escape: no font, stays in bounds
  };
  for (const auto& [desc, pairs] : cases) {
    char separator = pairs.find('\t') == std::string::npos ? ',' : '\t';
    EXPECT_EQ(formatFontPairs(desc.c_str(), separator), pairs);
  }
  driver_.options.descFontPairs = true;
  std::strcpy(addPlu(1).desc, "\x1b" "C1Hello\x1b" "C2World");
  Strings got = writeLines();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[1].ends_with(",1,\"Hello\",2,\"World\"")) << got[1];
}

TEST_F(ExportWriter, UnwritableFileIsMessage15) {
  driver_.options.dataFile = run_.dir.file("no_such_dir/export.txt");
  EXPECT_EQ(writeExportFile(driver_), kMsgCannotOpenTextFile);
  EXPECT_NE(run_.logText().find("Cannot open text file : " + *driver_.options.dataFile), std::string::npos);
  driver_.options.dataFile.reset();
  EXPECT_EQ(writeExportFile(driver_), kMsgCannotOpenTextFile);
}

TEST_F(ExportWriter, TotalsCopyTheWorkFilesInScaleTableOrder) {
  driver_.options.dataType = 11;  // "pluprod"
  for (const char* name : {"exp_b", "exp_missing", "exp_a"}) {
    ASSERT_LE(run_.dir.file(name).size(), kScaleNameMax);
    driver_.scales.append(new ScaleEntry(run_.dir.file(name), driver_.scales.count(), 594));
  }
  std::string big = std::string(70000, 'x') + "\r\n";  // more than two copy chunks
  run_.write("exp_bWrk.txt", "b1\r\nb2\r\n");
  run_.write("exp_aWrk.txt", big);
  ASSERT_EQ(writeExportFile(driver_), kMsgOk);
  std::string all = exported();
  EXPECT_EQ(all.substr(all.find("\r\n") + 2), "b1\r\nb2\r\n" + big);
}

}  // namespace
}  // namespace tolvan

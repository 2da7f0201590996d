// The export file of a receive run: header line, one line per received
// record with the number and text rules, font/text pairs, the totals work
// files in scale-table order, and message 15.
#include "files/export_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "files/work_files.h"
#include "frame/driver.h"
#include "records/plu_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class ExportWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    exportPath_ = ::testing::TempDir() + "export_" + test + ".txt";
    logPath_ = ::testing::TempDir() + "export_" + test + ".log";
    std::remove(exportPath_.c_str());
    std::remove(logPath_.c_str());
    driver_.options.dataFile = exportPath_;
    driver_.options.logFile = logPath_;
    driver_.options.mode = kModeReceive;
    driver_.options.dataType = 1;
  }
  void TearDown() override {
    std::remove(exportPath_.c_str());
    std::remove(logPath_.c_str());
  }

  PluRecord& addPlu(int32_t pluNo) {
    auto* plu = allocRecord<PluRecord>();
    plu->pluNo = pluNo;
    driver_.records.append(plu);
    return *plu;
  }
  std::string exported() const { return readAll(exportPath_); }
  // The lines of the export, each without its CR LF.
  std::vector<std::string> lines() const {
    std::string all = exported();
    std::vector<std::string> out;
    for (size_t at = 0; at < all.size();) {
      size_t end = all.find("\r\n", at);
      if (end == std::string::npos) {
        out.push_back(all.substr(at) + "<no CR LF>");
        break;
      }
      out.push_back(all.substr(at, end - at));
      at = end + 2;
    }
    return out;
  }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  std::string exportPath_;
  std::string logPath_;
};

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.push_back("");
  return fields;
}

TEST_F(ExportWriter, NoRecordsGiveTheHeaderLineOnly) {
  ASSERT_EQ(writeExportFile(driver_), kMsgOk);
  std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 1u);
  std::vector<std::string> names = split(got[0], ',');
  ASSERT_EQ(names.size(), 46u);
  EXPECT_EQ(names.front(), "Plu_No");
  EXPECT_EQ(names[13], "Coupon");
  EXPECT_EQ(names.back(), "Desc");
}

TEST_F(ExportWriter, RecordLinesFollowTheListAndTheNumberRules) {
  PluRecord& first = addPlu(9);
  first.unitPrice = -125;   // Long: signed
  first.logo1 = 65535;      // Short: unsigned
  first.salesMode = 200;    // Byte: unsigned
  std::strcpy(first.posCode, "12,34");
  std::strcpy(first.desc, "Ham, smoked");
  addPlu(3);
  ASSERT_EQ(writeExportFile(driver_), kMsgOk);
  std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 3u);
  // Texts go out as they are, separators and all: two fields more.
  std::vector<std::string> values = split(got[1], ',');
  ASSERT_EQ(values.size(), 48u);
  EXPECT_EQ(values[0], "9");
  EXPECT_EQ(values[2], "-125");
  EXPECT_EQ(values[15], "65535");
  EXPECT_EQ(values[33], "12");
  EXPECT_EQ(values[34], "34");
  EXPECT_EQ(values[37], "200");
  EXPECT_EQ(values[46], "Ham");
  EXPECT_EQ(values[47], " smoked");
  std::string zeros32, zeros11;
  for (int i = 0; i < 32; ++i) zeros32 += ",0";
  for (int i = 0; i < 11; ++i) zeros11 += ",0";
  EXPECT_EQ(got[2], "3" + zeros32 + "," + zeros11 + ",");
}

TEST_F(ExportWriter, TabSeparatorIsUsedThroughout) {
  driver_.options.separator = '\t';
  addPlu(5).unitPrice = 250;
  ASSERT_EQ(writeExportFile(driver_), kMsgOk);
  std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].find(','), std::string::npos);
  EXPECT_EQ(split(got[0], '\t').size(), 46u);
  std::vector<std::string> values = split(got[1], '\t');
  ASSERT_EQ(values.size(), 46u);
  EXPECT_EQ(values[0], "5");
  EXPECT_EQ(values[2], "250");
  EXPECT_EQ(values[45], "");
}

TEST_F(ExportWriter, DescriptionsAsFontTextPairs) {
  EXPECT_EQ(formatFontPairs("\x1b" "C1Hello\x1b" "C2World", ','), "1,\"Hello\",2,\"World\"");
  EXPECT_EQ(formatFontPairs("\x1b" "C3Big \x1b" "D1bold\x1b" "D1 end", '\t'), "3\t\"Big bold end\"");
  EXPECT_EQ(formatFontPairs("\x1b" "D1x", ','), ",\"x\"");
  EXPECT_EQ(formatFontPairs("plain text", ','), "\"\"");
  EXPECT_EQ(formatFontPairs("", ','), "");
  EXPECT_EQ(formatFontPairs("\x1b" "C", ','), ",\"\"");  // cut escape: no font, stays in bounds

  driver_.options.descFontPairs = true;
  std::strcpy(addPlu(1).desc, "\x1b" "C1Hello\x1b" "C2World");
  ASSERT_EQ(writeExportFile(driver_), kMsgOk);
  std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[1].ends_with(",1,\"Hello\",2,\"World\"")) << got[1];
}

TEST_F(ExportWriter, UnwritableFileIsMessage15) {
  driver_.options.dataFile = ::testing::TempDir() + "no_such_dir/export.txt";
  EXPECT_EQ(writeExportFile(driver_), kMsgCannotOpenTextFile);
  EXPECT_NE(readAll(logPath_).find("Cannot open text file : " + *driver_.options.dataFile), std::string::npos);
  driver_.options.dataFile.reset();
  EXPECT_EQ(writeExportFile(driver_), kMsgCannotOpenTextFile);
}

TEST_F(ExportWriter, TotalsCopyTheWorkFilesInScaleTableOrder) {
  driver_.options.dataType = 11;  // "pluprod"
  std::vector<std::string> names;
  for (const char* n : {"exp_b", "exp_missing", "exp_a"}) {
    std::string name = ::testing::TempDir() + n;
    ASSERT_LE(name.size(), kScaleNameMax);
    auto* scale = new ScaleEntry(name, static_cast<int>(names.size()), 594);
    driver_.scales.append(scale);
    names.push_back(name);
  }
  std::string big(70000, 'x');  // more than two copy chunks
  big += "\r\n";
  writeAll(workFileName(*driver_.scales.get(0)), "b1\r\nb2\r\n");
  std::remove(workFileName(*driver_.scales.get(1)).c_str());
  writeAll(workFileName(*driver_.scales.get(2)), big);
  ASSERT_EQ(writeExportFile(driver_), kMsgOk);
  std::string all = exported();
  size_t body = all.find("\r\n") + 2;
  EXPECT_EQ(all.substr(body), "b1\r\nb2\r\n" + big);
  for (int i = 0; i < driver_.scales.count(); ++i) std::remove(workFileName(*driver_.scales.get(i)).c_str());
}

}  // namespace
}  // namespace tolvan

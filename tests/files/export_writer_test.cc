#include "files/export_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/file_test_support.h"
#include "files/work_files.h"
#include "plu/plu_record.h"

namespace tolvan {
namespace {

class ExportWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    driver_.options.dataFile = run_.dir.file("export.txt");
    driver_.options.mode = kModeReceive;
    driver_.options.dataType = 1;
  }
  void addPlu(int32_t pluNo, const char* desc) {
    PluRecord plu{};
    plu.pluNo = pluNo;
    std::strcpy(plu.desc, desc);
    driver_.records.appendImage(&plu, sizeof plu);
  }
  std::string exported() const { return run_.dir.read("export.txt"); }

  testing::DriverInTempDir run_;
  Driver& driver_ = run_.driver;
};

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
  addPlu(1, "\x1b" "C1Hello\x1b" "C2World");
  ASSERT_EQ(writeExportFile(driver_), kMsgOk);
  EXPECT_TRUE(exported().ends_with(",1,\"Hello\",2,\"World\"\r\n")) << exported();
}

// A scale's text cannot forge a row: its CR and LF are written as spaces,
// plain or as font/text pairs.
TEST_F(ExportWriter, ReceivedLineBreaksBecomeSpaces) {
  addPlu(1, "\x1b" "C1Apple\r\n2,forged\rrow\n");
  for (bool pairs : {false, true}) {
    driver_.options.descFontPairs = pairs;
    ASSERT_EQ(writeExportFile(driver_), kMsgOk);
    EXPECT_TRUE(exported().ends_with(pairs ? ",1,\"Apple  2,forged row \"\r\n" : ",\x1b" "C1Apple  2,forged row \r\n"))
        << exported();
  }
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
  testing::CurrentDir inside(run_.dir.path());  // work files are named relative to it
  for (const char* name : {"exp_b", "exp_missing", "exp_a"}) {
    driver_.scales.append(new ScaleEntry(name, driver_.scales.count(), 594));
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

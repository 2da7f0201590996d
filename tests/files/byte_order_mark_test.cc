// A byte-order mark at the start of a file is never data: the header of an
// import file behind one is still a header, and a configuration line behind
// one is still a setting. Line numbers for findings count every line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "files/file_test_support.h"
#include "files/import_reader.h"
#include "files/line_reader.h"
#include "plu/plu_record.h"

namespace tolvan {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(ByteOrderMark, ImportHeaderBehindItStillNamesTheColumns) {
  testing::DriverInTempDir run;
  run.driver.options.mode = kModeAdd;
  run.driver.options.dataFile = run.write("in.txt", kBom + "Dept,Plu_No,UnitPrice\r\n7,12,1.25\r\n");
  ASSERT_EQ(importFile(run.driver), kMsgOk);
  ASSERT_EQ(run.driver.records.count(), 1);
  const auto* plu = static_cast<const PluRecord*>(run.driver.records.get(0));
  EXPECT_EQ(plu->pluNo, 12);
  EXPECT_EQ(plu->dept, 7);
  EXPECT_EQ(plu->unitPrice, 125);
}

TEST(ByteOrderMark, ConfigurationLineBehindItIsASetting) {
  testing::DriverInTempDir run;
  run.driver.options.configFile = run.write("cfg.txt", kBom + "scale=Deli,ip=10.0.0.9\r\n");
  ASSERT_EQ(loadConfiguration(run.driver), kMsgOk);
  ASSERT_EQ(run.driver.scales.count(), 1);
  EXPECT_EQ(run.driver.scales.get(0)->name, "Deli");
  EXPECT_EQ(run.driver.log.timesLogged(kMsgInvalidSetupParam), 0);
}

TEST(ByteOrderMark, OnlyTheFirstThreeBytesOfTheFileAreSkippedAndLinesAreNumberedAsAnEditorDoes) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
    std::vector<int> physical;
    bool mark;
  };
  const Case cases[] = {
      {kBom + "a\r\n\r\nb\rc\n\nd", {"a", "b", "c", "d"}, {1, 3, 4, 6}, true},
      {"a\r\n" + kBom + "b", {"a", kBom + "b"}, {1, 2}, false},
      {"\xEF\xBB"
       "a",
       {"\xEF\xBB"
        "a"},
       {1},
       false},
      {kBom, {}, {}, true},
  };
  for (const Case& c : cases) {
    testing::DriverInTempDir run;
    std::FILE* file = std::fopen(run.write("in.txt", c.bytes).c_str(), "rb");
    std::vector<std::string> lines;
    std::vector<int> physical;
    {
      LineReader reader(file, run.driver.log);
      while (char* line = reader.nextLine()) {
        lines.emplace_back(line);
        physical.push_back(reader.physicalLine());
      }
      EXPECT_EQ(reader.hadByteOrderMark(), c.mark);
    }
    std::fclose(file);
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(physical, c.physical);
  }
}

}  // namespace
}  // namespace tolvan

#include "files/import_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "files/file_test_support.h"
#include "files/import_findings.h"
#include "files/read_ahead.h"
#include "files/record_collector.h"
#include "plu/plu_record.h"
#include "records/deletion_record.h"
#include "support/records.h"

namespace tolvan {
namespace {

using Keys = std::vector<int>;

// ESC and the two characters of a control sequence ("C1", "D3").
std::string esc(const char* two) { return std::string("\x1b") + two; }

class ImportTest : public ::testing::Test {
 protected:
  MessageCode import(const std::string& bytes, int format = kFormatStandard, int mode = kModeAdd) {
    run_.clearRecords();
    run_.driver.options.dataFile = run_.write("import.txt", bytes);
    run_.driver.options.dataFormat = format;
    run_.driver.options.dataType = 1;
    run_.driver.options.mode = mode;
    MessageCode code = importFile(run_.driver);
    expectTheLookToKeepTheSame(code);
    return code;
  }
  // A run's import takes the records its look at the file kept: every
  // import here is made that way too, by a driver of its own, and must give
  // the same outcome and the same records, byte for byte.
  void expectTheLookToKeepTheSame(MessageCode code) {
    testing::DriverInTempDir other;
    other.driver.options = run_.driver.options;
    other.driver.options.logFile = other.dir.file("log.txt");
    ReadAhead ahead;
    FindingList keeping;
    FindingList looking;
    (void)scanImportFile(other.driver.options, {}, keeping, &ahead);
    (void)scanImportFile(other.driver.options, {}, looking);
    EXPECT_EQ(texts(keeping), texts(looking));  // keeping the records changes no finding
    EXPECT_EQ(importFile(other.driver, &ahead), code);
    EXPECT_EQ(contents(other.driver), contents(run_.driver));
  }
  static std::vector<std::string> texts(const FindingList& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings) out.push_back(formatFinding(f));
    return out;
  }
  static std::vector<std::string> contents(const Driver& driver) {
    std::vector<std::string> out;
    for (int i = 0; i < driver.records.count(); ++i) {
      const RecordHeader& h = *driver.headers.get(i);
      const PackedRecord& r = *driver.records.get(i);
      RecordImage image;
      out.push_back(std::to_string(h.dataType) + "/" + std::to_string(h.mode) + "/" + std::to_string(h.key) + "@" +
                    std::to_string(h.line) + ":" + std::string(static_cast<const char*>(image.unpack(&r)), r.length));
    }
    return out;
  }
  Keys keys() const {
    Keys out;
    for (int i = 0; i < run_.driver.headers.count(); ++i) out.push_back(run_.driver.headers.get(i)->key);
    return out;
  }
  PluRecord plu(int index) const { return testing::recordAt<PluRecord>(run_.driver.records, index); }
  std::string desc(int index) const { return plu(index).desc; }
  bool logged(const std::string& text) const { return run_.logText().find(text) != std::string::npos; }

  testing::DriverInTempDir run_;
};

TEST_F(ImportTest, FontPairsBuildTheDescriptionBehindFont1) {
  ASSERT_EQ(import("Plu_No,Font1,UnitPrice\n9,1,5\n"), kMsgOk);  // without pairs Font1 is unknown
  EXPECT_EQ(plu(0).unitPrice, 5);
  EXPECT_EQ(desc(0), "");
  run_.driver.options.descFontPairs = true;
  ASSERT_EQ(import("Plu_No,Font1,UnitPrice\n9,1,Hello,X,World\n10,B,\"a\"\"b\",2,,7\n11,x,first\n"), kMsgOk);
  EXPECT_EQ(desc(0), esc("C1") + "Hello" + esc("C1") + "World");
  EXPECT_EQ(desc(1), esc("CB") + "a\"b");  // an empty text adds nothing; an odd last field is ignored
  EXPECT_EQ(desc(2), esc("C3") + "first");
  EXPECT_EQ(plu(0).unitPrice, 0);  // Font1 ended the header
}

TEST_F(ImportTest, HeaderBehindAByteOrderMarkStillNamesTheColumns) {
  ASSERT_EQ(import("\xEF\xBB\xBF" "Dept,Plu_No,UnitPrice\r\n7,12,1.25\r\n"), kMsgOk);
  EXPECT_EQ((std::tuple{plu(0).pluNo, plu(0).dept, plu(0).unitPrice}), (std::tuple{12, 7, 125}));
}

// Lines without a positive number and comment lines give no records.
TEST_F(ImportTest, LinesWithoutAPositiveNumberGiveNoRecords) {
  ASSERT_EQ(import("Plu_No,UnitPrice\n0,1\n-4,1\nx,1\n,1\n;5\n*6\n//7\n   \n\n8,1\n"), kMsgOk);
  EXPECT_EQ(keys(), (Keys{8}));
}

// More lines replaced than kept: the kept records move to blocks of their own.
TEST_F(ImportTest, ANumberReadAgainKeepsItsLastValues) {
  ASSERT_EQ(import("Plu_No,UnitPrice,Desc\n2,1,a\n1,1,first\n1,2,x\n1,3,\n2,4,b\n"), kMsgOk);
  EXPECT_EQ(keys(), (Keys{1, 2}));
  EXPECT_EQ((std::tuple{plu(0).unitPrice, desc(0), plu(1).unitPrice, desc(1)}), (std::tuple{3, "", 4, "b"}));
}

// Numbers written every way a file may hold them: the look at the file
// reads each as the import does (the cross-check in import()), and finds
// the same in a number written plainly as in the same number in quotes,
// which the look never takes for a plain one.
TEST_F(ImportTest, EveryWayOfWritingANumberReadsAlikeInTheLookAndTheImport) {
  std::mt19937 random(7);
  const std::string pieces[] = {"0", "1", "9", "12", "305", "7.", ".5", "1.25", "1.2.3", "-", "+", "x",
                                "99999", "4294967296", "32768", "128", "..", "\t", "1000000000"};
  // The first row gives UnitPrice one decimal place and ItemCode none; a
  // point before the digits is skipped, so the second has none.
  std::string plain = "Plu_No,UnitPrice,Tare,SalesMode,ItemCode,Dept,Group\n999,1.5,1,1,12,1,1\n998,.5,1,1,12,1,1\n";
  std::string quoted = "Plu_No,UnitPrice,Tare,SalesMode,ItemCode,Dept,Group\n999,\"1.5\",1,1,12,1,1\n998,\".5\",1,1,12,1,1\n";
  for (int row = 1; row <= 400; ++row) {
    plain += std::to_string(row % 350 + 1);
    quoted += std::to_string(row % 350 + 1);
    for (int column = 0; column < 6; ++column) {
      std::string field;
      for (int n = static_cast<int>(random() % 2) + 1; n > 0; --n) field += pieces[random() % std::size(pieces)];
      plain += "," + field;
      quoted += ",\"" + field + "\"";
    }
    plain += "\n";
    quoted += "\n";
  }
  auto findings = [&] {
    FindingList found;
    EXPECT_EQ(scanImportFile(run_.driver.options, {}, found), kMsgOk);
    std::vector<std::string> texts;
    for (const Finding& f : found) texts.push_back(formatFinding(f));
    return texts;
  };
  ASSERT_EQ(import(quoted), kMsgOk);
  const std::vector<std::string> fromQuoted = findings();
  ASSERT_EQ(import(plain), kMsgOk);
  EXPECT_EQ(findings(), fromQuoted);
  EXPECT_GT(fromQuoted.size(), 100u);
}

// Kept to its low 32 bits, deletion 4294967296 would be deletion 0: every
// record of the type gone from every scale.
TEST_F(ImportTest, NumbersBeyond32BitsDoNotRead) {
  ASSERT_EQ(import("RecNo\n4294967296\n4294967295\n99999999999999999999\n7\n", kFormatStandard, kModeDelete), kMsgOk);
  EXPECT_EQ(keys(), (Keys{7}));
  ASSERT_EQ(import("Plu_No,UnitPrice\n4294967297,1\n3,99999999999\n"), kMsgOk);
  EXPECT_EQ((std::tuple{keys(), plu(0).unitPrice}), (std::tuple{Keys{3}, 0}));  // the price as if unreadable
}

TEST_F(ImportTest, DescriptionsStayBelow2048InEveryForm) {
  std::string text(3000, 'd');
  ASSERT_EQ(import("Plu_No,Desc\n1," + text + "\n"), kMsgOk);
  EXPECT_EQ(desc(0).size(), 2047u);
  std::string wmsmart = "bc0\x1fp#1\x1f" "dt" + text + "\r\n";
  for (int i = 0; i < 5; ++i) wmsmart += text + "\r\n";
  ASSERT_EQ(import(wmsmart, kFormatWmsmart), kMsgOk);
  EXPECT_EQ(desc(0).size(), 2046u);
  run_.driver.options.descFontPairs = true;
  ASSERT_EQ(import("Plu_No,Font1\n1,1," + text + ",2," + text.substr(0, 10) + "\n"), kMsgOk);
  EXPECT_EQ(desc(0).size(), 2046u);
}

TEST_F(ImportTest, OutcomesOfTheRunAreLoggedOnce) {
  run_.driver.options.dataFormat = kFormatStandard;
  EXPECT_EQ(importFile(run_.driver), kMsgNoImportFile);
  EXPECT_TRUE(logged(" Error 0010:No import data file specified"));
  run_.driver.options.dataFile = run_.dir.file("missing.txt");
  EXPECT_EQ(importFile(run_.driver), kMsgCannotOpenTextFile);
  EXPECT_TRUE(logged("Cannot open text file : " + run_.dir.file("missing.txt")));
  EXPECT_EQ(import(""), kMsgNoImportData);
  EXPECT_EQ(import("Foo,Bar\n1,2\n"), kMsgNoImportData);
  EXPECT_EQ(import("UnitPrice,Tare\n1,2\n"), kMsgNoImportData);  // no key column
  EXPECT_EQ(import(";Plu_No\n"), kMsgNoImportData);
  EXPECT_TRUE(logged("No data in import text file : " + run_.dir.file("import.txt")));
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgNoImportData), 4);
  std::string before = run_.logText();
  EXPECT_EQ(import("Plu_No\n1\n", kFormatTops), kMsgNotSupported);  // silently
  EXPECT_EQ(run_.logText(), before);
  EXPECT_EQ(run_.driver.records.count(), 0);
}

// The run's import takes what the look kept only while the file and the
// options that decide its records are what the look read; else it reads
// the file itself.
TEST_F(ImportTest, TheLooksRecordsStandOnlyForTheFileAsItWas) {
  DriverOptions& options = run_.driver.options;
  options.dataFile = run_.write("import.txt", "Plu_No,UnitPrice\n1,5\n");
  options.mode = kModeAdd;
  auto lookThenImport = [&](const std::function<void()>& between, MessageCode expected = kMsgOk) {
    run_.clearRecords();
    ReadAhead ahead;
    FindingList findings;
    EXPECT_EQ(scanImportFile(options, {}, findings, &ahead), kMsgOk);
    between();
    EXPECT_EQ(importFile(run_.driver, &ahead), expected);
    return ahead.collector() == nullptr;  // handed over
  };
  EXPECT_TRUE(lookThenImport([] {}));
  EXPECT_EQ((std::tuple{keys(), plu(0).unitPrice}), (std::tuple{Keys{1}, 5}));
  EXPECT_FALSE(lookThenImport([&] { run_.write("import.txt", "Plu_No,UnitPrice\n1,6\n2,7\n"); }));
  EXPECT_EQ((std::tuple{keys(), plu(0).unitPrice}), (std::tuple{Keys{1, 2}, 6}));
  EXPECT_FALSE(lookThenImport([&] { options.separator = ';'; }, kMsgNoImportData));
  EXPECT_EQ(keys(), Keys{});  // "Plu_No,UnitPrice" is no name with ';'
  options.separator = ',';
  EXPECT_FALSE(lookThenImport([&] { std::filesystem::remove(run_.dir.file("import.txt")); }, kMsgCannotOpenTextFile));
  EXPECT_TRUE(logged("Cannot open text file"));
}

TEST_F(ImportTest, OverlongLinesAndNulBytesKeepEarlierRecords) {
  EXPECT_EQ(import("Plu_No\n1\n" + std::string(5000, '2') + "\n3\n"), kMsgOk);
  EXPECT_EQ(keys(), (Keys{1}));
  EXPECT_TRUE(logged("Text line is too long (line 3)"));
  ASSERT_EQ(import(std::string("Plu_No,ItemCode,UnitPrice\n5,1\0,77\n6,2,3\n", 40)), kMsgOk);
  EXPECT_EQ(keys(), (Keys{6}));  // PLU 5 is not sent cut at the NUL, with price 0
  EXPECT_EQ(plu(0).unitPrice, 3);
  std::string names;
  for (int i = 0; i < 5000; ++i) names += "A,";
  EXPECT_EQ(import(names + "Plu_No\n1\n"), kMsgNoImportData);  // longer than a line may be
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgLineTooLong), 2);
  names.resize(3000);  // 1500 unknown names
  std::string data;
  for (int i = 0; i < 1500; ++i) data += "x,";
  EXPECT_EQ(import(names + "Plu_No\n" + data + "8\n1\n"), kMsgOk);
  EXPECT_EQ(keys(), (Keys{8}));
}

// A "seasia" PLU line: number, unit price, and the description block from
// `descStart` (118 with the default "maxexmsg", 116 up to 100).
std::string seasiaLine(const std::string& plu6, const std::string& price6, const std::string& block,
                       size_t descStart = 118) {
  std::string line(descStart, ' ');
  line.replace(0, plu6.size(), plu6);
  line.replace(8, price6.size(), price6);
  return line + block;
}

// One 57-character description line: text, attributes at 51 and 52, the
// three font bits at 53 to 55, the size flag at 56.
std::string blockLine(const std::string& text, const char* attrs, const char* fontBits, char sizeFlag) {
  std::string line = text;
  line.resize(51, ' ');
  return line + attrs + fontBits + sizeFlag;
}

// The first line's size flag decides the size: '1' gives 400, else 600.
TEST_F(ImportTest, SeasiaDescriptionBlocks) {
  struct Case { const char* name; std::string block; std::string desc; int size; };
  std::string wide;
  for (int k = 0; k < 50; ++k) wide += blockLine(std::string(50, static_cast<char>('a' + k % 26)), "11", "111", '1');
  std::string head = esc("C7") + esc("D1") + esc("D3");
  std::string tail = esc("D1") + esc("D3");
  const Case cases[] = {
      {"fonts, attributes, size 400", blockLine("Apple  ", "10", "101", '1') + blockLine("", "00", "000", '0'),
       esc("C5") + esc("D1") + "Apple" + esc("D1"), 400},
      {"three lines, size 600, both attributes",
       blockLine(" Red", "11", "010", '0') + blockLine("", "00", "111", '1') + blockLine("Fruit", "01", "000", '1') +
           "tail beyond the third line",
       esc("C2") + esc("D1") + esc("D3") + " Red" + tail + esc("C7") + esc("C0") + esc("D3") + "Fruit" + esc("D3"),
       600},
      {"blank block keeps the first font", blockLine("", "00", "100", '1') + blockLine("", "00", "010", '1'),
       esc("C1"), 400},
      {"short block", blockLine("Almost", "00", "100", '1').substr(0, 56), "", 0},
      {"long region: three lines only", wide.substr(0, 2900),
       head + std::string(50, 'a') + tail + head + std::string(50, 'b') + tail + head + std::string(50, 'c') + tail,
       400},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(import(seasiaLine("000012", "001250", c.block) + "\r\n", kFormatSeasia), kMsgOk) << c.name;
    EXPECT_EQ(plu(0).pluNo, 12);
    EXPECT_EQ(plu(0).unitPrice, 1250);
    EXPECT_EQ(desc(0), c.desc) << c.name;
    EXPECT_EQ(plu(0).descSize, c.size) << c.name;
  }
}

TEST_F(ImportTest, SeasiaShortLinesKeepTheirColumnsAndRepeatsAreOrdered) {
  ASSERT_EQ(import("000042 1 12\r\n000043\r\n*00044 1 000100\r\n0000" + std::string(4000, 'x') + "\r\n",
                   kFormatSeasia),
            kMsgOk);
  EXPECT_EQ(keys(), (Keys{42, 43}));
  EXPECT_EQ(plu(0).salesMode, 1);
  EXPECT_EQ(plu(0).unitPrice, 12);
  EXPECT_EQ(plu(1).unitPrice, 0);
  std::string block = blockLine("A", "00", "000", '1');
  ASSERT_EQ(import(seasiaLine("000009", "000001", block) + "\n" + seasiaLine("000002", "000001", block) + "\n" +
                       seasiaLine("000009", "000077", block) + "\n",
                   kFormatSeasia),
            kMsgOk);
  EXPECT_EQ(keys(), (Keys{2, 9}));
  EXPECT_EQ(plu(1).unitPrice, 77);
}

TEST_F(ImportTest, WmsmartRecordBoundaries) {
  struct Case { const char* name; std::string file; Keys keys; std::string firstDesc; };
  const Case cases[] = {
      {"separator line ends the description", "bc0\x1fp#1\x1f" "dtOne\r\nTwo\r\n\x1e\r\nbc0\x1fp#2\r\n", {1, 2},
       esc("C1") + "One" + esc("C1") + "Two"},
      {"file ends inside a description", "bc0\x1fp#9\x1f" "dtStart\r\nstill going", {9},
       esc("C1") + "Start" + esc("C1") + "still going"},
      {"unknown tags skipped, bad numbers drop the record",
       "zz\x1fp#1\r\nb\r\nbc0\x1fp#abc\r\nbc0\x1fp#6\x1fta\r\nbc0\x1fp#7\x1fqq9\r\np#x\r\n", {7}, ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(import(c.file, kFormatWmsmart), kMsgOk) << c.name;
    ASSERT_EQ(keys(), c.keys) << c.name;
    EXPECT_EQ(desc(0), c.firstDesc) << c.name;
  }
  ASSERT_EQ(import("r#7\x1frtHello\r\nbc0\x1fp#99\r\n\x1e\r\nbc0\x1fp#4\r\n", kFormatWmsmart), kMsgOk);
  Keys kept = keys();  // extra message lines are never taken for records
  EXPECT_EQ(std::count(kept.begin(), kept.end(), 99), 0);
  EXPECT_EQ(std::count(kept.begin(), kept.end(), 4), 1);
}

TEST_F(ImportTest, WmsmartReplacingAppendKeepsFileOrderAcrossModes) {
  ASSERT_EQ(import("bc0\x1fp#5\x1fu$1\r\nbc0\x1fp#3\r\np#5\r\nbc0\x1fp#8\r\nbc0\x1fp#3\x1fu$2\r\n", kFormatWmsmart),
            kMsgOk);
  ASSERT_EQ(keys(), (Keys{5, 8, 3}));
  EXPECT_EQ(run_.driver.headers.get(0)->mode, kModeDelete);
  EXPECT_EQ(testing::recordAt<DeletionRecord>(run_.driver.records, 0).recNo, 5);
  EXPECT_EQ(plu(2).unitPrice, 2);
}

// Lists already holding records, as a second import into one run leaves them.
TEST(RecordCollector, HandOverMergesIntoListsAlreadyHoldingRecords) {
  RecordList records;
  RecordHeaderList headers;
  auto handOver = [&](RecordCollector::Order order, std::vector<RecordHeader> held, std::vector<RecordHeader> added) {
    records.clearAndFree();
    headers.clearAndFree();
    auto block = [](char mark) { return PackedRecord::pack(&mark, 1); };
    for (const RecordHeader& h : held) {
      records.append(block('H'));
      headers.append(h);
    }
    RecordCollector collector(order);
    for (const RecordHeader& h : added) collector.add(h, block('N'));
    collector.handOver(records, headers);
    std::vector<std::vector<int>> got;
    for (int i = 0; i < headers.count(); ++i) {
      const RecordHeader& h = *headers.get(i);
      RecordImage image;
      got.push_back({h.dataType, h.mode, h.key, *static_cast<const uint8_t*>(image.unpack(records.get(i)))});
    }
    return got;
  };
  using Got = std::vector<std::vector<int>>;
  // By key: earlier entries stay, the same key is replaced.
  EXPECT_EQ(handOver(RecordCollector::Order::ByKey, {{1, 1, 2}, {1, 1, 7}}, {{1, 1, 9}, {1, 1, 7}, {1, 1, 1}}),
            (Got{{1, 1, 1, 'N'}, {1, 1, 2, 'H'}, {1, 1, 7, 'N'}, {1, 1, 9, 'N'}}));
  // File order: earlier entries of the same type and key go, whatever their mode.
  EXPECT_EQ(handOver(RecordCollector::Order::FileOrder, {{1, 2, 4}, {2, 1, 4}, {1, 1, 6}}, {{1, 1, 4}, {1, 1, 3}}),
            (Got{{2, 1, 4, 'H'}, {1, 1, 6, 'H'}, {1, 1, 4, 'N'}, {1, 1, 3, 'N'}}));
  // A key repeated after a long rising run, past the first index's size,
  // still replaces its earlier record, in both orders.
  std::vector<RecordHeader> rising;
  for (int key = 1; key <= 3000; ++key) rising.push_back({1, 1, key});
  rising.push_back({1, 1, 1500});
  rising.push_back({1, 1, 3000});
  EXPECT_EQ(handOver(RecordCollector::Order::ByKey, {}, rising).size(), 3000u);
  Got fileOrder = handOver(RecordCollector::Order::FileOrder, {{1, 1, 2999}}, rising);
  ASSERT_EQ(fileOrder.size(), 3000u);
  EXPECT_EQ(fileOrder[2997], (std::vector<int>{1, 1, 2999, 'N'}));
  EXPECT_EQ(fileOrder[2998], (std::vector<int>{1, 1, 1500, 'N'}));
  EXPECT_EQ(fileOrder[2999], (std::vector<int>{1, 1, 3000, 'N'}));
  records.clearAndFree();
  headers.clearAndFree();
}

}  // namespace
}  // namespace tolvan

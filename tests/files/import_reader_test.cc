#include "files/import_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "files/file_test_support.h"
#include "files/record_collector.h"
#include "records/plu_record.h"

namespace tolvan {
namespace {

using testing::DriverInTempDir;

// ESC and the two characters of a control sequence ("C1", "D3").
std::string esc(const char* two) { return std::string("\x1b") + two; }

class ImportTest : public ::testing::Test {
 protected:
  MessageCode import(const std::string& bytes, int format = kFormatStandard, int mode = kModeAdd) {
    run_.driver.options.dataFile = run_.write("import.txt", bytes);
    run_.driver.options.dataFormat = format;
    run_.driver.options.dataType = 1;
    run_.driver.options.mode = mode;
    return importFile(run_.driver);
  }
  std::vector<int> keys() const {
    std::vector<int> out;
    for (int i = 0; i < run_.driver.headers.count(); ++i) out.push_back(run_.driver.headers.get(i)->key);
    return out;
  }
  const PluRecord& plu(int index) const { return *static_cast<const PluRecord*>(run_.driver.records.get(index)); }
  std::string log() const { return run_.logText(); }

  DriverInTempDir run_;
};

// ---------------------------------------------------------------- standard

TEST_F(ImportTest, StandardLinesAreKeptInKeyOrderWithTheirValues) {
  ASSERT_EQ(import("Plu_No,UnitPrice,PosCode,Desc\r\n"
                   "30,12.50,ABCDEFGHIJKL,\"Say \"\"hi\"\"\"\r\n"
                   "10,12.5,\"Q\"\"R\",plain\r\n"
                   "20,7,x,y\r\n"),
            kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(plu(2).unitPrice, 1250);
  EXPECT_STREQ(plu(2).posCode, "ABCDEFGHIJ");
  EXPECT_STREQ(plu(2).desc, "Say \"hi\"");
  EXPECT_EQ(plu(0).unitPrice, 125);
  EXPECT_STREQ(plu(0).posCode, "Q\"R");
  const RecordHeader& header = *run_.driver.headers.get(1);
  EXPECT_EQ(header.dataType, 1);
  EXPECT_EQ(header.mode, kModeAdd);
  EXPECT_EQ(run_.driver.records.count(), 3);
}

TEST_F(ImportTest, RepeatedNumberKeepsTheLastLineAtItsNumbersPlace) {
  ASSERT_EQ(import("Plu_No,UnitPrice\n5,100\n3,1\n5,200\n9,1\n5,300\n"), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{3, 5, 9}));
  EXPECT_EQ(plu(1).unitPrice, 300);
}

TEST_F(ImportTest, ManyShuffledRepeatsEndSortedWithEachNumbersLastLine) {
  std::vector<int> numbers;
  for (int i = 0; i < 3000; ++i) numbers.push_back(1 + i % 1000);
  std::shuffle(numbers.begin(), numbers.end(), std::mt19937(7));
  std::string file = "Plu_No,ItemCode\n";
  std::vector<int> last(1001, 0);
  for (size_t i = 0; i < numbers.size(); ++i) {
    file += std::to_string(numbers[i]) + "," + std::to_string(i) + "\n";
    last[static_cast<size_t>(numbers[i])] = static_cast<int>(i);
  }
  ASSERT_EQ(import(file), kMsgOk);
  ASSERT_EQ(run_.driver.records.count(), 1000);
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(plu(i).pluNo, i + 1);
    EXPECT_EQ(plu(i).itemCode, last[static_cast<size_t>(i + 1)]);
  }
}

TEST_F(ImportTest, FirstLineBelowLetterAIsDataInTableOrder) {
  ASSERT_EQ(import("7,3,150\n"), kMsgOk);
  ASSERT_EQ(keys(), (std::vector<int>{7}));
  EXPECT_EQ(plu(0).itemCode, 3);
  EXPECT_EQ(plu(0).unitPrice, 150);
  // A first byte of 128 or more is no header either: that line is data.
  run_.driver.records.clearAndFree();
  run_.driver.headers.clearAndFree();
  ASSERT_EQ(import("\xC3\x84,1\n8,2\n"), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{8}));
}

TEST_F(ImportTest, UnknownColumnsAreSkippedAndARepeatedColumnTakesTheLaterValue) {
  ASSERT_EQ(import("Foo,Plu_No,plu_no,UnitPrice,UnitPrice\nx,4,99,100,200\n"), kMsgOk);
  ASSERT_EQ(keys(), (std::vector<int>{4}));
  EXPECT_EQ(plu(0).unitPrice, 200);
}

TEST_F(ImportTest, NumbersKeepTheirLowBitsAndBadNumbersLeaveTheDefault) {
  ASSERT_EQ(import("Plu_No,SalesMode,Tare,Weight,UnitPrice\n"
                   "1,300,70000, -1.5,abc\n"
                   "2,+7x,1.9,1234567890123456789012345678901234567890,4\n"),
            kMsgOk);
  EXPECT_EQ(plu(0).salesMode, 44);
  EXPECT_EQ(plu(0).tare, 70000 & 0xFFFF);
  EXPECT_EQ(plu(0).weight, -15);
  EXPECT_EQ(plu(0).unitPrice, 0);
  EXPECT_EQ(plu(1).salesMode, 7);
  EXPECT_EQ(plu(1).tare, 1);
  EXPECT_EQ(plu(1).unitPrice, 4);
}

TEST_F(ImportTest, RecordsWithoutAPositiveNumberAreDropped) {
  ASSERT_EQ(import("Plu_No,UnitPrice\n0,1\n-4,1\nx,1\n,1\n6,1\n"), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{6}));
  run_.driver.records.clearAndFree();
  run_.driver.headers.clearAndFree();
  EXPECT_EQ(import("UnitPrice,Tare\n1,2\n"), kMsgNoImportData);
}

TEST_F(ImportTest, CommentAndBlankLinesGiveNoRecords) {
  ASSERT_EQ(import("Plu_No\n;5\n*6\n//7\n   \n\n8\n"), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{8}));
}

TEST_F(ImportTest, FontPairsBuildTheDescriptionBehindFont1) {
  run_.driver.options.descFontPairs = true;
  ASSERT_EQ(import("Plu_No,Font1,UnitPrice\n"
                   "9,1,Hello,X,World\n"
                   "10,B,\"a\"\"b\",2,,7\n"
                   "11,x,first\n"),
            kMsgOk);
  EXPECT_EQ(std::string(plu(0).desc), esc("C1") + "Hello" + esc("C1") + "World");
  // An empty text adds nothing; an odd last field is ignored.
  EXPECT_EQ(std::string(plu(1).desc), esc("CB") + "a\"b");
  EXPECT_EQ(std::string(plu(2).desc), esc("C3") + "first");
  EXPECT_EQ(plu(0).unitPrice, 0);  // Font1 ended the header
}

TEST_F(ImportTest, Font1IsAnUnknownNameWithoutFontPairs) {
  ASSERT_EQ(import("Plu_No,Font1,UnitPrice\n9,1,5\n"), kMsgOk);
  EXPECT_EQ(plu(0).unitPrice, 5);
  EXPECT_STREQ(plu(0).desc, "");
}

TEST_F(ImportTest, DeletionsReadRecNo) {
  ASSERT_EQ(import("RecNo\n5\n2\nabc\n0\n5\n", kFormatStandard, kModeDelete), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{0, 2, 5}));
  const auto& deletion = *static_cast<const DeletionRecord*>(run_.driver.records.get(2));
  EXPECT_EQ(deletion.dataType, 1);
  EXPECT_EQ(deletion.recNo, 5);
  EXPECT_EQ(run_.driver.headers.get(0)->mode, kModeDelete);
}

TEST_F(ImportTest, DescriptionsAreCutAt2047InBothStandardForms) {
  std::string text(3000, 'd');
  ASSERT_EQ(import("Plu_No,Desc\n1," + text + "\n"), kMsgOk);
  EXPECT_EQ(std::strlen(plu(0).desc), 2047u);
  run_.driver.records.clearAndFree();
  run_.driver.headers.clearAndFree();
  run_.driver.options.descFontPairs = true;
  ASSERT_EQ(import("Plu_No,Font1\n1,1," + text + ",2," + text.substr(0, 10) + "\n"), kMsgOk);
  EXPECT_EQ(std::strlen(plu(0).desc), 2046u);
}

// ------------------------------------------------------ run's own outcomes

TEST_F(ImportTest, OutcomesOfTheRunAreLoggedOnce) {
  run_.driver.options.dataFormat = kFormatStandard;
  EXPECT_EQ(importFile(run_.driver), kMsgNoImportFile);
  EXPECT_NE(log().find(" Error 0010:No import data file specified"), std::string::npos);

  run_.driver.options.dataFile = run_.dir.file("missing.txt");
  EXPECT_EQ(importFile(run_.driver), kMsgCannotOpenTextFile);
  EXPECT_NE(log().find("Cannot open text file : " + run_.dir.file("missing.txt")), std::string::npos);

  EXPECT_EQ(import(""), kMsgNoImportData);
  EXPECT_EQ(import("Foo,Bar\n1,2\n"), kMsgNoImportData);
  EXPECT_EQ(import(";Plu_No\n"), kMsgNoImportData);
  EXPECT_NE(log().find("No data in import text file : " + run_.dir.file("import.txt")), std::string::npos);
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgNoImportData), 3);
}

TEST_F(ImportTest, TopsIsNotSupportedAndSaysNothing) {
  EXPECT_EQ(import("Plu_No\n1\n", kFormatTops), kMsgNotSupported);
  EXPECT_EQ(log(), "");
  EXPECT_EQ(run_.driver.records.count(), 0);
}

TEST_F(ImportTest, OverLongLineEndsTheImportButKeepsEarlierRecords) {
  EXPECT_EQ(import("Plu_No\n1\n" + std::string(5000, '2') + "\n3\n"), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{1}));
  EXPECT_NE(log().find("Text line is too long (line 3)"), std::string::npos);
}

TEST_F(ImportTest, HeaderOfThousandsOfUnknownNames) {
  std::string names;
  for (int i = 0; i < 5000; ++i) names += "A,";
  EXPECT_EQ(import(names + "Plu_No\n1\n"), kMsgNoImportData);  // longer than a line may be
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgLineTooLong), 1);
  names.resize(3000);  // 1500 unknown names
  std::string data;
  for (int i = 0; i < 1500; ++i) data += "x,";
  EXPECT_EQ(import(names + "Plu_No\n" + data + "8\n1\n"), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{8}));
}

TEST_F(ImportTest, NulByteEndsTheLinesText) {
  ASSERT_EQ(import(std::string("Plu_No,ItemCode,UnitPrice\n5,1\0,77\n6,2,3\n", 40)), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{5, 6}));
  EXPECT_EQ(plu(0).unitPrice, 0);
}

TEST_F(ImportTest, BinaryFilesNeverBreakTheImport) {
  std::mt19937 random(11);
  for (int format : {kFormatStandard, kFormatSeasia, kFormatWmsmart}) {
    for (int round = 0; round < 20; ++round) {
      std::string bytes(20000, '\0');
      for (char& c : bytes) c = static_cast<char>(random() % 40 == 0 ? 31 : random() % 256);
      if (round % 2 == 1) bytes.insert(0, "Plu_No,Desc,Font1\nbc1\x1fp#5\x1f" "dt");
      MessageCode code = import(bytes, format);
      EXPECT_TRUE(code == kMsgOk || code == kMsgNoImportData) << code;
      ASSERT_EQ(run_.driver.records.count(), run_.driver.headers.count());
      for (int i = 0; i < run_.driver.headers.count(); ++i) EXPECT_GT(run_.driver.headers.get(i)->key, 0);
      run_.driver.records.clearAndFree();
      run_.driver.headers.clearAndFree();
    }
  }
}

// ------------------------------------------------------------------ seasia

// A "seasia" PLU line: number, unit price, and the description block from
// `descStart` (118 with the default "maxexmsg", 116 up to 100).
std::string seasiaLine(const std::string& plu6, const std::string& price6, size_t descStart,
                       const std::string& block) {
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

TEST_F(ImportTest, SeasiaDescriptionBlockWithFontsAttributesAndSize400) {
  std::string block = blockLine("Apple  ", "10", "101", '1') + blockLine("", "00", "000", '0');
  ASSERT_EQ(import(seasiaLine("000012", "001250", 118, block) + "\r\n", kFormatSeasia), kMsgOk);
  EXPECT_EQ(plu(0).pluNo, 12);
  EXPECT_EQ(plu(0).unitPrice, 1250);
  EXPECT_EQ(plu(0).descSize, 400);
  EXPECT_EQ(std::string(plu(0).desc), esc("C5") + esc("D1") + "Apple" + esc("D1"));
}

TEST_F(ImportTest, SeasiaBlockOfThreeLinesSize600AndBothAttributes) {
  std::string block = blockLine(" Red", "11", "010", '0') + blockLine("", "00", "111", '1') +
                      blockLine("Fruit", "01", "000", '1') + "tail beyond the third line";
  ASSERT_EQ(import(seasiaLine("000003", "000001", 118, block) + "\n", kFormatSeasia), kMsgOk);
  EXPECT_EQ(plu(0).descSize, 600);
  EXPECT_EQ(std::string(plu(0).desc), esc("C2") + esc("D1") + esc("D3") + " Red" + esc("D1") + esc("D3") +
                                          esc("C7") + esc("C0") + esc("D3") + "Fruit" + esc("D3"));
}

TEST_F(ImportTest, SeasiaBlankBlockKeepsOnlyTheFirstFontEscape) {
  std::string block = blockLine("", "00", "100", '1') + blockLine("", "00", "010", '1');
  ASSERT_EQ(import(seasiaLine("000004", "000001", 118, block), kFormatSeasia), kMsgOk);
  EXPECT_EQ(std::string(plu(0).desc), esc("C1"));
  EXPECT_EQ(plu(0).descSize, 400);
}

TEST_F(ImportTest, SeasiaShortBlockGivesNoDescriptionAndSize0) {
  std::string block = blockLine("Almost", "00", "100", '1');
  block.pop_back();
  ASSERT_EQ(import(seasiaLine("000005", "000001", 118, block), kFormatSeasia), kMsgOk);
  EXPECT_STREQ(plu(0).desc, "");
  EXPECT_EQ(plu(0).descSize, 0);
}

TEST_F(ImportTest, SeasiaColumnsMoveWithMaxExMsg) {
  run_.driver.options.maxExMsg = 100;
  std::string line = seasiaLine("000006", "000001", 116, blockLine("X", "00", "000", '1'));
  line.replace(96, 2, "42");
  ASSERT_EQ(import(line, kFormatSeasia), kMsgOk);
  EXPECT_EQ(plu(0).message7, 42);
  EXPECT_EQ(std::string(plu(0).desc), esc("C0") + "X");
}

TEST_F(ImportTest, SeasiaLinesCutShortKeepTheColumnsTheyHave) {
  ASSERT_EQ(import("000042 1 12\r\n"
                   "000043\r\n"
                   "*00044 1 000100\r\n"
                   "0000" + std::string(4000, 'x') + "\r\n",
                   kFormatSeasia),
            kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{42, 43}));
  EXPECT_EQ(plu(0).salesMode, 1);
  EXPECT_EQ(plu(0).unitPrice, 12);
  EXPECT_EQ(plu(1).unitPrice, 0);
}

TEST_F(ImportTest, SeasiaLongDescriptionRegionUsesOnlyThreeLines) {
  std::string block;
  for (int k = 0; k < 50; ++k) block += blockLine(std::string(50, static_cast<char>('a' + k % 26)), "11", "111", '1');
  ASSERT_EQ(import(seasiaLine("000008", "000001", 118, block.substr(0, 2900)), kFormatSeasia), kMsgOk);
  std::string line = esc("C7") + esc("D1") + esc("D3");
  EXPECT_EQ(std::string(plu(0).desc), line + std::string(50, 'a') + esc("D1") + esc("D3") + line +
                                          std::string(50, 'b') + esc("D1") + esc("D3") + line +
                                          std::string(50, 'c') + esc("D1") + esc("D3"));
}

TEST_F(ImportTest, SeasiaDuplicatesAreOrderedLikeStandard) {
  std::string block = blockLine("A", "00", "000", '1');
  ASSERT_EQ(import(seasiaLine("000009", "000001", 118, block) + "\n" +
                       seasiaLine("000002", "000001", 118, block) + "\n" +
                       seasiaLine("000009", "000077", 118, block) + "\n",
                   kFormatSeasia),
            kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{2, 9}));
  EXPECT_EQ(plu(1).unitPrice, 77);
}

// ----------------------------------------------------------------- wmsmart

TEST_F(ImportTest, WmsmartPluWithMultiLineDescriptionAndTrailingFields) {
  ASSERT_EQ(import("bc2\x1fp#12\x1fu$1.99\x1fnw250\x1f" "dtFirst line\x1fnot a field\r\n"
                   "Second\r\n"
                   "Third\x1fta5\x1fsl3\r\n"
                   "bc0\x1fp#4\x1fr#77\x1fu#9\r\n",
                   kFormatWmsmart),
            kMsgOk);
  ASSERT_EQ(keys(), (std::vector<int>{12, 4}));
  const PluRecord& first = plu(0);
  EXPECT_EQ(first.salesMode, 2);
  EXPECT_EQ(first.unitPrice, 199);
  EXPECT_EQ(first.weight, 250);
  EXPECT_EQ(first.tare, 5);
  EXPECT_EQ(first.shelfLife, 3);
  EXPECT_EQ(first.descSize, 60);
  EXPECT_EQ(std::string(first.desc),
            esc("C1") + "First line\x1fnot a field" + esc("C1") + "Second" + esc("C1") + "Third");
  EXPECT_EQ(plu(1).message7, 77);
  EXPECT_EQ(plu(1).posFlag, 9);
  EXPECT_STREQ(plu(1).desc, "");
}

TEST_F(ImportTest, WmsmartSeparatorLineEndsTheDescription) {
  ASSERT_EQ(import("bc0\x1fp#1\x1f" "dtOne\r\nTwo\r\n\x1e\r\nbc0\x1fp#2\r\n", kFormatWmsmart), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{1, 2}));
  EXPECT_EQ(std::string(plu(0).desc), esc("C1") + "One" + esc("C1") + "Two");
}

TEST_F(ImportTest, WmsmartReplacingAppendKeepsFileOrderAcrossModes) {
  ASSERT_EQ(import("bc0\x1fp#5\x1fu$1\r\n"
                   "bc0\x1fp#3\r\n"
                   "p#5\r\n"
                   "bc0\x1fp#8\r\n"
                   "bc0\x1fp#3\x1fu$2\r\n",
                   kFormatWmsmart),
            kMsgOk);
  ASSERT_EQ(keys(), (std::vector<int>{5, 8, 3}));
  EXPECT_EQ(run_.driver.headers.get(0)->mode, kModeDelete);
  EXPECT_EQ(static_cast<const DeletionRecord*>(run_.driver.records.get(0))->recNo, 5);
  EXPECT_EQ(plu(2).unitPrice, 2);
}

TEST_F(ImportTest, WmsmartSkipsUnknownTagsAndDropsRecordsWithBadNumbers) {
  ASSERT_EQ(import("zz\x1fp#1\r\n"
                   "b\r\n"
                   "bc0\x1fp#abc\r\n"
                   "bc0\x1fp#6\x1fta\r\n"
                   "bc0\x1fp#7\x1fqq9\r\n"
                   "p#x\r\n",
                   kFormatWmsmart),
            kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{7}));
}

TEST_F(ImportTest, WmsmartFileEndingInsideADescriptionKeepsTheRecord) {
  ASSERT_EQ(import("bc0\x1fp#9\x1f" "dtStart\r\nstill going", kFormatWmsmart), kMsgOk);
  EXPECT_EQ(keys(), (std::vector<int>{9}));
  EXPECT_EQ(std::string(plu(0).desc), esc("C1") + "Start" + esc("C1") + "still going");
}

TEST_F(ImportTest, WmsmartExtraMessageLinesAreNeverTakenForRecords) {
  ASSERT_EQ(import("r#7\x1frtHello\r\nbc0\x1fp#99\r\n\x1e\r\nbc0\x1fp#4\r\n", kFormatWmsmart), kMsgOk);
  std::vector<int> kept = keys();
  EXPECT_EQ(std::count(kept.begin(), kept.end(), 99), 0);
  EXPECT_EQ(std::count(kept.begin(), kept.end(), 4), 1);
}

TEST_F(ImportTest, WmsmartDescriptionsStayBelow2047) {
  std::string text(3000, 'w');
  std::string file = "bc0\x1fp#1\x1f" "dt" + text + "\r\n";
  for (int i = 0; i < 5; ++i) file += text + "\r\n";
  ASSERT_EQ(import(file, kFormatWmsmart), kMsgOk);
  EXPECT_EQ(std::strlen(plu(0).desc), 2046u);
}

// ------------------------------------------------- lists holding records

TEST(RecordCollectorHandOver, OrderedInsertKeepsEarlierEntriesAndReplacesTheSameKey) {
  RecordList records;
  RecordHeaderList headers;
  for (int key : {2, 7}) {
    records.append(std::calloc(1, 4));
    headers.append(new RecordHeader{1, 1, key});
  }
  void* old7 = records.get(1);
  RecordCollector collector(RecordCollector::Order::ByKey);
  for (int key : {9, 7, 1}) collector.add(RecordHeader{1, 1, key}, std::calloc(1, 4));
  collector.handOver(records, headers);
  std::vector<int> got;
  for (int i = 0; i < headers.count(); ++i) got.push_back(headers.get(i)->key);
  EXPECT_EQ(got, (std::vector<int>{1, 2, 7, 9}));
  EXPECT_NE(records.get(2), old7);
  records.clearAndFree();
  headers.clearAndFree();
}

TEST(RecordCollectorHandOver, FileOrderRemovesEarlierEntriesOfTheSameTypeAndKey) {
  RecordList records;
  RecordHeaderList headers;
  for (RecordHeader h : {RecordHeader{1, 2, 4}, RecordHeader{2, 1, 4}, RecordHeader{1, 1, 6}}) {
    records.append(std::calloc(1, 4));
    headers.append(new RecordHeader(h));
  }
  RecordCollector collector(RecordCollector::Order::FileOrder);
  collector.add(RecordHeader{1, 1, 4}, std::calloc(1, 4));
  collector.add(RecordHeader{1, 1, 3}, std::calloc(1, 4));
  collector.handOver(records, headers);
  ASSERT_EQ(headers.count(), 4);
  EXPECT_EQ(headers.get(0)->dataType, 2);
  EXPECT_EQ(headers.get(1)->key, 6);
  EXPECT_EQ(headers.get(2)->key, 4);
  EXPECT_EQ(headers.get(2)->mode, 1);
  EXPECT_EQ(headers.get(3)->key, 3);
  records.clearAndFree();
  headers.clearAndFree();
}

}  // namespace
}  // namespace tolvan

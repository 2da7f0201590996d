#include "files/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "files/file_test_support.h"

namespace tolvan {
namespace {

using testing::DriverInTempDir;

// Reads every line of `bytes`, as the import and configuration readers do.
class LineReaderTest : public ::testing::Test {
 protected:
  std::vector<std::string> readAll(const std::string& bytes) {
    std::string path = run_.write("in.txt", bytes);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::vector<std::string> lines;
    {
      LineReader reader(file, run_.driver.log);
      while (char* line = reader.nextLine()) lines.emplace_back(line);
      lastCount_ = reader.lineCount();
    }
    std::fclose(file);
    return lines;
  }

  DriverInTempDir run_;
  int lastCount_ = 0;
};

// Lines of `n` bytes in all, each ending in LF and at most 100 bytes long.
std::string filler(size_t n) {
  std::string out;
  while (out.size() < n) {
    size_t left = n - out.size();
    size_t len = left > 100 ? 99 : left - 1;
    out.append(len, 'f');
    out.push_back('\n');
  }
  return out;
}

TEST_F(LineReaderTest, ReadsCrLfAndCrLfLineEnds) {
  EXPECT_EQ(readAll("a\rb\nc\r\nd\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(lastCount_, 4);
}

TEST_F(LineReaderTest, RunOfLineEndsEndsOneLineAndBlankLinesAreNotCounted) {
  EXPECT_EQ(readAll("a\r\n\r\nb\r\n\n\n\rc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(lastCount_, 3);
}

TEST_F(LineReaderTest, LastLineWithoutLineEndIsRead) {
  EXPECT_EQ(readAll("one\r\ntwo"), (std::vector<std::string>{"one", "two"}));
}

TEST_F(LineReaderTest, OnlyALeadingLineEndGivesAnEmptyLine) {
  EXPECT_EQ(readAll("\r\nx\r\n"), (std::vector<std::string>{"", "x"}));
  EXPECT_TRUE(readAll("").empty());
}

TEST_F(LineReaderTest, NulByteCutsTheTextButNotTheLine) {
  EXPECT_EQ(readAll(std::string("ab\0cd\nef\n", 9)), (std::vector<std::string>{"ab", "ef"}));
}

TEST_F(LineReaderTest, AcceptsLineOf3072AndStopsAt3073NamingTheLine) {
  std::string ok(3072, 'a');
  std::string bad(3073, 'b');
  auto lines = readAll("x\r\n" + ok + "\r\n" + bad + "\r\nafter\r\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], ok);
  EXPECT_NE(run_.logText().find(" Error 0011:Text line is too long (line 3)\r\n"), std::string::npos);
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgLineTooLong), 1);
}

TEST_F(LineReaderTest, HugeLineEndsTheDataAndKeepsWhatCameBefore) {
  auto lines = readAll("first\n" + std::string(100000, 'z') + "\nlater\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"first"}));
  EXPECT_NE(run_.logText().find("Text line is too long (line 2)"), std::string::npos);
}

// The window is refilled from the file; a full-length line, an over-long
// one and a CR LF must be recognised wherever the window edge falls.
TEST_F(LineReaderTest, WindowEdgeNeverSplitsLinesOrLineEnds) {
  const std::string full(3072, 'L');
  for (size_t start = 29680; start < 29710; ++start) {
    auto lines = readAll(filler(start) + full + "\r\nnext\r\n");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], full) << start;
    EXPECT_EQ(lines.back(), "next") << start;
    lines = readAll(filler(start) + full + "M\r\nnext");
    EXPECT_EQ(lines.back().find_first_not_of('f'), std::string::npos) << start;
  }
  std::string blankRun;
  for (int i = 0; i < 20000; ++i) blankRun += "\r\n";
  EXPECT_EQ(readAll("x" + blankRun + "next"), (std::vector<std::string>{"x", "next"}));
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgLineTooLong), 30);
}

TEST_F(LineReaderTest, TakesNoMoreThanItsWindowAheadOfTheLinesHandedOut) {
  std::string line(1000, 'p');
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += line + "\r\n";
  std::string path = run_.write("big.txt", bytes);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  LineReader reader(file, run_.driver.log);
  long handedOut = 0;
  int lines = 0;
  while (char* text = reader.nextLine()) {
    EXPECT_EQ(std::string(text), line);
    handedOut += 1002;
    EXPECT_LE(std::ftell(file), handedOut + kLineWindow - 1);
    ++lines;
  }
  EXPECT_EQ(lines, 1000);
  std::fclose(file);
}

TEST_F(LineReaderTest, RewindStartsAgainFromTheFirstLine) {
  std::string path = run_.write("in.txt", "one\ntwo\nthree\n");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  LineReader reader(file, run_.driver.log);
  reader.nextLine();
  reader.nextLine();
  reader.rewind();
  EXPECT_STREQ(reader.nextLine(), "one");
  EXPECT_EQ(reader.lineCount(), 1);
  std::fclose(file);
}

}  // namespace
}  // namespace tolvan

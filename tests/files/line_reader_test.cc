#include "files/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/file_test_support.h"

namespace tolvan {
namespace {

using Lines = std::vector<std::string>;

class LineReaderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  std::FILE* open(const std::string& bytes) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = std::fopen(run_.write("in.txt", bytes).c_str(), "rb");
    return file_;
  }
  // Reads every line of `bytes`, as the import and configuration readers do.
  Lines readAll(const std::string& bytes) {
    LineReader reader(open(bytes), run_.driver.log);
    Lines lines;
    physical_.clear();
    while (char* line = reader.nextLine()) {
      lines.emplace_back(line);
      physical_.push_back(reader.physicalLine());
    }
    lastCount_ = reader.lineCount();
    hadMark_ = reader.hadByteOrderMark();
    return lines;
  }

  testing::DriverInTempDir run_;
  std::FILE* file_ = nullptr;
  int lastCount_ = 0;
  std::vector<int> physical_;
  bool hadMark_ = false;
};

// Lines of `n` bytes in all, each ending in LF and at most 100 bytes long.
std::string filler(size_t n) {
  std::string out;
  while (out.size() < n) {
    size_t left = n - out.size();
    out.append(left > 100 ? 99 : left - 1, 'f').push_back('\n');
  }
  return out;
}

TEST_F(LineReaderTest, LineEndsBlankLinesAndNulBytes) {
  struct Case { std::string bytes; Lines lines; int count; };
  const Case cases[] = {
      {"a\rb\nc\r\nd\n", {"a", "b", "c", "d"}, 4},
      {"a\r\n\r\nb\r\n\n\n\rc", {"a", "b", "c"}, 3},  // a run of line ends ends one line
      {"one\r\ntwo", {"one", "two"}, 2},
      {"\r\nx\r\n", {"", "x"}, 2},  // only a leading line end gives an empty line
      {"", {}, 0},
      {std::string("ab\0cd\nef\n", 9), {"ef"}, 2},  // a line holding a NUL is dropped, and counted
      // Lines are looked at sixteen bytes at a time: a NUL or line end on
      // either side of each step.
      {std::string(20, 'x') + std::string("\0y\nok\r\n", 7), {"ok"}, 2},
      {std::string("0123456789abcdef\0\n", 18), {}, 1},
      {std::string("ab\0", 3) + std::string(20, 'x') + "\nz", {"z"}, 2},
      {std::string(17, 'a') + std::string("\n\0\nb", 4), {std::string(17, 'a'), "b"}, 3},
      {std::string(15, 'c') + "\r" + std::string(16, 'd'), {std::string(15, 'c'), std::string(16, 'd')}, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readAll(c.bytes), c.lines) << c.bytes;
    EXPECT_EQ(lastCount_, c.count) << c.bytes;
  }
}

// Only the first three bytes of a file are skipped as a byte-order mark, and
// findings number lines as an editor does, blank ones included.
TEST_F(LineReaderTest, ByteOrderMarkIsSkippedOnlyAtTheStartAndLinesAreNumberedAsAnEditorDoes) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case { std::string bytes; Lines lines; std::vector<int> physical; bool mark; };
  const Case cases[] = {
      {bom + "a\r\n\r\nb\rc\n\nd", {"a", "b", "c", "d"}, {1, 3, 4, 6}, true},
      {"a\r\n" + bom + "b", {"a", bom + "b"}, {1, 2}, false},
      {"\xEF\xBB" "a", {"\xEF\xBB" "a"}, {1}, false},
      {bom, {}, {}, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readAll(c.bytes), c.lines);
    EXPECT_EQ(physical_, c.physical);
    EXPECT_EQ(hadMark_, c.mark);
  }
}

TEST_F(LineReaderTest, OverlongLineEndsTheDataNamingTheLine) {
  std::string ok(3072, 'a');
  EXPECT_EQ(readAll("x\r\n" + ok + "\r\n" + std::string(3073, 'b') + "\r\nafter\r\n"), (Lines{"x", ok}));
  EXPECT_NE(run_.logText().find(" Error 0011:Text line is too long (line 3)\r\n"), std::string::npos);
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgLineTooLong), 1);
  EXPECT_EQ(readAll("first\n" + std::string(100000, 'z') + "\nlater\n"), (Lines{"first"}));
  EXPECT_NE(run_.logText().find("Text line is too long (line 2)"), std::string::npos);
}

// The window is refilled from the file; a full-length line, an over-long
// one and a CR LF must be recognised wherever the window edge falls.
TEST_F(LineReaderTest, WindowEdgeNeverSplitsLinesOrLineEnds) {
  const std::string full(3072, 'L');
  for (size_t start = 29680; start < 29710; ++start) {
    Lines lines = readAll(filler(start) + full + "\r\nnext\r\n");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], full) << start;
    EXPECT_EQ(lines.back(), "next") << start;
    lines = readAll(filler(start) + full + "M\r\nnext");
    EXPECT_EQ(lines.back().find_first_not_of('f'), std::string::npos) << start;
  }
  std::string blankRun;
  for (int i = 0; i < 20000; ++i) blankRun += "\r\n";
  EXPECT_EQ(readAll("x" + blankRun + "next"), (Lines{"x", "next"}));
  EXPECT_EQ(run_.driver.log.timesLogged(kMsgLineTooLong), 30);
}

}  // namespace
}  // namespace tolvan

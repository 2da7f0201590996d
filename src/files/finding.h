// Findings: what a look at the configuration or the import file turned up
// that the person who prepared it should hear about, each with the file,
// the line (as an editor numbers it; 0 for the file as a whole) and what
// the driver will do with it. Findings never change what a run does.
#pragma once

#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

struct Finding {
  std::string file;
  int line = 0;
  std::string text;  // "what was found; what the driver will do with it"
  // Findings of the same check past the last one kept: counted, not kept.
  size_t moreLikeIt = 0;
};

using FindingList = std::vector<Finding>;

// Findings one check keeps of one file; the rest are only counted. A file
// of two million bad rows is read to its end in little memory, and a person
// reads the first thousand of a kind as well as all of them.
inline constexpr size_t kFindingsKeptPerKind = 1000;

// Appends findings to a list, keeping kFindingsKeptPerKind of each kind
// (any number naming the check) and counting the rest on the last one kept.
// Others may append to the list meanwhile, but insert nothing before the end.
class FindingKeeper {
 public:
  explicit FindingKeeper(FindingList& out) : out_(out) {}
  void note(int kind, Finding finding);

 private:
  struct Kind {
    size_t kept = 0;
    size_t last = 0;  // index in out_ of the last one kept
  };
  FindingList& out_;
  std::map<int, Kind> kinds_;
};

// Every finding, the counted ones included.
size_t countFindings(const FindingList& findings);

// "FILE:LINE: text".
std::string formatFinding(const Finding& finding);

// A finding for each line the line reader dropped for its NUL byte (the
// first kFindingsKeptPerKind kept).
void noteLinesWithNul(const std::string& file, const std::vector<int>& lines, FindingList& out);

// Orders one file's findings by line, keeping the order within a line.
void sortByLine(FindingList& findings);

// Writes every finding kept, one a line, each followed by "... and N more
// like it" when it counts findings it did not keep.
void writeFindings(std::FILE* out, const FindingList& findings);

// Writes "warning: " and the first `maxLines` findings, then
// "warning: ... and N more" when there are more (counted ones included).
void writeFindingWarnings(std::FILE* out, const FindingList& findings, size_t maxLines);

// The text between double quotes, as findings show what a file holds.
std::string quoted(std::string_view text);

// Edit distance between two words: insertions, deletions, substitutions
// and swaps of two neighbouring characters, each one edit.
size_t editDistance(std::string_view a, std::string_view b);

// Of `known`, the word nearest to `word` when it is near enough to be a
// likely misspelling (one edit for words of up to 5 characters, two for
// longer ones); empty otherwise. Case differences count as edits.
std::string nearestWord(std::string_view word, const std::vector<std::string>& known);

}  // namespace tolvan

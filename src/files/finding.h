// Findings: what a look at the configuration or the import file turned up
// that the person who prepared it should hear about, each with the file,
// the line (as an editor numbers it; 0 for the file as a whole) and what
// the driver will do with it. Findings never change what a run does.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

struct Finding {
  std::string file;
  int line = 0;
  std::string text;  // "what was found; what the driver will do with it"
};

using FindingList = std::vector<Finding>;

// "FILE:LINE: text".
std::string formatFinding(const Finding& finding);

// A finding for each line the line reader dropped for its NUL byte.
void noteLinesWithNul(const std::string& file, const std::vector<int>& lines, FindingList& out);

// Orders one file's findings by line, keeping the order within a line.
void sortByLine(FindingList& findings);

// Writes every finding, one a line.
void writeFindings(std::FILE* out, const FindingList& findings);

// Writes "warning: " and the first `maxLines` findings, then
// "warning: ... and N more" when there are more.
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

#include "files/finding.h"

#include <algorithm>

namespace tolvan {

std::string formatFinding(const Finding& finding) {
  return finding.file + ':' + std::to_string(finding.line) + ": " + finding.text;
}

void FindingKeeper::note(int kind, Finding finding) {
  Kind& k = kinds_[kind];
  if (k.kept == kFindingsKeptPerKind) {
    ++out_[k.last].moreLikeIt;
    return;
  }
  ++k.kept;
  k.last = out_.size();
  out_.push_back(std::move(finding));
}

size_t countFindings(const FindingList& findings) {
  size_t count = findings.size();
  for (const Finding& f : findings) count += f.moreLikeIt;
  return count;
}

void noteLinesWithNul(const std::string& file, const std::vector<int>& lines, FindingList& out) {
  FindingKeeper keeper(out);
  for (int line : lines) keeper.note(0, Finding{file, line, "the line holds a NUL byte; the driver drops the whole line"});
}

void sortByLine(FindingList& findings) {
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
}

void writeFindings(std::FILE* out, const FindingList& findings) {
  for (const Finding& f : findings) {
    std::fprintf(out, "%s\n", formatFinding(f).c_str());
    if (f.moreLikeIt > 0) std::fprintf(out, "... and %zu more like it\n", f.moreLikeIt);
  }
  std::fflush(out);
}

void writeFindingWarnings(std::FILE* out, const FindingList& findings, size_t maxLines) {
  size_t shown = std::min(maxLines, findings.size());
  for (size_t i = 0; i < shown; ++i) std::fprintf(out, "tolvandrv: warning: %s\n", formatFinding(findings[i]).c_str());
  const size_t total = countFindings(findings);
  if (total > shown) std::fprintf(out, "tolvandrv: warning: ... and %zu more\n", total - shown);
  std::fflush(out);
}

size_t editDistance(std::string_view a, std::string_view b) {
  // Rows i-2, i-1 and i of the table; a swap of two neighbours is one edit.
  std::vector<size_t> before(b.size() + 1), prev(b.size() + 1), row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) prev[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min({prev[j] + 1, row[j - 1] + 1, prev[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) row[j] = std::min(row[j], before[j - 2] + 1);
    }
    before.swap(prev);
    prev.swap(row);
  }
  return prev[b.size()];
}

std::string nearestWord(std::string_view word, const std::vector<std::string>& known) {
  std::string best;
  // Short words allow one edit, longer ones two.
  size_t bestDistance = (word.size() <= 5 ? 1 : 2) + 1;
  for (const std::string& candidate : known) {
    size_t d = editDistance(word, candidate);
    if (d < bestDistance) {
      best = candidate;
      bestDistance = d;
    }
  }
  return best;
}

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  return out.append(1, '"').append(text).append(1, '"');
}

}  // namespace tolvan

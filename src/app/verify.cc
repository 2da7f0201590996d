#include "app/verify.h"

#include <algorithm>

#include "core/driver.h"

namespace tolvan {
namespace {

std::vector<ColumnDifference> columnDifferences(const HeldRecord& held, const RecordImager& imager) {
  std::vector<std::string> file = RecordImager::values(held.fileImage);
  std::vector<std::string> scale = RecordImager::values(held.scaleImage);
  const auto columns = static_cast<size_t>(imager.columnCount());
  file.resize(columns);
  scale.resize(columns);
  std::vector<ColumnDifference> out;
  for (size_t c = 0; c < columns; ++c) {
    if (file[c] != scale[c]) out.push_back({imager.columnName(static_cast<int>(c)), file[c], scale[c]});
  }
  return out;
}

template <class List>
void sortAndCap(List& list) {
  std::sort(list.begin(), list.end());
  if (list.size() > kVerifyListCap) list.resize(kVerifyListCap);
}

void noteHeld(VerifyResult& out, int32_t number, const HeldRecord& held, const RecordImager& imager) {
  switch (held.kind) {
    case HeldRecord::Same: ++out.held; break;
    case HeldRecord::Differs:
      ++out.differing;
      out.differingRecords.push_back({number, columnDifferences(held, imager)});
      break;
    case HeldRecord::Extra:
      ++out.extra;
      out.extraNumbers.push_back(number);
      break;
    case HeldRecord::Deleted: break;  // the file's deletion is not compared
  }
}

// A value as the table shows it: quoted, bytes below 32 as \xHH.
std::string shown(const std::string& value) {
  std::string out = "\"";
  for (unsigned char c : value) {
    if (c >= 32) {
      out += static_cast<char>(c);
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += hex;
  }
  return out + "\"";
}

void printScaleDetails(const std::string& name, const VerifyResult& v, std::FILE* out) {
  size_t lines = 0;
  for (long number : v.missingNumbers) {
    if (lines++ < kVerifyTableCap) std::fprintf(out, "%s: missing %ld\n", name.c_str(), number);
  }
  for (const RecordDifference& d : v.differingRecords) {
    if (lines++ >= kVerifyTableCap) continue;
    for (const ColumnDifference& c : d.columns) {
      std::fprintf(out, "%s: %ld differs: %s file %s, scale %s\n", name.c_str(), d.number, c.column.c_str(),
                   shown(c.file).c_str(), shown(c.scale).c_str());
    }
  }
  for (long number : v.extraNumbers) {
    if (lines++ < kVerifyTableCap) std::fprintf(out, "%s: extra %ld\n", name.c_str(), number);
  }
  const size_t all = static_cast<size_t>(v.missing + v.differing + v.extra);
  if (all > kVerifyTableCap) std::fprintf(out, "%s: ... and %zu more\n", name.c_str(), all - kVerifyTableCap);
  if (v.unverifiable.empty()) return;
  std::string columns;
  for (const std::string& c : v.unverifiable) columns += (columns.empty() ? "" : ", ") + c;
  std::fprintf(out, "%s: not verifiable, the scale never gives them back: %s\n", name.c_str(), columns.c_str());
}

bool holdsTheFile(const VerifyResult& v) { return v.readBack && v.missing == 0 && v.differing == 0 && v.extra == 0; }

}  // namespace

VerifyResult compareWithFile(const ScaleHolding& holding, const FileIndex& file, const RecordImager& imager) {
  VerifyResult out;
  out.readBack = holding.read;
  out.notReadBack = holding.whyNot;
  out.unverifiable = holding.unseen;
  if (!holding.read) return out;
  for (const auto& [number, held] : holding.records) noteHeld(out, number, held, imager);
  for (const auto& [number, position] : file.lastAddition) {
    if (holding.records.count(number) != 0) continue;
    ++out.missing;
    out.missingNumbers.push_back(number);
  }
  sortAndCap(out.missingNumbers);
  sortAndCap(out.extraNumbers);
  std::sort(out.differingRecords.begin(), out.differingRecords.end(),
            [](const RecordDifference& a, const RecordDifference& b) { return a.number < b.number; });
  if (out.differingRecords.size() > kVerifyListCap) out.differingRecords.resize(kVerifyListCap);
  return out;
}

MessageCode verifyAllScales(Driver& driver, std::vector<ScaleReadBack>& readBack) {
  const FileIndex file = indexFile(driver);
  const RecordImager imager(driver.options.dataType);
  const std::vector<ScaleHolding> holdings = readBackScales(driver, file, imager);
  MessageCode result = kMsgOk;
  std::vector<std::string> names;
  std::vector<VerifyResult> results;
  readBack.assign(holdings.size(), {});
  for (size_t i = 0; i < holdings.size(); ++i) {
    const ScaleEntry& scale = *driver.scales.get(static_cast<int>(i));
    results.push_back(compareWithFile(holdings[i], file, imager));
    names.push_back(scale.name);
    readBack[i].verify = results.back();
    if (scale.outcome.status == kStatusOk) continue;
    driver.log.error(kMsgScaleFailed, scale.name.c_str());
    if (result == kMsgOk) result = static_cast<MessageCode>(scale.outcome.code);
  }
  if (driver.console != nullptr) printVerifyTable(names, results, driver.console);
  return result;
}

int verifyExitStatus(const RunReport& report) {
  bool anyRead = false;
  bool all = !report.importCutShort;
  for (const ScaleReport& s : report.scales) {
    anyRead = anyRead || (s.verify && s.verify->readBack);
    all = all && s.verify && holdsTheFile(*s.verify);
  }
  if (!anyRead) return kExitNothingVerified;
  return all ? 0 : kExitScaleFailed;
}

void addVerifyVerdict(const RunReport& report, std::vector<std::string>& lines) {
  const std::string file = report.dataFile.value_or("");
  for (const ScaleReport& s : report.scales) {
    if (!s.verify) continue;
    const VerifyResult& v = *s.verify;
    if (!v.readBack && s.verdict == ScaleVerdict::Ok) lines.push_back(s.name + ": not verified: " + v.notReadBack);
    if (!v.readBack || holdsTheFile(v)) continue;
    lines.push_back(s.name + ": differs from " + file + ": " + std::to_string(v.missing) + " missing, " +
                    std::to_string(v.differing) + " differing, " + std::to_string(v.extra) + " extra");
  }
}

void printVerifyTable(const std::vector<std::string>& names, const std::vector<VerifyResult>& results, std::FILE* out) {
  std::fprintf(out, "%-20s %8s %8s %9s %8s\n", "scale", "held", "missing", "differing", "extra");
  for (size_t i = 0; i < results.size(); ++i) {
    const VerifyResult& v = results[i];
    if (v.readBack) {
      std::fprintf(out, "%-20s %8d %8d %9d %8d\n", names[i].c_str(), v.held, v.missing, v.differing, v.extra);
    } else {
      std::fprintf(out, "%-20s not read back: %s\n", names[i].c_str(), v.notReadBack.c_str());
    }
  }
  for (size_t i = 0; i < results.size(); ++i) printScaleDetails(names[i], results[i], out);
  std::fflush(out);
}

}  // namespace tolvan

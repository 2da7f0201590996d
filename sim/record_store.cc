#include "sim/record_store.h"

#include <charconv>

namespace tolvan::sim {
namespace {

constexpr const char* kKindNames[kTotalsKinds] = {"plu", "hour", "op"};
constexpr const char* kValueNames[kTotalsValues] = {
    "quantity", "weight", "price", "discountvalue", "discountquant", "upoverwritevalue", "upoverwritequant"};
constexpr const char* kAmountName = "amount";

size_t valueCount(TotalsKind kind) { return kind == TotalsKind::Operator ? 7 : 3; }

std::vector<std::string_view> splitWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool parseInt(std::string_view text, int64_t& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

// "name=value" split; false when the word has no '='.
bool splitPair(std::string_view word, std::string_view& name, std::string_view& value) {
  size_t eq = word.find('=');
  if (eq == std::string_view::npos) return false;
  name = word.substr(0, eq);
  value = word.substr(eq + 1);
  return true;
}

// Position of a totals value name in a row of `kind`, or -1.
int valueIndex(TotalsKind kind, std::string_view name) {
  if (kind == TotalsKind::Operator && name == kAmountName) return 2;
  if (kind == TotalsKind::Operator && name == "price") return -1;
  for (size_t i = 0; i < valueCount(kind); ++i) {
    if (name == kValueNames[i]) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

void RecordStore::put(int dataType, int64_t number, Bytes bytes) {
  records_[{dataType, number}] = std::move(bytes);
}

void RecordStore::erase(int dataType, int64_t number) {
  if (number != 0) {
    records_.erase({dataType, number});
    return;
  }
  auto first = records_.lower_bound({dataType, INT64_MIN});
  auto last = records_.lower_bound({dataType + 1, INT64_MIN});
  records_.erase(first, last);
}

std::vector<const Bytes*> RecordStore::ofType(int dataType) const {
  std::vector<const Bytes*> out;
  for (auto it = records_.lower_bound({dataType, INT64_MIN}); it != records_.end() && it->first.first == dataType;
       ++it) {
    out.push_back(&it->second);
  }
  return out;
}

const Bytes* RecordStore::find(int dataType, int64_t number) const {
  auto it = records_.find({dataType, number});
  return it == records_.end() ? nullptr : &it->second;
}

void RecordStore::setTotals(TotalsKind kind, int64_t number, const TotalsValues& values) {
  totals_[static_cast<int>(kind)][number] = values;
}

void RecordStore::resetTotals(TotalsKind kind) { totals_[static_cast<int>(kind)].clear(); }

std::string RecordStore::dumpText() const {
  std::string text;
  for (const auto& [key, bytes] : records_) {
    text += "record type=" + std::to_string(key.first) + " no=" + std::to_string(key.second) +
            " hex=" + toHex(bytes) + "\n";
  }
  for (int k = 0; k < kTotalsKinds; ++k) {
    auto kind = static_cast<TotalsKind>(k);
    for (const auto& [number, values] : totals_[k]) {
      text += std::string("totals ") + kKindNames[k] + " no=" + std::to_string(number);
      for (size_t i = 0; i < valueCount(kind); ++i) {
        const char* name = (kind == TotalsKind::Operator && i == 2) ? kAmountName : kValueNames[i];
        text += std::string(" ") + name + "=" + std::to_string(values[i]);
      }
      text += "\n";
    }
  }
  return text;
}

bool RecordStore::loadText(std::string_view text, std::string& error) {
  int lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!loadLine(line)) {
      error = "cannot read line " + std::to_string(lineNo);
      return false;
    }
  }
  return true;
}

bool RecordStore::loadLine(std::string_view line) {
  std::vector<std::string_view> words = splitWords(line);
  if (words.empty() || words[0].starts_with("#")) return true;
  std::string_view name, value;
  if (words[0] == "record" && words.size() == 4) {
    int64_t type = 0, number = 0;
    Bytes bytes;
    if (!splitPair(words[1], name, value) || name != "type" || !parseInt(value, type)) return false;
    if (!splitPair(words[2], name, value) || name != "no" || !parseInt(value, number)) return false;
    if (!splitPair(words[3], name, value) || name != "hex" || !fromHex(value, bytes)) return false;
    put(static_cast<int>(type), number, std::move(bytes));
    return true;
  }
  if (words[0] != "totals" || words.size() < 3) return false;
  int kind = 0;
  while (kind < kTotalsKinds && words[1] != kKindNames[kind]) ++kind;
  if (kind == kTotalsKinds) return false;
  int64_t number = 0;
  if (!splitPair(words[2], name, value) || name != "no" || !parseInt(value, number)) return false;
  TotalsValues values{};
  for (size_t i = 3; i < words.size(); ++i) {
    int index = -1;
    if (splitPair(words[i], name, value)) index = valueIndex(static_cast<TotalsKind>(kind), name);
    if (index < 0 || !parseInt(value, values[static_cast<size_t>(index)])) return false;
  }
  setTotals(static_cast<TotalsKind>(kind), number, values);
  return true;
}

}  // namespace tolvan::sim

#include "files/digit_findings.h"

#include <algorithm>
#include <cstring>

#include "core/driver_options.h"
#include "dispatch/field_tables.h"
#include "plu/plu_encoding.h"
#include "plu/plu_record.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

// The item code's finding is kept apart from the ItemCode column's.
constexpr uint32_t kItemCodeKey = UINT32_MAX;

using Kept = DigitFindings::Kept;

int digitsOf(uint32_t power) {
  int n = 0;
  for (; power > 1; power /= 10) ++n;
  return n;
}

// The digits of a number that a field of `digits` digits keeps.
std::string keepDigits(const std::string& all, int digits, DigitsKept end) {
  const auto n = static_cast<size_t>(digits);
  if (all.size() <= n) return all;
  return end == DigitsKept::Leading ? all.substr(0, n) : all.substr(all.size() - n);
}

// Kept digits as a scale shows them, with the file's decimal places.
std::string shown(std::string digits, int decimals) {
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  const auto places = static_cast<size_t>(decimals);
  if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
  if (places > 0) digits.insert(digits.size() - places, 1, '.');
  return digits;
}

int decimalPlaces(const std::string& text) {
  const size_t dot = text.rfind('.');
  if (dot == std::string::npos) return 0;
  int n = 0;
  for (size_t i = dot + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++n;
  return n;
}

// A number as the encoders take it from the record: 8-bit and 16-bit
// fields signed.
int64_t numberAt(const void* record, const FieldDef& column) {
  const auto* at = static_cast<const char*>(record) + column.offset;
  if (column.kind == FieldKind::Byte) return static_cast<int8_t>(*at);
  if (column.kind == FieldKind::Short) {
    int16_t v = 0;
    std::memcpy(&v, at, sizeof v);
    return v;
  }
  int32_t v = 0;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// The scales that keep the same digits of one number.
struct Group {
  const Kept* kept;
  std::vector<const ScaleEntry*> scales;
};

std::vector<Group> groupsOf(const std::vector<Kept>& seen) {
  std::vector<Group> groups;
  for (const Kept& k : seen) {
    if (k.text.empty()) continue;
    auto same = [&k](const Group& g) { return g.kept->end == k.end && g.kept->text == k.text; };
    auto it = std::find_if(groups.begin(), groups.end(), same);
    if (it == groups.end()) it = groups.insert(groups.end(), Group{&k, {}});
    it->scales.push_back(k.scale);
  }
  return groups;
}

template <class Name>
std::vector<std::string> distinct(const std::vector<const ScaleEntry*>& scales, Name name) {
  std::vector<std::string> names;
  for (const ScaleEntry* s : scales) {
    if (std::find(names.begin(), names.end(), name(*s)) == names.end()) names.push_back(name(*s));
  }
  return names;
}

std::string joinedOr(const std::vector<std::string>& words) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) out += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
  return out;
}

std::string modelOf(const ScaleEntry& s) { return modelName(s.model); }

// "a vt30", "a vt30 or pmx"; the scales' names when scales of one model
// fare differently, since the model then does not tell them apart.
std::vector<std::string> groupLabels(const std::vector<Group>& groups, const std::vector<Kept>& seen) {
  std::vector<const ScaleEntry*> whole;
  for (const Kept& k : seen) {
    if (k.text.empty()) whole.push_back(k.scale);
  }
  std::vector<std::string> models = distinct(whole, modelOf);
  bool shared = false;
  for (const Group& g : groups) {
    for (const std::string& m : distinct(g.scales, modelOf)) {
      shared = shared || std::find(models.begin(), models.end(), m) != models.end();
      models.push_back(m);
    }
  }
  std::vector<std::string> labels;
  for (const Group& g : groups) {
    labels.push_back(shared ? "scale " + joinedOr(distinct(g.scales, [](const ScaleEntry& s) { return s.name; }))
                            : "a " + joinedOr(distinct(g.scales, modelOf)));
  }
  return labels;
}

// The digits of the item code field split back into the three columns
// (Dept, Group, ItemCode) as a scale reads them; empty when a '-' stands
// among them.
std::vector<std::string> itemCodeColumns(const std::string& digits) {
  const auto itemLen = static_cast<size_t>(digitsOf(kItemCodeItemScale));
  const auto groupLen = static_cast<size_t>(digitsOf(kItemCodeGroupScale));
  if (digits.find('-') != std::string::npos || digits.size() <= itemLen + groupLen) return {};
  const size_t deptLen = digits.size() - itemLen - groupLen;
  return {shown(digits.substr(0, deptLen), 0), shown(digits.substr(deptLen, groupLen), 0),
          shown(digits.substr(deptLen + groupLen), 0)};
}

std::string itemCodeReading(const std::string& digits) {
  std::vector<std::string> read = itemCodeColumns(digits);
  if (read.empty()) return quoted(digits);
  return digits + " as Dept " + read[0] + ", Group " + read[1] + ", ItemCode " + read[2];
}

}  // namespace

bool numbersFitEveryModel(std::span<const FieldDef* const> columns, const void* record) {
  for (const FieldDef* column : columns) {
    if (column == nullptr || column->kind == FieldKind::Text || column->kind == FieldKind::Description) continue;
    if (column->meaning.max < column->meaning.min) continue;
    const int64_t value = numberAt(record, *column);
    if (value < column->meaning.min || value > column->meaning.max) return false;
  }
  return true;
}

void DigitFindings::useColumnsOf(int dataType, int mode) {
  if (dataType == columnsType_ && mode == columnsMode_) return;
  columns_.clearAndFree();
  buildFieldTable(columns_, dataType, mode);
  columnsType_ = dataType;
  columnsMode_ = mode;
  numberColumns_.clear();
  for (int i = 0; i < columns_.count(); ++i) {
    const FieldDef* c = columns_.get(i);
    if (c->kind != FieldKind::Text && c->kind != FieldKind::Description) numberColumns_.emplace(c->offset, c);
  }
}

const FieldDef* DigitFindings::numberColumn(uint32_t offset) const {
  auto it = numberColumns_.find(offset);
  return it != numberColumns_.end() ? it->second : nullptr;
}

std::vector<Kept> DigitFindings::seenOf(uint32_t key) const {
  std::vector<Kept> kept;
  for (const Seen& s : seen_) {
    if (s.key == key) kept.push_back(s.kept);
  }
  return kept;
}

void DigitFindings::lookAtScale(const ScaleEntry& scale, const ScaleFieldList& trace, const void* record, int dataType,
                                int mode) {
  useColumnsOf(dataType, mode);
  const bool plu = dataType == static_cast<int>(DataType::Plu) && mode != kModeDelete;
  for (const ScaleField& field : trace) {
    if (plu && field.offset == offsetof(PluRecord, itemCode)) {
      lookAtItemCode(scale, field, record);
      continue;
    }
    const FieldDef* column = numberColumn(field.offset);
    if (column == nullptr) continue;
    const int64_t value = numberAt(record, *column);
    // A negative number is a matter of its range, not of its digits.
    const std::string all = value < 0 ? std::string() : std::to_string(value);
    const bool whole = static_cast<int>(all.size()) <= field.digits;
    if (!whole) cutKeys_.push_back(field.offset);
    seen_.push_back(
        Seen{field.offset, value,
             Kept{&scale, field.kept, field.digits, whole ? "" : keepDigits(all, field.digits, field.kept)}});
  }
}

// The item code field as the scale gets it, split back into the columns
// it carries: kept when it reads back as other columns than the record's.
void DigitFindings::lookAtItemCode(const ScaleEntry& scale, const ScaleField& field, const void* record) {
  const auto& plu = *static_cast<const PluRecord*>(record);
  const uint32_t combined = pluItemCodeField(plu);
  // Block text writes the field as a signed number, packed digits as it is.
  std::string all =
      field.kept == DigitsKept::Leading ? std::to_string(static_cast<int32_t>(combined)) : std::to_string(combined);
  const auto width = static_cast<size_t>(field.digits);
  if (all.size() < width) all.insert(0, width - all.size(), '0');
  const std::string digits = keepDigits(all, field.digits, field.kept);
  itemColumns_ = {std::to_string(static_cast<int16_t>(plu.dept)), std::to_string(static_cast<int16_t>(plu.group)),
                  std::to_string(plu.itemCode)};
  const bool readsBack = itemCodeColumns(digits) == itemColumns_;
  if (!readsBack) cutKeys_.push_back(kItemCodeKey);
  seen_.push_back(Seen{kItemCodeKey, 0, Kept{&scale, field.kept, field.digits, readsBack ? "" : digits}});
}

std::string DigitFindings::columnFinding(uint32_t offset, const std::map<uint32_t, std::string>& texts) const {
  const FieldDef& column = *numberColumn(offset);
  const std::vector<Kept> seen = seenOf(offset);
  const auto number = std::find_if(seen_.begin(), seen_.end(), [offset](const Seen& s) { return s.key == offset; });
  auto it = texts.find(offset);
  const std::string text = it != texts.end() && !it->second.empty() ? it->second : std::to_string(number->value);
  const int places = column.kind == FieldKind::Long ? decimalPlaces(text) : 0;
  std::vector<Group> groups = groupsOf(seen);
  std::vector<std::string> labels = groupLabels(groups, seen);
  std::string finding = std::string(column.name) + " " + quoted(text) + " has " +
                        std::to_string(std::to_string(number->value).size()) + " digits";
  for (size_t i = 0; i < groups.size(); ++i) {
    const Kept& k = *groups[i].kept;
    finding += "; " + labels[i] + " keeps the " + (k.end == DigitsKept::Leading ? "first " : "last ") +
               std::to_string(k.digits) + " and shows " + shown(k.text, places);
  }
  return finding;
}

std::string DigitFindings::itemCodeFinding() const {
  const std::vector<Kept> seen = seenOf(kItemCodeKey);
  std::vector<Group> groups = groupsOf(seen);
  std::vector<std::string> labels = groupLabels(groups, seen);
  const int rest = digitsOf(kItemCodeItemScale) + digitsOf(kItemCodeGroupScale);
  std::string finding = "Dept " + itemColumns_[0] + ", Group " + itemColumns_[1] + " and ItemCode " + itemColumns_[2] +
                        " do not fit the item code's " + std::to_string(groups[0].kept->digits - rest) + ", " +
                        std::to_string(digitsOf(kItemCodeGroupScale)) + " and " +
                        std::to_string(digitsOf(kItemCodeItemScale)) + " digits";
  for (size_t i = 0; i < groups.size(); ++i) {
    finding += "; " + labels[i] + " reads " + itemCodeReading(groups[i].kept->text);
  }
  return finding;
}

void DigitFindings::endRecord(int lineNo, const std::map<uint32_t, std::string>& texts) {
  std::sort(cutKeys_.begin(), cutKeys_.end());
  cutKeys_.erase(std::unique(cutKeys_.begin(), cutKeys_.end()), cutKeys_.end());
  for (uint32_t key : cutKeys_) {
    report(lineNo, key, key == kItemCodeKey ? itemCodeFinding() : columnFinding(key, texts));
  }
  seen_.clear();
  cutKeys_.clear();
}

void DigitFindings::report(int lineNo, uint32_t key, const std::string& text) {
  auto [it, fresh] = reported_.emplace(key, Reported{found_.size()});
  if (fresh) {
    found_.push_back(Finding{"", lineNo, text});
    return;
  }
  ++it->second.more;
  it->second.lastLine = lineNo;
}

void DigitFindings::finish(const std::string& file, FindingList& out) {
  for (const auto& [key, r] : reported_) {
    if (r.more == 0) continue;
    found_[r.index].text += " (" + std::to_string(r.more) + " more line" + (r.more == 1 ? "" : "s") +
                            " like it, the last line " + std::to_string(r.lastLine) + ")";
  }
  for (Finding& f : found_) {
    f.file = file;
    out.push_back(std::move(f));
  }
  found_.clear();
  reported_.clear();
}

}  // namespace tolvan

#include "sim/record_keys.h"

#include <array>

namespace tolvan::sim {
namespace {

constexpr int kSessionStart = 80;
constexpr int kSessionEnd = 81;
constexpr int kDigitsByMaxExMsg = -1;

Meaning meaning(Action action, int type = kTypeUnknown, size_t unit = 0) {
  Meaning m;
  m.action = action;
  m.dataType = type;
  m.unitSize = unit;
  return m;
}

Meaning totalsMeaning(Action action, TotalsKind kind) {
  Meaning m = meaning(action);
  m.totals = kind;
  return m;
}

// Records sent to the scale, by message number.
int storedTypeOf(int number) {
  switch (number) {
    case 23: return kTypePriceChange;
    case 30: return kTypePlu;
    case 31: return kTypeStore;
    case 32: return kTypeExMsg;
    case 33: return kTypeExMsg2;
    case 34: return kTypeExMsg3;
    case 35: return kTypeCoupon;
    case 36: return kTypeKeyboard;
    case 46: return kTypeNutrition;
    default: return kTypeUnknown;
  }
}

// Deletions, by message number, with the size of one deleted number.
Meaning deletionOf(int number) {
  switch (number) {
    case 0: return meaning(Action::Delete, kTypePlu, 4);
    case 1: return meaning(Action::Delete, kTypeStore, 2);
    case 2: return meaning(Action::Delete, kTypeExMsg, 4);
    case 3: return meaning(Action::Delete, kTypeExMsg2, 4);
    case 4: return meaning(Action::Delete, kTypeExMsg3, 4);
    case 5: return meaning(Action::Delete, kTypeCoupon, 4);
    case 6: return meaning(Action::Delete, kTypeKeyboard, 1);
    case 15: return meaning(Action::Delete, kTypeNutrition, 4);
    default: return meaning(Action::Unknown);
  }
}

// Upload requests and totals, by message number.
Meaning requestOf(int number) {
  switch (number) {
    case 11: return totalsMeaning(Action::ResetTotals, TotalsKind::Plu);
    case 12: return totalsMeaning(Action::ResetTotals, TotalsKind::Hour);
    case 13:
    case 14: return totalsMeaning(Action::ResetTotals, TotalsKind::Operator);
    case 50: return meaning(Action::Upload, kTypePlu);
    case 51: return meaning(Action::Upload, kTypeStore);
    case 52: return meaning(Action::Upload, kTypeExMsg);
    case 53: return meaning(Action::Upload, kTypeExMsg2);
    case 54: return meaning(Action::Upload, kTypeExMsg3);
    case 55: return meaning(Action::Upload, kTypeCoupon);
    case 56: return meaning(Action::Upload, kTypeKeyboard);
    case 66: return meaning(Action::Upload, kTypeNutrition);
    case 61: return totalsMeaning(Action::UploadTotals, TotalsKind::Plu);
    case 62: return totalsMeaning(Action::UploadTotals, TotalsKind::Hour);
    case 64: return totalsMeaning(Action::UploadTotals, TotalsKind::Operator);
    default: return meaning(Action::Unknown);
  }
}

enum class Versions { Usa, Others, Any };
enum class Models { Any, Lm50, NotLm50 };

struct BlockCode {
  std::string_view code;
  Versions versions;
  Models models;
  Action action;
  int dataType;
  TotalsKind totals;
  int digits;      // digits of the record number behind the code
  int keyOffset;   // keyboard: added to the key number of the page
};

constexpr TotalsKind kPlu = TotalsKind::Plu;
constexpr TotalsKind kHour = TotalsKind::Hour;
constexpr TotalsKind kOp = TotalsKind::Operator;

// Longer codes that share a start with shorter ones come first.
constexpr std::array<BlockCode, 48> kBlockCodes = {{
    // Scales of version "usa".
    {"65", Versions::Usa, Models::Any, Action::Store, kTypePlu, kPlu, 6, 0},
    {"10", Versions::Usa, Models::Any, Action::Delete, kTypePlu, kPlu, 6, 0},
    {"50", Versions::Usa, Models::Any, Action::Upload, kTypePlu, kPlu, 0, 0},
    {"35", Versions::Usa, Models::Any, Action::Store, kTypeExMsg, kPlu, kDigitsByMaxExMsg, 0},
    {"61", Versions::Usa, Models::Any, Action::Store, kTypeCoupon, kPlu, kDigitsByMaxExMsg, 0},
    {"13", Versions::Usa, Models::Any, Action::Delete, kTypeExMsg, kPlu, kDigitsByMaxExMsg, 0},
    {"21", Versions::Usa, Models::Any, Action::Delete, kTypeCoupon, kPlu, kDigitsByMaxExMsg, 0},
    {"51", Versions::Usa, Models::Any, Action::Upload, kTypeExMsg, kPlu, 0, 0},
    {"52", Versions::Usa, Models::Any, Action::Upload, kTypeCoupon, kPlu, 0, 0},
    {"31", Versions::Usa, Models::Any, Action::Store, kTypePriceChange, kPlu, 6, 0},
    {"32", Versions::Usa, Models::Any, Action::Store, kTypeMarkdownChange, kPlu, 6, 0},
    {"34", Versions::Usa, Models::Any, Action::Store, kTypeStore, kPlu, 2, 0},
    {"23", Versions::Usa, Models::Any, Action::Delete, kTypeStore, kPlu, 2, 0},
    {"640", Versions::Usa, Models::Any, Action::Store, kTypeKeyboard, kPlu, 2, 0},
    {"641", Versions::Usa, Models::Any, Action::Store, kTypeKeyboard, kPlu, 2, 88},
    {"15", Versions::Usa, Models::Any, Action::DeleteAll, kTypeKeyboard, kPlu, 0, 0},
    {"53", Versions::Usa, Models::Any, Action::Upload, kTypeNutrition, kPlu, 0, 0},
    {"40", Versions::Usa, Models::Any, Action::UploadTotals, kTypeUnknown, kPlu, 0, 0},
    {"43", Versions::Usa, Models::Any, Action::UploadTotals, kTypeUnknown, kHour, 0, 0},
    {"47", Versions::Usa, Models::Any, Action::UploadTotals, kTypeUnknown, kOp, 0, 0},
    {"19", Versions::Usa, Models::Any, Action::ResetTotals, kTypeUnknown, kPlu, 0, 0},
    {"27", Versions::Usa, Models::Any, Action::ResetTotals, kTypeUnknown, kOp, 0, 0},
    {"17", Versions::Usa, Models::Any, Action::ResetAllTotals, kTypeUnknown, kPlu, 0, 0},
    // Scales of every other version.
    {"6502", Versions::Others, Models::Any, Action::Store, kTypePlu, kPlu, 6, 0},
    {"1001", Versions::Others, Models::Any, Action::Delete, kTypePlu, kPlu, 6, 0},
    {"5002", Versions::Others, Models::Any, Action::Upload, kTypePlu, kPlu, 0, 0},
    {"3501", Versions::Others, Models::Any, Action::Store, kTypeExMsg, kPlu, kDigitsByMaxExMsg, 0},
    {"6102", Versions::Others, Models::Any, Action::Store, kTypeCoupon, kPlu, kDigitsByMaxExMsg, 0},
    {"1301", Versions::Others, Models::Any, Action::Delete, kTypeExMsg, kPlu, kDigitsByMaxExMsg, 0},
    {"2102", Versions::Others, Models::Any, Action::Delete, kTypeCoupon, kPlu, kDigitsByMaxExMsg, 0},
    {"5102", Versions::Others, Models::Any, Action::Upload, kTypeExMsg, kPlu, 0, 0},
    {"5202", Versions::Others, Models::Any, Action::Upload, kTypeCoupon, kPlu, 0, 0},
    {"3101", Versions::Others, Models::Any, Action::Store, kTypePriceChange, kPlu, 6, 0},
    {"6602", Versions::Others, Models::Any, Action::Store, kTypePriceChange, kPlu, 6, 0},
    {"3201", Versions::Others, Models::Any, Action::Store, kTypeMarkdownChange, kPlu, 6, 0},
    {"6702", Versions::Others, Models::Any, Action::Store, kTypeMarkdownChange, kPlu, 6, 0},
    {"3401", Versions::Others, Models::Any, Action::Store, kTypeStore, kPlu, 2, 0},
    {"2302", Versions::Others, Models::Any, Action::Delete, kTypeStore, kPlu, 2, 0},
    {"38020", Versions::Others, Models::Any, Action::Store, kTypeKeyboard, kPlu, 2, 0},
    {"38021", Versions::Others, Models::Any, Action::Store, kTypeKeyboard, kPlu, 2, 88},
    {"1501", Versions::Others, Models::Any, Action::DeleteAll, kTypeKeyboard, kPlu, 0, 0},
    {"5302", Versions::Others, Models::Any, Action::Upload, kTypeNutrition, kPlu, 0, 0},
    {"4001", Versions::Others, Models::Any, Action::UploadTotals, kTypeUnknown, kPlu, 0, 0},
    {"4301", Versions::Others, Models::Any, Action::UploadTotals, kTypeUnknown, kHour, 0, 0},
    {"1901", Versions::Others, Models::Any, Action::ResetTotals, kTypeUnknown, kPlu, 0, 0},
    {"2702", Versions::Others, Models::Any, Action::ResetTotals, kTypeUnknown, kOp, 0, 0},
    {"1701", Versions::Others, Models::Any, Action::ResetAllTotals, kTypeUnknown, kPlu, 0, 0},
    // Nutrition panels: the code depends on the model, not the version.
    {"6002", Versions::Any, Models::Lm50, Action::Store, kTypeNutrition, kPlu, 6, 0},
}};

// Codes that every version shares, tried after the table above.
constexpr std::array<BlockCode, 4> kSharedCodes = {{
    {"60", Versions::Any, Models::NotLm50, Action::Store, kTypeNutrition, kPlu, 6, 0},
    {"24", Versions::Any, Models::Any, Action::Delete, kTypeNutrition, kPlu, 6, 0},
    // Next-day and rewrap totals: this scale keeps none, so a clear is only answered.
    {"2602", Versions::Others, Models::Any, Action::Acknowledge, kTypeUnknown, kPlu, 0, 0},
    {"2502", Versions::Others, Models::Any, Action::Acknowledge, kTypeUnknown, kPlu, 0, 0},
}};

bool applies(const BlockCode& c, const ScaleProfile& profile, std::string_view text) {
  if (c.versions == Versions::Usa && !profile.usa()) return false;
  if (c.versions == Versions::Others && profile.usa()) return false;
  if (c.models == Models::Lm50 && !profile.lm50()) return false;
  if (c.models == Models::NotLm50 && profile.lm50()) return false;
  return text.starts_with(c.code);
}

int exMsgDigits(int maxExMsg) {
  if (maxExMsg < 100) return 2;
  return maxExMsg < 10000 ? 4 : 6;
}

BlockRecord recordOf(const BlockCode& c, const ScaleProfile& profile, std::string_view text) {
  BlockRecord r;
  r.meaning.action = c.action;
  r.meaning.dataType = c.dataType;
  r.meaning.totals = c.totals;
  int digits = c.digits == kDigitsByMaxExMsg ? exMsgDigits(profile.maxExMsg) : c.digits;
  if (digits > 0) {
    int64_t n = readDigits(text, c.code.size(), static_cast<size_t>(digits));
    r.number = n < 0 ? -1 : n + c.keyOffset;
  }
  return r;
}

}  // namespace

Meaning classifyMessage(int number) {
  if (number == kSessionStart) return meaning(Action::SessionStart);
  if (number == kSessionEnd) return meaning(Action::SessionEnd);
  if (int type = storedTypeOf(number); type != kTypeUnknown) return meaning(Action::Store, type);
  Meaning m = deletionOf(number);
  return m.action != Action::Unknown ? m : requestOf(number);
}

int64_t messageRecordNumber(int dataType, std::span<const uint8_t> body, bool deletion) {
  size_t width = 4;
  if (dataType == kTypeStore) width = 2;
  if (dataType == kTypeKeyboard) {
    if (body.empty()) return -1;
    // A keyboard record holds its key as one plain byte; a deletion as two digits.
    return deletion ? decodeBcd(body.first(1)) : body[0];
  }
  if (body.size() < width) return -1;
  return decodeBcd(body.first(width));
}

int uploadMessageNumber(int dataType) {
  for (int n = 50; n <= 66; ++n) {
    Meaning m = requestOf(n);
    if (m.action == Action::Upload && m.dataType == dataType) return n;
  }
  return -1;
}

BlockRecord classifyBlockRecord(const ScaleProfile& profile, std::string_view text) {
  for (const BlockCode& c : kBlockCodes) {
    if (applies(c, profile, text)) return recordOf(c, profile, text);
  }
  for (const BlockCode& c : kSharedCodes) {
    if (applies(c, profile, text)) return recordOf(c, profile, text);
  }
  return BlockRecord{};
}

std::string_view blockTotalsCode(const ScaleProfile& profile, TotalsKind kind) {
  switch (kind) {
    case TotalsKind::Plu: return profile.usa() ? "40" : "4001";
    case TotalsKind::Hour: return profile.usa() ? "43" : "4301";
    case TotalsKind::Operator: return "47";
  }
  return "";
}

}  // namespace tolvan::sim

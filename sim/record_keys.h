// What the scale makes of what it is sent: for the message family, the
// meaning of each message number and where a record's number sits; for
// the block family, the record code at the start of each record text, which
// differs between scales of version "usa" (2 characters) and every other
// version (4 characters), and the number behind it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "sim/record_store.h"
#include "sim/sim_scale.h"

namespace tolvan::sim {

// Data type numbers the scale files its records under.
enum SimDataType : int {
  kTypeUnknown = 0,
  kTypePlu = 1,
  kTypeExMsg = 2,
  kTypeExMsg2 = 3,
  kTypeExMsg3 = 4,
  kTypeCoupon = 5,
  kTypePriceChange = 6,
  kTypeMarkdownChange = 7,
  kTypeStore = 8,
  kTypeKeyboard = 9,
  kTypeNutrition = 10,
};

enum class Action {
  Unknown,
  SessionStart,
  SessionEnd,
  Store,         // records to keep
  Delete,        // record numbers to delete (0 = all of the type)
  DeleteAll,     // every record of the type
  Upload,        // send back the records of the type
  UploadTotals,  // send back the totals of a kind
  ResetTotals,   // clear the totals of a kind
  ResetAllTotals,
  Acknowledge,  // understood, nothing kept (totals the scale does not hold)
};

struct Meaning {
  Action action = Action::Unknown;
  int dataType = kTypeUnknown;
  TotalsKind totals = TotalsKind::Plu;
  size_t unitSize = 0;  // message family: bytes of one deletion
};

// Message family: the meaning of message `number` (0..99).
Meaning classifyMessage(int number);
// The number at the start of a record body (or of a deletion) of the type;
// -1 when it does not read.
int64_t messageRecordNumber(int dataType, std::span<const uint8_t> body, bool deletion);
// The message number that asks for the type's records, and for totals.
int uploadMessageNumber(int dataType);

// Block family: the meaning and record number of one record text.
struct BlockRecord {
  Meaning meaning;
  int64_t number = -1;
};
BlockRecord classifyBlockRecord(const ScaleProfile& profile, std::string_view text);
// The record code this scale puts in front of the totals records it sends.
std::string_view blockTotalsCode(const ScaleProfile& profile, TotalsKind kind);

}  // namespace tolvan::sim

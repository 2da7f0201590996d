// Totals records sent by a scale, read into a record of their kind and
// written as one export line to the scale's work file.
//
// Message family: one record body, numbers as packed digits
//   PLU      [0..3] PLU (8)  [4..7] quantity  [8..11] weight  [12..15] price
//   hour     [0] hour (2)  [1..3] not read  [4..7] quantity  [8..11] weight  [12..15] price
//   operator [0] operator (2)  [1..3] not read  [4..7] quantity  [8..11] weight
//            [12..15] amount  [16..19] discount value  [20..23] discount quantity
//            [24..27] up-overwrite value  [28..31] up-overwrite quantity
// Block family: ASCII text, the record code (2 characters on "usa" scales,
// 4 on others), then decimal fields at fixed character positions
//   PLU      PLU (6) quantity (6) weight (8) price (8)
//   hour     hour (2) quantity (6) weight (8) price (8)
//   operator operator (2) quantity (6) weight (8) amount (8)   ("usa" only)
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/scale_entry.h"

namespace tolvan {

// How a received totals record read.
enum class TotalsReading {
  Whole,        // every field read as a number
  NonDigits,    // a field held other characters; the line shows what reads (see readTotalsRecord)
  WrongLength,  // shorter or longer than its layout, so no field can be trusted: no line
  NoLayout,     // the scale's family (or version) has no layout for the type: no line
};

// Reads `data` as a totals record of `scale.dataType` and formats its
// export line into `line` (empty when there is none); `key` gets the first
// field as read (PLU number, hour or operator). A message-family group is
// read as its digits up to the first nibble above 9 (0 when it starts with
// one). Block fields are read from the last to the first, each up to its
// first non-digit; a field that holds no number ends the reading, and the
// fields before it show 0.
TotalsReading readTotalsRecord(const ScaleEntry& scale, std::span<const uint8_t> data, char separator,
                               std::string& line, int32_t& key);

// The received-record handler of the totals types: reads the record and
// appends its line to `scale.workFile`, flushed at once. A record with
// non-digits is noted in the scale's tally (its place in the reply and its
// key) and kept like a whole one. False for a record of the wrong length
// (no line), a scale of neither family, or a line the work file did not
// take; the caller then fails the scale's receive, so the scale keeps its
// totals.
bool handleReceivedTotals(ScaleEntry& scale, std::span<const uint8_t> data);

}  // namespace tolvan

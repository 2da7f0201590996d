// The three dispatches by data type through which the rest of the driver
// reaches the code of one data type: record conversion (record -> scale
// bytes), upload request, and received record handling. They hold no state
// and run in the scale workers' threads.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "core/scale_entry.h"
#include "records/deletion_record.h"
#include "records/scale_fields.h"

namespace tolvan {

// The converted-record buffer every caller passes.
inline constexpr int kMaxConvertedLen = 4096;

// Converts one record of the run (a record of `dataType`, or a
// DeletionRecord when `mode` is 2) into the bytes for `scale`. On success
// `length` is the byte count written to `buffer` and `code` the message
// number (message family). False when the combination is not supported;
// an unknown data type also sets `length` to 0. A `trace` learns, for each
// number the record gives the scale, the digits its field holds.
bool convertRecord(const ScaleEntry& scale, int dataType, int mode, const void* record, int& code,
                   std::span<uint8_t> buffer, int& length, ScaleFieldList* trace = nullptr);

// The request that makes the scale send its records of `scale.dataType`.
// False (outputs untouched) when the type has no request for its family.
bool buildUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length);

// One record as the protocol delivers it: parses it and keeps the result
// where its type keeps it (the shared record list under the driver's lock,
// or the scale's work file). False when the type has no handler or the
// record was not handled.
bool handleReceivedRecord(ScaleEntry& scale, std::span<const uint8_t> data);

// A record image of its own (not in a list), released with std::free.
struct RecordFree {
  void operator()(void* record) const { std::free(record); }
};
using RecordBlock = std::unique_ptr<void, RecordFree>;

// One master-data record as the protocol delivers it, read into a record
// of its own: no list or file is touched. Null when scale.dataType has no
// master-data reader for the scale's family.
RecordBlock parseReceivedRecord(const ScaleEntry& scale, std::span<const uint8_t> data);

// The record the scale gives back once it has taken `record` (a record of
// scale.dataType): converted for the scale as a send converts it, then read
// as a received record. Null when the scale cannot take the record or gives
// the type back in no form the driver reads.
RecordBlock asScaleHoldsIt(const ScaleEntry& scale, const void* record);

// The operation each dispatch picks, exposed so the type-to-operation
// mapping can be checked on its own.
enum class ConvertOp : int {
  UnknownType,   // not a run type: false with `length` 0
  NotSupported,  // a run type without this direction: false
  Plu,
  PluDeletion,
  ExMsg,
  ExMsgDeletion,
  PriceCng,
  MkdPriceCng,
  Store,
  StoreDeletion,
  Keyboard,
  KeyboardDeletion,
  Nutrition,
  NutritionDeletion,
  PluTotalsClear,       // "pluprod", "nextdayprod", "rewrapprod"
  HourlyTotalsClear,    // "hourlyprod"
  OperatorTotalsClear,  // "opprod"
  ProdTotalsClear,      // "prod"
};

enum class UploadOp : int {
  None,
  Plu,
  ExMsg,
  Store,
  Keyboard,
  Nutrition,
  PluTotals,
  HourlyTotals,
  OperatorTotals,
};

enum class ReceiveOp : int {
  None,
  Plu,
  ExMsg,
  Store,
  Keyboard,
  Nutrition,
  PluTotals,
  HourlyTotals,
  OperatorTotals,
};

ConvertOp convertOpFor(int dataType, int mode);
UploadOp uploadOpFor(int dataType);
ReceiveOp receiveOpFor(int dataType);

}  // namespace tolvan

// Keyboard layouts ("keyboard"): one record per key with its key type and
// data value; the record's image is also its layout in a resend file. The
// import columns, the scale records for sending and deleting in both
// families, the upload request and the received records (message family
// only) that join the shared record list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/scale_entry.h"
#include "records/field_def.h"
#include "records/scale_fields.h"

namespace tolvan {

// Keys are numbered from 1; block scales and "vt40" have two pages of 88
// keys, "meriopro" one.
inline constexpr int32_t kKeysPerPage = 88;
inline constexpr int32_t kMaxKeyTwoPages = 2 * kKeysPerPage;

struct KeyboardRecord {
  int32_t keyNo;    // 0  "Key_No"; the record's key
  int32_t keyType;  // 4  "Type", one decimal digit on the scale
  int32_t data;     // 8  "Data", the value assigned to the key
};
static_assert(sizeof(KeyboardRecord) == 12);
static_assert(offsetof(KeyboardRecord, keyType) == 4);
static_assert(offsetof(KeyboardRecord, data) == 8);

// "Key_No", "Type", "Data", all 32-bit numbers.
void buildKeyboardFieldTable(FieldTable& table);

// A new all-zero record for the record list, released with std::free.
KeyboardRecord* newKeyboardRecord();

// The scale record of one key. Block family: "640"/"641" ("usa") or
// "38020"/"38021" (first/second page), the key's number on its page, the
// type and the data (12 or 14 characters, a NUL behind them that `length`
// does not count). Message family: message 36, record header and a 6-byte
// body (14 bytes). False, with `length` 0, for a key outside the model's
// range, a model of neither family, or a buffer too small. A `trace` learns
// the digits each number gets.
bool convertKeyboard(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                     int& length, ScaleFieldList* trace = nullptr);

// `record` is a DeletionRecord whose recNo is the key (0: every key).
// Block family: only key 0, the text "15" ("usa") or "1501". Message
// family: message 6 with the bare 1-byte body of the key as 2 packed
// digits; key 0 or a key in the model's range, so that a key number cut to
// two digits never becomes 0 and clears the whole keyboard.
bool convertKeyboardDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                             int& length, ScaleFieldList* trace = nullptr);

// Message 56 with 4 zero bytes ("meriopro") or 5 ("vt40"). False, with
// `length` 0, for block scales, which cannot send their keyboard.
bool buildKeyboardUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length);

// One message-family record body: [0] key, [1] type, plain bytes;
// [2..5] data, 8 packed digits. Adds it to the shared record list unless
// the key is there already. False, keeping nothing, for a block scale or a
// body shorter than 6 bytes.
// The record alone, as a new heap block (std::free) the caller owns; null
// where handleReceivedKeyboard keeps nothing.
void* parseReceivedKeyboard(const ScaleEntry& scale, std::span<const uint8_t> data);
bool handleReceivedKeyboard(ScaleEntry& scale, std::span<const uint8_t> data);

}  // namespace tolvan

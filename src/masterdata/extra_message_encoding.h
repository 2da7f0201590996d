// Extra messages and coupons on the wire, for data types 2 to 5 ("exmsg",
// "exmsg2", "exmsg3", "coupon").
// Message family ("meriopro", "vt40"): the record (messages 32 to 35:
// MessageRecordHeader, the number as 8 packed digits, the text length and
// the text), the deletion (messages 2 to 5, the bare number) and the upload
// request (messages 52 to 55).
// Block family ("vt30", "pmx", "lm50"): the record ("35"/"3501", coupons
// "61"/"6102"), the deletion ("13"/"1301", coupons "21"/"2102") and the
// request; the short codes are those of "usa" scales. The message number
// takes 2, 4 or 6 digits, as many as the scale's "maxexmsg" needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/scale_entry.h"
#include "records/scale_fields.h"

namespace tolvan {

// The most text bytes an extra message carries to a scale, and a coupon to
// a message-family scale; longer texts are cut.
inline constexpr size_t kExMsgTextLimit = 1028;
inline constexpr size_t kCouponMessageTextLimit = 510;

// Digits of a message number in block-family records: 2 below 100,
// 4 up to 9999, 6 from 10000.
int exMsgDigits(int maxExMsg);

// `record` is an ExMsgRecord of `dataType`. The whole of `buffer` is the
// capacity (callers pass 4096 bytes). On success `length` is the bytes
// written and `code` the message number (message family) or the two-digit
// block code (35 or 61); block texts are followed by a NUL that `length`
// does not count. False, with `length` 0, for a type outside 2 to 5, a
// model of neither family, a block-family number that does not fit its
// digits (or is below 0), or a buffer too small. A `trace` learns the
// digits the number gets where it can be cut (message family).
bool convertExMsg(const ScaleEntry& scale, int dataType, const void* record, int& code, std::span<uint8_t> buffer,
                  int& length, ScaleFieldList* trace = nullptr);

// `record` is a DeletionRecord whose recNo is the message number to delete
// (0 deletes every record of the type). Same results; block code 13 or 21.
bool convertExMsgDeletion(const ScaleEntry& scale, int dataType, const void* record, int& code,
                          std::span<uint8_t> buffer, int& length, ScaleFieldList* trace = nullptr);

// The request for the scale's records of `scale.dataType`. Message family:
// messages 52 to 55 with the number 0 as 8 packed digits. Block family:
// "51"/"5102" and as many zeros as the number has digits, or for coupons
// "5200"/"520200" (`code` untouched). False, with `length` 0, otherwise.
bool buildExMsgUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length);

}  // namespace tolvan

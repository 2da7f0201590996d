// What the driver sends about totals: the upload request that makes a
// scale send its totals of one kind, and the clear record that resets them.
//
// Block family: an ASCII text whose record code differs for "usa" scales
// and every other version (PLU totals request "400000" / "40010000", clear
// "19" / "1901"). Message family: a message number and a short body of
// packed digits (PLU totals request 61 with 00 00 00 00, clear 11 with
// 00 00 00 00). Clear records carry no MessageRecordHeader.
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"

namespace tolvan {

// The request for the scale's totals of `dataType` ("pluprod",
// "hourlyprod", "opprod"). On success `length` is the bytes written to
// `buffer` and, for the message family, `code` the message number (block
// texts are followed by a NUL that `length` does not count, `code` is
// untouched). False, with `length` 0, where the scale's family and version
// have no request for the type, or when `buffer` is too small.
bool buildTotalsRequest(const ScaleEntry& scale, int dataType, int& code, std::span<uint8_t> buffer,
                        int& length);

// The record that clears the scale's totals of `dataType` ("pluprod",
// "hourlyprod", "opprod", "nextdayprod", "rewrapprod", "prod"); same
// outputs and failures as the request.
bool buildTotalsClear(const ScaleEntry& scale, int dataType, int& code, std::span<uint8_t> buffer, int& length);

}  // namespace tolvan

// Work files ("%sWrk.txt", collecting a scale's received totals lines) and
// the entry layout of resend files (records a failed scale did not get, for
// a later -r run; kept by resend_file.h).
//
// Resend file entry, numbers little-endian:
//   [0..1] data type  [2..3] mode (1 addition, 2 deletion)
//   [4..7] record length L  [8..11] reserved 0  [12..] L bytes of the record
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/scale_entry.h"

namespace tolvan {

inline constexpr int kMaxResendRecordLen = 4096;
inline constexpr int kResendEntryHeaderLen = 12;

std::string workFileName(const ScaleEntry& scale);
// A missing file is no error.
void deleteWorkFile(const ScaleEntry& scale);
// Creates (truncates) the work file into scale.workFile (closing one still
// open there); false on failure, with scale.workFile left null. The caller
// reports message 31.
bool createWorkFile(ScaleEntry& scale);
// Byte length of a record image of the data type in the mode (0 if none):
// every deletion (mode 2, and delete-all's mode 3) is 8 bytes.
int recordLength(int dataType, int mode);

// One resend entry header, as read from or written to the file.
struct ResendEntryHeader {
  int dataType = 0;
  int mode = 0;
  uint32_t length = 0;
};
void encodeResendHeader(const ResendEntryHeader& header, uint8_t (&out)[kResendEntryHeaderLen]);
ResendEntryHeader decodeResendHeader(const uint8_t (&in)[kResendEntryHeaderLen]);

}  // namespace tolvan

// Work files ("%sWrk.txt", collecting a scale's received totals lines) and
// resend files (records a failed scale did not get, for a later -r run).
#pragma once

#include <string>

#include "frame/scale_entry.h"

namespace tolvan {

class Driver;

inline constexpr int kMaxResendRecordLen = 4096;
inline constexpr int kResendEntryHeaderLen = 12;

std::string workFileName(const ScaleEntry& scale);
void deleteWorkFile(const ScaleEntry& scale);
// Creates (truncates) the work file into scale.workFile; false on failure.
bool createWorkFile(ScaleEntry& scale);
// Byte length of a record image of the data type in the mode (0 if none).
int recordLength(int dataType, int mode);
// Appends the run's whole record list to the scale's resend file; logs 20
// in the driver log when it cannot be opened.
void appendToResendFile(Driver& driver, const ScaleEntry& scale);

}  // namespace tolvan

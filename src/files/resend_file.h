// Resend files kept whole: every change is a new file renamed over the old
// one (ReplacementFile), so a kill or a full disk at any instant leaves
// either the old or the new file. Reading survives damage: an entry that
// does not read (bad type, mode or length, cut short, or a torn entry with
// a later one written behind it) is set aside in "<resend file>.damaged"
// with a warning on standard error (the scale's outcome counts the
// stretches set aside), and the entries after it are still found. A file
// never holds two entries for one record: a newer entry, or a record a
// scale has since taken, makes the older one stale, so a resend can never
// put old data over new. Main thread only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/message_table.h"
#include "core/record_list.h"
#include "core/scale_entry.h"
#include "files/work_files.h"

namespace tolvan {

class Driver;

// One record a resend file holds or is to hold: an entry read from a file
// (at `offset`) or a record of the run's list (`record`, kept packed: the
// entry gets its full image).
struct ResendEntry {
  ResendEntryHeader header;
  int32_t key = 0;
  long offset = -1;
  const PackedRecord* record = nullptr;
};

struct ResendScan {
  std::vector<ResendEntry> entries;            // every entry that reads whole, in file order
  std::vector<std::pair<long, long>> damaged;  // byte ranges [from, to) that do not
};

// Reads the whole open file; false when it cannot be read at all.
bool scanResendFile(std::FILE* file, ResendScan& scan);

// For each record of `sequence` (oldest first): true when a later one is of
// the same data type and key, or is a deletion of number 0 (every record)
// of its type.
std::vector<bool> staleEntries(const std::vector<ResendEntry>& sequence);

// Before a resend (-r): sets what does not read aside, drops stale
// entries, and opens what is left for the worker into `file` (null when
// there is nothing to send; `entries` gets the count). 20 (logged) when
// the file cannot be read or rewritten: it is then left as it was and
// nothing is sent from it.
MessageCode openResendFile(Driver& driver, ScaleEntry& scale, std::FILE*& file, int& entries);
// After a resend: the first `delivered` entries went to the scale; the
// file keeps the rest, or is deleted when nothing is left. 0 or 20 (logged).
MessageCode finishResend(Driver& driver, ScaleEntry& scale, int delivered);
// After a send operation: a scale that `failed` gets the run's records
// added to its resend file; one that took them loses the entries they
// make stale. 0 or 20 (logged); on 20 the file is as it was.
MessageCode keepRunInResendFile(Driver& driver, ScaleEntry& scale, bool failed);

// The entries a resend would send from the file (0 when it does not exist).
int countResendEntries(const std::string& path);

}  // namespace tolvan

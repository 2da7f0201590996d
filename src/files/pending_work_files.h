// Work files that hold sales no export has yet. A totals receive writes the
// record "TolvanDrvPending.txt" (its start and every scale's work file)
// before any scale is reset, and removes it once its export is on disk. A
// later run that finds the record (the receive was killed, crashed or could
// not write its export) moves those work files into a folder of their own
// under "TolvanDrvKept/" before its configuration loader would delete them,
// and leaves them there for a person.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/message_table.h"
#include "files/finding.h"

namespace tolvan {

class Driver;

inline constexpr const char* kPendingWorkFiles = "TolvanDrvPending.txt";
inline constexpr const char* kKeptWorkFolder = "TolvanDrvKept";

// The work files one run set aside.
struct KeptFiles {
  std::string folder;              // "TolvanDrvKept/2026-12-04_135624"
  std::vector<std::string> files;  // the work files' names in it
};

// Before the workers of a totals receive start: writes the record whole and
// synced. 0, or 31 (logged) when it cannot: no scale may be reset then.
MessageCode notePendingWorkFiles(Driver& driver);

// At the end of a totals receive: once the export is written the record is
// removed durably (a record that cannot be removed is warned about on
// `err`); when it is not, `err` hears where the sales wait.
void settlePendingWorkFiles(bool exported, std::FILE* err);

// Before the configuration is loaded: when a record was left behind, moves
// every work file it names that still exists, then the record, into a new
// folder under TolvanDrvKept/, tells `err` and fills `kept`. 0 when nothing
// was pending or all of it moved; 31 (logged, told on `err`) when a file
// would not move: the run must stop then, or its loader would delete the
// work files. The record stays for the next run in that case.
MessageCode keepPendingWorkFiles(Driver& driver, std::optional<KeptFiles>& kept, std::FILE* err);

// For --check, which moves nothing: a finding when a record is pending.
void findPendingWorkFiles(FindingList& findings);

}  // namespace tolvan

// --verify: every scale's records of the type read back and compared with
// the import file as that scale would hold it; a table on the console,
// the same per scale in the run report. Nothing on a scale changes and no
// export, work or resend file is written. Main thread only.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/read_back.h"
#include "app/run_report.h"
#include "core/message_table.h"

namespace tolvan {

class Driver;

// The run report's operation of a --verify run.
inline constexpr const char* kVerifyOperation = "verify";
// Records a list of the report holds at most, and records the table names per scale.
inline constexpr size_t kVerifyListCap = 1000;
inline constexpr size_t kVerifyTableCap = 20;

// Reads back, compares and prints the table on driver.console (when set);
// logs message 32 for each scale that failed to give its records back.
// 0, or the code of the first such scale.
MessageCode verifyAllScales(Driver& driver, std::vector<ScaleReadBack>& readBack);

// One scale's comparison, from what it gave back.
VerifyResult compareWithFile(const ScaleHolding& holding, const FileIndex& file, const RecordImager& imager);

// 0 when every scale was read back and holds the file, 51 when none was
// read back, else 50 (an over-long line cutting the import short too).
int verifyExitStatus(const RunReport& report);
// The closing lines of a --verify run: scales that differ or that do not
// give the type back (failed scales have their line already).
void addVerifyVerdict(const RunReport& report, std::vector<std::string>& lines);

void printVerifyTable(const std::vector<std::string>& names, const std::vector<VerifyResult>& results, std::FILE* out);

}  // namespace tolvan

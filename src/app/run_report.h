// The run report: what one run did and how it ended on every scale, taken
// from the scale table after the workers ended. It decides the exit status
// and is written as a JSON document (--report FILE) and, on a terminal, as
// a short table on standard error, and handed to a program that embeds the
// driver as a JobOutcome. It never writes the driver log.
#pragma once

#include <tolvan/driver.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/message_table.h"
#include "core/scale_entry.h"
#include "files/pending_work_files.h"
#include "platform/clock.h"

namespace tolvan {

class Driver;

// The exit statuses besides a code of 1 to 44 that stopped the run.
inline constexpr int kExitScaleFailed = 50;
inline constexpr int kExitNothingVerified = 51;  // --verify: no scale was read back
inline constexpr int kExitUsage = 64;

enum class ScaleVerdict { Ok, Failed, Unsupported, Rejected };

struct ScaleReport {
  std::string name;
  std::string address;
  int port = 0;
  std::string model;
  std::string family;  // "message" or "block"
  ScaleVerdict verdict = ScaleVerdict::Ok;
  int code = 0;  // the message that tells why; 0 when ok
  std::string text;
  std::string cause;  // a few words on what the link or the scale did (causeText); may be empty
  int sent = 0;
  int accepted = 0;
  int received = 0;
  std::optional<std::string> resendFile;
  int resendRecords = 0;   // entries in the resend file after the run
  int damagedEntries = 0;  // stretches of it set aside in "<resend file>.damaged" in this run
  double seconds = 0;      // time the scale's workers ran
  std::optional<double> endedAfter;  // seconds from the run's start to its last worker's end; unset: none ran
  TotalsReset reset = TotalsReset::NotAsked;
  std::optional<VerifyResult> verify;            // --verify runs
  std::optional<ChangedOnlyResult> changedOnly;  // --changed-only runs
};

// What a read-back found on one scale, by scale table position.
struct ScaleReadBack {
  std::optional<VerifyResult> verify;
  std::optional<ChangedOnlyResult> changedOnly;
};

struct RunReport {
  std::string operation;  // "none", "import", "delete", "delete all", "receive"
  std::string dataType;
  std::optional<std::string> dataFile;
  std::string configFile;
  std::string logFile;
  std::string started;  // local time, "2026-12-06T01:30:00"
  std::string ended;
  int64_t startedMs = 0;  // the same two moments, steadyMilliseconds()
  int64_t endedMs = 0;
  MessageCode result = kMsgOk;     // the code of the final log message
  MessageCode stoppedBy = kMsgOk;  // the error that kept the run from being carried out
  std::string stoppedText;         // its message as logged, with its arguments
  bool importCutShort = false;     // message 11: an over-long line ended the import
  std::optional<KeptFiles> keptWorkFiles;  // an unfinished totals receive's work files, set aside
  std::string cutShortText;        // that message as logged
  bool resendFirst = false;        // -r
  int exitStatus = 0;
  std::vector<ScaleReport> scales;
  std::vector<ScaleReadBack> readBack;  // --verify, --changed-only: filled by the operation
  std::vector<std::string> exportedNotReset;  // names of scales exported but not reset
  // SIGINT or SIGTERM stopped the run: what it kept (run_stop.h); empty otherwise.
  std::string stopNote;
  // The closing lines of a run whose exit status is not 0 (verdict.h).
  std::vector<std::string> verdict;
};

// The name of the run mode, as the report gives it; taken before the run,
// since delete-all runs as a deletion.
const char* operationName(int mode);
// The run's settings (but the operation) and every scale's line, from the
// driver after the operation (all workers ended).
void takeRunReport(const Driver& driver, RunReport& report);
// One scale's line; its verdict and code as the exit status sees them.
ScaleReport reportScale(const ScaleEntry& scale);

// 0 when every scale took (or gave) everything, the stopping code when the
// run could not be carried out, else 50.
int exitStatusFor(const RunReport& report);

const char* verdictName(ScaleVerdict verdict);
// "2026-12-06T01:30:00" from the driver's clock.
std::string localStamp(const LocalTime& time);

// The report as a program that embeds the driver gets it; the JSON
// document holds the same fields and values.
JobOutcome jobOutcome(const RunReport& report);
// The JSON document; false when the file cannot be written.
bool writeReportFile(const RunReport& report, const std::string& path);
// A line per scale: name, outcome, records sent / accepted / received, code.
void printScaleTable(const RunReport& report, std::FILE* out);

}  // namespace tolvan

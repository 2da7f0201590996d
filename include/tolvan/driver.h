// Running the Tolvan scale driver from a program: one job (one operation on
// one data type against every scale of a configuration), run in the calling
// process and thread, with its outcome per scale handed back as values.
//
//   tolvan::JobOptions job;
//   job.operation = tolvan::JobOperation::Import;
//   job.dataFile = "plu.csv";
//   tolvan::JobOutcome outcome = tolvan::runJob(job, [](std::string_view line) { show(line); });
//   for (const tolvan::ScaleResult& scale : outcome.scales) ...
//
// A job does exactly what tolvandrv does with the same options: it writes
// the driver log, the scale logs, work, resend and export files (names
// without a folder are in the current folder) and ends with the same final
// log message and exit status. It ignores SIGPIPE for the whole process, as
// tolvandrv does, so a scale that drops the line cannot end the program.
// Warnings about the files go to standard error.
//
// Link with the static library "tolvan". This header needs only the
// standard library.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

// tolvandrv's -u, -d, -a and -v; None loads and checks the configuration
// and sends the resend files when asked to.
enum class JobOperation { None, Import, Delete, DeleteAll, Receive };

// tolvandrv's -f keywords, in the same order: plu ... prod. PluProd to
// RewrapProd are the production totals (receive and delete only); Prod
// deletes all of them at once.
enum class JobDataType {
  Plu = 1,
  ExMsg,
  ExMsg2,
  ExMsg3,
  Coupon,
  PriceCng,
  MkdPriceCng,
  Store,
  Keyboard,
  Nutrition,
  PluProd,
  HourlyProd,
  OpProd,
  NextDayProd,
  RewrapProd,
  Prod,
};

// tolvandrv's -s keywords: standard, seasia, wmsmart, tops.
enum class JobFormat { Standard, Seasia, Wmsmart, Tops };

// The field separator of "standard" files: -c (comma) or -t (tab).
enum class JobSeparator { Comma, Tab };

// One job's settings; the defaults are tolvandrv's.
struct JobOptions {
  JobOperation operation = JobOperation::None;
  JobDataType dataType = JobDataType::Plu;
  JobFormat format = JobFormat::Standard;
  JobSeparator separator = JobSeparator::Comma;
  bool descFontPairs = false;  // -l: descriptions as font/text column pairs
  bool resendFirst = false;    // -r: send the scales' resend files first
  bool emptyLog = false;       // -e: delete the driver log before the job
  // The import file (Import, Delete) or the export file (Receive).
  std::optional<std::string> dataFile;
  std::string configFile = "TolvanDrvConfig.txt";
  std::string logFile = "TolvanDrvLog.txt";
  // --report: the outcome below, also written as a JSON document.
  std::optional<std::string> reportFile;
  // --scale-limit: the time one scale may take, in seconds (1 to 86400),
  // plus 1 s per record it takes; unset means tolvandrv's default, 300.
  std::optional<int> scaleLimitSeconds;
  // --stall-limit: how long, in seconds (1 to 86400), a scale may go
  // without completing a record or block; unset means tolvandrv's default, 60.
  std::optional<int> stallLimitSeconds;
  // --wait: how long to wait, in seconds (0 to 86400), for another run in
  // the same folder to end; unset means not at all.
  std::optional<int> waitSeconds;
  // --verify (operation None or Import): read dataFile as Import does,
  // receive the type from every scale and compare; nothing on a scale changes.
  bool verify = false;
  // --changed-only (operation Import): read every scale back first and send
  // each only the records it lacks or holds differently.
  bool changedOnly = false;
};

// A column of a record the scale holds differently, as the export writes
// it: the file's value (as the scale would hold it) and the scale's.
struct ColumnDifference {
  std::string column;
  std::string file;
  std::string scale;
};

struct RecordDifference {
  long number = 0;
  std::vector<ColumnDifference> columns;
};

// --verify: what one scale holds against the import file. The lists hold
// the first 1000 of each, in number order; the counts are whole.
struct VerifyResult {
  bool readBack = false;  // the scale gave its records back whole
  std::string notReadBack;  // why not, when readBack is false
  int held = 0;             // records of the file the scale holds as the file has them
  int missing = 0;
  int differing = 0;
  int extra = 0;  // records on the scale the file does not have
  std::vector<long> missingNumbers;
  std::vector<RecordDifference> differingRecords;
  std::vector<long> extraNumbers;
  // Columns the driver sends this scale that it never gives back: not compared.
  std::vector<std::string> unverifiable;
};

// --changed-only: how one scale's send was chosen.
struct ChangedOnlyResult {
  bool readBack = false;  // the scale gave its records back whole
  std::string wholeFile;  // why it was sent the whole file; empty when only the changes went
  int selected = 0;       // records of the file it was to be sent
  int skipped = 0;        // records it held as the file has them: not sent
};

// How one scale ended; the fields and values of a scale in the JSON report.
struct ScaleResult {
  std::string name;
  std::string address;
  int port = 0;
  std::string model;
  std::string family;   // "message" or "block"
  std::string outcome;  // "ok", "failed", "unsupported" or "rejected"
  int code = 0;         // the driver's message code that tells why; 0 when ok
  std::string message;  // that message's text; empty when ok
  // What the link or the scale did, in a few words ("connection refused",
  // "no answer within the time-out", "NAK"...); empty when ok or unknown.
  std::string cause;
  int sent = 0;         // records sent to the scale
  int accepted = 0;     // records the scale confirmed
  int received = 0;     // records received from the scale
  std::optional<std::string> resendFile;
  int resendRecords = 0;  // entries in the resend file after the job
  // Damaged stretches of the resend file the job set aside in
  // "<resendFile>.damaged" (the job's exit status is then 50).
  int damagedEntries = 0;
  double seconds = 0;     // time spent on the scale
  // Seconds from the job's start to the end of the scale's last operation;
  // unset when the job started none on it. The scale that ended last held
  // the job up until then.
  std::optional<double> endedAfter;
  // Totals receive jobs: what became of the scale's totals: "done" (reset
  // or cleared), "failed" (the reset or clear was not confirmed; outcome
  // "failed"), "none for this family" (the scale keeps them; the next
  // receive collects them again) or "not done" (its receive failed; it
  // keeps them). Unset in every other job.
  std::optional<std::string> reset;
  std::optional<VerifyResult> verify;            // --verify jobs only
  std::optional<ChangedOnlyResult> changedOnly;  // --changed-only jobs only
};

// Work files of an earlier totals receive that did not finish (it was
// stopped, or its export could not be written, after scales were reset):
// the job moved them into a folder of their own before it would have
// deleted them, and left them there for a person.
struct KeptWorkFiles {
  std::string folder;              // "TolvanDrvKept/2026-12-06_013000"
  std::vector<std::string> files;  // the work files' names in it
};

// How the job ended; the fields and values of the JSON report's run.
struct JobOutcome {
  std::string operation;  // "none", "import", "delete", "delete all", "receive" or "verify"
  std::string dataType;   // the -f keyword
  std::optional<std::string> dataFile;
  std::string configFile;
  std::string logFile;
  std::string start;  // local time, "2026-12-06T01:30:00"
  std::string end;
  double seconds = 0;  // from start to end, to the millisecond
  int result = 0;  // code of the final log message: 0 completed, else the error code
  // tolvandrv's exit status: 0 every scale took (or gave) everything, 1 to
  // 44 the code that kept the job from being carried out, 50 the job went
  // through but a scale did not (--verify: a scale differs or was not read
  // back), 51 (--verify) no scale was read back, 64 the report file is another file of the
  // job, 73 no folder lock could be taken, 75 another run held the folder
  // (nothing done after 64, 73 and 75).
  int exitStatus = 0;
  std::optional<KeptWorkFiles> keptWorkFiles;  // unset when nothing was pending
  std::vector<ScaleResult> scales;  // in the order of the configuration
  // Totals receive jobs: the scales whose lines are in the export although
  // their totals were not reset or cleared (the next receive exports them
  // again); empty in every other job.
  std::vector<std::string> exportedNotReset;
  // When exitStatus is not 0 (nor 75): why, one line per scale that did not
  // take everything, or the message that stopped the job. tolvandrv
  // writes the same lines, each behind "tolvandrv: ", at the end of
  // standard error; a job writes nothing there.
  std::vector<std::string> verdict;
};

// Receives each line tolvandrv would print on standard output (the banner
// and the driver log's lines without their time stamps), without the line
// end, on the thread that called runJob. It must not throw.
using LogSink = std::function<void(std::string_view line)>;

// Runs the job to its end. Without a sink nothing is printed; the driver
// log file gets its lines either way.
JobOutcome runJob(const JobOptions& options, const LogSink& sink = {});

// tolvandrv itself: runs the command line `argv` (argv[0] is the program)
// and returns the process exit status, printing on standard output.
int runCommandLine(int argc, const char* const* argv);

}  // namespace tolvan

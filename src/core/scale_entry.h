// ScaleEntry: one configured scale with its settings, its link state and
// the state of the current operation. The scale table owns the entries.
//
// Threads: while a worker runs, it alone uses the link fields and its scale
// log; the main thread reads `status`, `lastActivity`, the tally and the
// time and stall limits only. A worker
// writes `result` before `status`. When the main thread gives up on a
// worker (time-out), it sets `abandoned` under `guard`; from then on the
// worker must not change the entry or any shared list, so everything a
// worker publishes goes through `guard` and checks `abandoned` first.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tolvan {

class Driver;

enum ScaleModel : int {
  kModelVt30 = 0,
  kModelHbq = 1,
  kModelVt20 = 2,
  kModelHbq20 = 3,
  kModelPmx = 4,
  kModelLm50 = 5,
  kModelMerioPro = 6,
  kModelMerio = 7,
  kModelVt40 = 8,
};

enum CountryVersion : int {
  kVersionUsa = 0,
  kVersionNz = 1,
  kVersionAustralia = 2,
  kVersionThailand = 3,
  kVersionSouthAmerica = 4,
  kVersionHongKong = 5,
  kVersionIndonesia = 6,
  kVersionChina = 7,
  kVersionIceland = 8,
  kVersionPhilippines = 9,
  kVersionSingapore = 10,
  kVersionTaiwan = 11,
  kVersionSouthAfrica = 12,
};

// The configuration's "model" and "version" keywords, by number; the names
// of numbers outside the tables are "".
inline constexpr std::array<const char*, 9> kModelKeywords = {"vt30", "hbq",      "vt20",  "hbq20", "pmx",
                                                              "lm50", "meriopro", "merio", "vt40"};
inline constexpr std::array<const char*, 13> kCountryKeywords = {
    "usa",   "nz",      "australia",   "thailand",  "south america", "hong kong",   "indonesia",
    "china", "iceland", "philippines", "singapore", "taiwan",        "south africa"};
const char* modelName(int model);
const char* countryName(int version);

enum LinkProtocol : int { kProtocolTcp = 0, kProtocolUdp = 1, kProtocolUnknown = 2 };

enum ScaleStatus : int {
  kStatusRunning = 0,
  kStatusOk = 1,
  kStatusFailed = 2,
  kStatusScaleError = 3,  // the scale reported an error, or the type is not supported
};

// Why an operation on a scale did not take (or give) everything, as the
// step that failed found it; the run's closing lines and its report name it.
enum class ScaleCause : int {
  None = 0,
  BadAddress,      // the scale's ip is no IPv4 address
  Refused,         // the scale refused the connection
  Unreachable,     // no route to the scale
  ConnectTimedOut,
  NoAnswer,        // nothing came within the receive time-out
  Dropped,         // the scale closed or reset the connection
  StoppedReading,  // a send could not finish within the receive time-out
  NetworkError,    // any other failure of the socket
  Nak,
  ErrorFlag,       // a status reply with the error flag and a code of its own
  CountMismatch,   // a status reply: fewer records taken than received
  Unsupported,     // the scale does not take the data type in this mode
  Busy,
  Unconvertible,   // a record the scale's layout cannot hold
  TimeLimit,       // the operation's time limit (--scale-limit) ran out
  Stalled,         // no record or block completed within --stall-limit
  Stopped,         // SIGINT or SIGTERM stopped the run before the scale was done
  Hung,            // the time-out watch gave up on the worker
  BadReply,        // an answer that is not what the protocol allows
  CheckByte,       // blocks arrived damaged after every retry
  WorkFile,
  ResendFile,
  TooManyRecords,  // a receive beyond the records any scale holds
  OutOfMemory,
};

// A few plain words for the cause ("connection refused"); "" for None.
const char* causeText(ScaleCause cause);

inline constexpr size_t kScaleNameMax = 31;
inline constexpr size_t kScaleIpMax = 15;
inline constexpr size_t kUdpDatagramMax = 512;
inline constexpr intptr_t kNoSocket = -1;

// Something the run goes on past, counted by the worker with the numbers
// of its first time, for a warning the main thread writes after the run.
struct NotedOddity {
  std::atomic<int> times{0};
  std::atomic<int> first[3]{};
  void note(int a, int b, int c) {
    if (times.fetch_add(1) != 0) return;
    first[0] = a;
    first[1] = b;
    first[2] = c;
  }
};

// What became of a scale's totals after a totals receive.
enum class TotalsReset {
  NotAsked,       // not a totals receive
  Done,           // reset (message family) or cleared (block family)
  Failed,         // the reset or clear was sent and not confirmed
  NoneForFamily,  // the family has no reset for the type: the totals stay
  NotDone,        // the receive failed: the scale keeps its totals
};

// What a worker did on the wire, added up over the run for the exit status,
// the progress line and the run report. Only the scale's worker adds to it;
// the main thread reads it while the worker runs (progress) and after. All
// atomics, so an abandoned worker's last count can race with nothing.
struct ScaleTally {
  std::atomic<int> sent{0};      // records put on the wire whole
  std::atomic<int> accepted{0};  // records the scale said it took
  std::atomic<int> received{0};  // records the scale sent us
  std::atomic<int> refused{0};   // block records answered NAK: missing on the scale
  std::atomic<int> skipped{0};   // records of the run the scale's format cannot hold
  // A block send ended at a record the scale cannot take; the records
  // behind it never went out.
  std::atomic<bool> cutShort{false};
  std::atomic<bool> connectFailed{false};
  // The numbers of the scale's last error report: records received and
  // errors (message 25), or the error code in `errorFirst` (message 26).
  std::atomic<int> errorFirst{0};
  std::atomic<int> errorSecond{0};
  std::atomic<int64_t> busyMs{0};   // time the scale's workers ran
  std::atomic<int64_t> endedMs{0};  // steadyMilliseconds() when its last worker ended; 0: none ran
  // The totals reset a message-family worker sends after its receive: -1
  // when none was sent, else its result (28 until an answer has come).
  std::atomic<int> resetCode{-1};
  // Batches answered "taken" (no error flag) with counts that differ from
  // the records sent: records sent, counted received, counted accepted.
  NotedOddity oddCounts;
  // Totals records holding characters that are not digits, read as far as
  // they read: place in the reply (from 1), first field as read.
  NotedOddity nonDigits;
  // The run's stop (SIGINT, SIGTERM) reached the scale before its work was
  // done: not started, or ended at a step boundary. It fails and keeps its
  // records; from then on its link opens and sends nothing.
  std::atomic<bool> stopped{false};
  // Why the operation in progress failed (ScaleCause): the first step that
  // failed it says, and the follow-on failures of winding up do not
  // replace it. Cleared when an operation starts.
  std::atomic<int> cause{0};
  // Where the first record the scale could not take came from (message
  // 19): its line in the import file, or its position in the resend file.
  std::atomic<int> unconvertedAt{0};
};

// Notes why the operation in progress failed, unless a step before did.
inline void noteCause(ScaleTally& tally, ScaleCause cause) {
  int none = 0;
  tally.cause.compare_exchange_strong(none, static_cast<int>(cause));
}

// How the operations of this run ended on the scale, noted by the main
// thread after each wait: the worst status seen and the code that goes
// with it.
struct ScaleOutcome {
  int status = kStatusOk;
  int code = 0;
  bool unsupported = false;  // message 17: the scale does not take the type
  bool resendKept = false;   // a -r resend failed and left the file
  TotalsReset reset = TotalsReset::NotAsked;
  ScaleCause cause = ScaleCause::None;  // why, with `code`
  int damagedEntries = 0;  // stretches of its resend file set aside as damaged
  // What the main thread found for the operation in progress when the
  // worker could not say it (17, 28, 31); 0 otherwise.
  int mainCode = 0;
};

struct ScaleEntry {
  ScaleEntry(std::string scaleName, int scaleIndex, int defaultLabelWidth)
      : name(scaleName.substr(0, kScaleNameMax)), labelWidth(defaultLabelWidth), index(scaleIndex) {}
  ScaleEntry(const ScaleEntry&) = delete;
  ScaleEntry& operator=(const ScaleEntry&) = delete;
  ~ScaleEntry();

  // Settings from the configuration.
  std::string name;  // at most 31 characters
  std::string ip;    // at most 15 characters
  uint16_t port = 50021;
  uint32_t scaleNo = 1;
  int model = kModelMerioPro;
  int version = kVersionChina;
  int protocol = kProtocolTcp;
  int is8bit = 1;
  int maxExMsg = 99;
  int maxPluDescLen = 999;
  int connectTimeout = 30;   // seconds
  int receiveTimeout = 300;  // seconds
  std::optional<std::string> trafficLogFile;
  std::optional<std::string> resendFile;
  int labelWidth;  // tenths

  // Link state (UDP receive buffer survives reconnects).
  int rxPos = 0;
  int rxCount = 0;
  uint8_t rxBuffer[kUdpDatagramMax] = {};
  // Start (Clock::monotonicMs) of the send in progress, 0 when none (a
  // receive bounds its own wait).
  std::atomic<int64_t> lastActivity{0};
  int index;
  // 1 for the first scale of this name in the table, 2 for the second...;
  // keeps the work files of scales that share a name apart.
  int nameRank = 1;

  // The current operation.
  std::atomic<int> status{kStatusOk};
  int result = 0;
  int dataType = 0;
  int operation = 0;
  int fromResendFile = 0;
  int nextRecord = 0;
  std::atomic<intptr_t> socket{kNoSocket};
  int socketWaitSet = 0;  // the receive wait last set on `socket` (worker only)
  int blockSeq = 0;
  std::FILE* workFile = nullptr;
  // A read-back (--verify, --changed-only): each master-data record the
  // scale sends goes here, kept apart from other scales', instead of into
  // the run's record list; it takes the record (a heap block) over.
  std::function<void(void* record)> keepReceived;
  // --changed-only: the positions of the run's record list this scale is
  // sent (true); null sends them all. Owned by the run, set between operations.
  const std::vector<bool>* sendOnly = nullptr;

  ScaleTally tally;
  ScaleOutcome outcome;

  // The operation's time limit (see scaleLimitAt), set before the worker
  // starts and read-only while it runs. limitStartMs 0: no limit.
  int64_t limitStartMs = 0;
  int64_t limitBaseMs = 0;
  int sentAtStart = 0;  // tally.sent when the operation began
  // The stall limit (see stallLimitAt), 0 for none; the worker moves
  // progressAtMs, the time-out watch reads it.
  int64_t stallLimitMs = 0;
  std::atomic<int64_t> progressAtMs{0};
  // Worker only: the limit has run out and was reported; the link refuses
  // every further step quietly.
  bool limitStruck = false;

  // The run this scale belongs to (options, record lists, clock, sleeper).
  Driver* driver = nullptr;

  // Worker bookkeeping: see the comment at the top.
  std::mutex guard;
  // Set under the guard; the worker's link looks at it without the guard
  // before every read and send.
  std::atomic<bool> abandoned{false};
  std::thread worker;
};

// Every operation on a scale must end within a base time plus this much
// for every record it has taken whole so far: a scale that keeps taking
// records keeps its time, one that stalls runs out. Records a scale sends
// earn nothing: a scale repeating its records must not keep a receive alive.
inline constexpr int64_t kScaleLimitPerRecordMs = 1000;

// Starts the time limit and the stall limit (0: none) of the operation
// about to run on the scale.
void armScaleLimit(ScaleEntry& scale, int64_t nowMs, int baseSeconds, int stallSeconds = 0);
// The moment (Clock::monotonicMs) the operation's time runs out, grown by
// the records sent so far; INT64_MAX when no limit was armed.
int64_t scaleLimitAt(const ScaleEntry& scale);
// A scale must complete a record or a block within the stall limit of the
// last one: a scale that keeps answering without ever getting anywhere
// fails within it, one that moves slowly never does. The clock also starts
// afresh after every pause the scale needs, since the driver was waiting.
void restartStallClock(ScaleEntry& scale, int64_t nowMs);
// When the stall limit runs out; INT64_MAX without one.
int64_t stallLimitAt(const ScaleEntry& scale);
// The earlier of the time limit and the stall limit: no step of the
// operation may wait beyond it.
int64_t operationDeadline(const ScaleEntry& scale);

// Main thread: wakes a worker blocked on the scale's socket by shutting the
// socket down (both directions); the worker still closes it.
void ScaleShutdown(ScaleEntry& scale);
// Wakes a worker blocked on its socket and waits for its thread to end.
void stopWorker(ScaleEntry& scale);

// True when the model is one the driver accepts (vt30, pmx, lm50, meriopro, vt40).
inline bool isAcceptedModel(int model) {
  return model == kModelVt30 || model == kModelPmx || model == kModelLm50 || model == kModelMerioPro ||
         model == kModelVt40;
}

// Message-protocol family: models "meriopro" (6) and "vt40" (8).
inline bool ScaleIsMessageFamily(const ScaleEntry& scale) {
  return scale.model == kModelMerioPro || scale.model == kModelVt40;
}

// Block-protocol family: models "vt30" (0), "pmx" (4) and "lm50" (5).
inline bool isBlockModel(int model) { return model == kModelVt30 || model == kModelPmx || model == kModelLm50; }
inline bool ScaleIsBlockFamily(const ScaleEntry& scale) { return isBlockModel(scale.model); }

}  // namespace tolvan

#include "app/operation_runner.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/configuration.h"
#include "app/totals_reset.h"
#include "core/driver.h"
#include "dispatch/support_table.h"
#include "files/resend_file.h"
#include "files/work_files.h"
#include "link/scale_link.h"
#include "link/scale_log.h"
#include "link/scale_worker.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

// An earlier operation's abandoned worker may still be running on this
// entry: it is woken and joined before the entry is prepared again.
void takeBackEntry(ScaleEntry& scale) {
  stopWorker(scale);
  std::lock_guard lock(scale.guard);
  scale.abandoned = false;
}

// Closed under the entry's guard, so a late worker cannot write into a
// closed stream.
void closeWorkFile(ScaleEntry& scale) {
  std::lock_guard lock(scale.guard);
  if (scale.workFile != nullptr) std::fclose(scale.workFile);
  scale.workFile = nullptr;
}

void launchWorker(Driver& driver, ScaleEntry& scale) {
  // A run being stopped starts no scale: it fails, so it keeps its records.
  if (ScaleStopping(scale)) {
    scale.status.store(kStatusFailed);
    return;
  }
  auto procedure = driver.workerProc != nullptr ? driver.workerProc : ScaleWorker;
  scale.worker = std::thread([&driver, &scale, procedure] {
    int64_t began = steadyMilliseconds();
    procedure(scale);
    int64_t ended = steadyMilliseconds();
    scale.tally.busyMs += ended - began;
    scale.tally.endedMs = ended;
    driver.notifyWorkerEnded();
  });
}

void armLimits(Driver& driver, ScaleEntry& scale) {
  armScaleLimit(scale, driver.clock.monotonicMs(), driver.options.scaleLimitSeconds, driver.options.stallLimitSeconds);
}

// The link bounds every step of a worker itself; the watch is the second
// line: a read or send that has hung for the receive time-out plus 2
// seconds, or an operation past its time limit or stall limit plus 2 seconds.
constexpr int64_t kWatchGraceMs = 2000;

bool hasHung(const Driver& driver, const ScaleEntry& scale) {
  int64_t now = driver.clock.monotonicMs();
  int64_t since = scale.lastActivity.load();
  int64_t stepLimitMs = static_cast<int64_t>(scale.receiveTimeout) * 1000 + kWatchGraceMs;
  if (since > 0 && now - since > stepLimitMs) return true;
  int64_t limitAt = operationDeadline(scale);
  if (limitAt != INT64_MAX && now - limitAt > kWatchGraceMs) return true;
  return driver.stopRequest().count > 1;
}

// The time-out watch struck, or a second stop signal cuts every scale still
// working: the worker is abandoned, its status is 2, and its socket is shut
// down so that a blocked read or send returns at once.
bool strikeIfHung(Driver& driver, ScaleEntry& scale) {
  if (!hasHung(driver, scale)) return false;
  // A cut is noted in the scale log while the worker may still write it.
  const bool cut = driver.stopRequest().count > 1 && ScaleStopping(scale);
  {
    std::lock_guard lock(scale.guard);
    if (scale.status.load() != kStatusRunning) return true;
    scale.abandoned = true;
  }
  ScaleShutdown(scale);
  if (!cut) ScaleLogErrorFromMain(scale, kMsgReceiveTimeout);
  scale.outcome.mainCode = cut ? kMsgOk : kMsgReceiveTimeout;
  if (!cut) scale.tally.cause = static_cast<int>(ScaleCause::Hung);
  scale.status.store(kStatusFailed, std::memory_order_release);
  return true;
}

int severity(int status) {
  if (status == kStatusFailed) return 2;
  return status == kStatusScaleError ? 1 : 0;
}

}  // namespace

// The worker's result, else what the main thread or the link found.
void noteOutcome(ScaleEntry& scale) {
  ScaleOutcome& o = scale.outcome;
  int status = scale.status.load(std::memory_order_acquire);
  if (severity(status) <= severity(o.status)) return;
  o.status = status;
  o.code = scale.result;
  if (o.code == kMsgOk) o.code = o.mainCode;
  if (o.code == kMsgOk && scale.tally.connectFailed.load()) o.code = kMsgCannotConnect;
  o.cause = static_cast<ScaleCause>(scale.tally.cause.load());
  if (o.code == kMsgTypeNotSupported) o.unsupported = true;
}

namespace {

void noteOutcomes(Driver& driver) {
  for (int i = 0; i < driver.scales.count(); ++i) noteOutcome(*driver.scales.get(i));
}

void countRecords(const Driver& driver, int& additions, int& deletions) {
  additions = deletions = 0;
  int records = driver.records.count();
  if (driver.headers.count() == records) {
    for (int i = 0; i < records; ++i) {
      int mode = driver.headers.get(i)->mode;
      additions += mode == kModeAdd ? 1 : 0;
      deletions += mode == kModeDelete ? 1 : 0;
    }
  } else if (driver.options.mode == kModeDelete || driver.options.mode == kModeDeleteAll) {
    deletions = records;
  } else if (driver.options.mode == kModeAdd) {
    additions = records;
  }
}

void reportFailedScales(Driver& driver) {
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry* scale = driver.scales.get(i);
    int status = scale->status.load(std::memory_order_acquire);
    if (status == kStatusFailed || status == kStatusScaleError) driver.log.error(kMsgScaleFailed, scale->name.c_str());
  }
}

void logSummary(Driver& driver) {
  int failed = 0;
  for (int i = 0; i < driver.scales.count(); ++i) {
    failed += driver.scales.get(i)->status.load(std::memory_order_acquire) == kStatusFailed ? 1 : 0;
  }
  int ok = driver.scales.count() - failed;
  int additions = 0;
  int deletions = 0;
  countRecords(driver, additions, deletions);
  if (failed > 0) {
    driver.log.plain(kMsgSummaryWithErrors, additions, deletions, ok, failed);
    reportFailedScales(driver);
  } else {
    driver.log.plain(kMsgSummaryAllOk, additions, deletions, ok);
  }
}

// A resend file that could not be written leaves the scale's records
// unsafe: the scale counts as failed for the run's outcome.
void markResendNotKept(ScaleEntry& scale) {
  scale.outcome.status = kStatusFailed;
  scale.outcome.code = kMsgResendOpenError;
  scale.outcome.cause = ScaleCause::ResendFile;
}

// Failed scales keep the run's records for a later -r; scales that took
// them lose the resend entries those records make stale.
MessageCode keepResendFiles(Driver& driver, bool writeResendFiles) {
  MessageCode kept = kMsgOk;
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    int status = scale.status.load(std::memory_order_acquire);
    bool failed = status == kStatusFailed;
    if (!(failed ? writeResendFiles : status == kStatusOk)) continue;
    if (keepRunInResendFile(driver, scale, failed) == kMsgOk) continue;
    markResendNotKept(scale);
    kept = kMsgResendOpenError;
  }
  return kept;
}

// Send to every scale; with `onlyIfReceived`, a scale whose last operation
// did not end with status 1 is left out and keeps its status.
MessageCode sendOperation(Driver& driver, bool writeResendFiles, bool onlyIfReceived) {
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    if (onlyIfReceived && scale.status.load(std::memory_order_acquire) != kStatusOk) continue;
    startScale(driver, scale, driver.options.dataType, driver.options.mode);
  }
  waitForAllScales(driver);
  noteOutcomes(driver);
  MessageCode kept = keepResendFiles(driver, writeResendFiles);
  logSummary(driver);
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    if (scale.status.load(std::memory_order_acquire) == kStatusFailed && scale.result != kMsgOk) {
      return static_cast<MessageCode>(scale.result);
    }
  }
  return kept;
}

// What a scale had confirmed before its resend started.
struct ResendMark {
  int entries = 0;
  int sent = 0;
  int accepted = 0;
  int refused = 0;
  int skipped = 0;
};

ResendMark markBefore(const ScaleEntry& scale, int entries) {
  const ScaleTally& t = scale.tally;
  return {entries, t.sent.load(), t.accepted.load(), t.refused.load(), t.skipped.load()};
}

// How many resend entries, counted from the first, the scale is known to
// hold. Both families confirm records in file order, so while every record
// put on the wire was taken, the confirmed count is that prefix; a refused
// or skipped record leaves the order unknown and the whole file stays.
int deliveredEntries(const ScaleEntry& scale, const ResendMark& before) {
  const ScaleTally& t = scale.tally;
  int sent = t.sent.load() - before.sent;
  int accepted = t.accepted.load() - before.accepted;
  if (t.refused.load() != before.refused || t.skipped.load() != before.skipped || accepted != sent) return 0;
  return std::min(accepted, before.entries);
}

// A block scale is cleared only once the lines of its receive are on disk;
// one whose work file cannot be made durable is left out and keeps its
// totals.
void secureWorkFiles(Driver& driver) {
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    if (scale.status.load(std::memory_order_acquire) != kStatusOk) continue;
    std::string name = workFileName(scale);
    if (syncFileByName(name)) continue;
    ScaleLogErrorFromMain(scale, kMsgWorkFileError, name.c_str());
    driver.log.error(kMsgWorkFileError, name.c_str());
    scale.outcome.mainCode = kMsgWorkFileError;
    scale.tally.cause = static_cast<int>(ScaleCause::WorkFile);
    scale.status.store(kStatusFailed);
  }
}

MessageCode deleteAllOver(Driver& driver, bool onlyIfReceived) {
  driver.options.mode = kModeDelete;
  DeletionRecord deletion{};
  deletion.dataType = static_cast<uint16_t>(driver.options.dataType);
  deletion.recNo = 0;
  driver.records.appendImage(&deletion, sizeof deletion);
  return sendOperation(driver, false, onlyIfReceived);
}

}  // namespace

void startScale(Driver& driver, ScaleEntry& scale, int dataType, int mode, bool workFile) {
  takeBackEntry(scale);
  scale.status.store(kStatusRunning);
  scale.fromResendFile = 0;
  scale.workFile = nullptr;
  scale.result = 0;
  scale.dataType = dataType;
  scale.operation = mode;
  scale.lastActivity = 0;
  scale.tally.connectFailed = false;
  scale.tally.cause = 0;
  scale.outcome.mainCode = kMsgOk;
  armLimits(driver, scale);
  if (!scaleSupports(scale, dataType, mode)) {
    driver.log.error(kMsgTypeNotSupported, dataTypeKeyword(dataType), scale.name.c_str());
    ScaleLogErrorFromMain(scale, kMsgTypeNotSupported, dataTypeKeyword(dataType), scale.name.c_str());
    scale.outcome.unsupported = true;
    scale.outcome.mainCode = kMsgTypeNotSupported;
    scale.tally.cause = static_cast<int>(ScaleCause::Unsupported);
    scale.status.store(kStatusScaleError);
    return;
  }
  if (mode == kModeReceive && workFile && !createWorkFile(scale)) {
    std::string name = workFileName(scale);
    ScaleLogErrorFromMain(scale, kMsgWorkFileError, name.c_str());
    driver.log.error(kMsgWorkFileError, name.c_str());
    scale.outcome.mainCode = kMsgWorkFileError;
    scale.tally.cause = static_cast<int>(ScaleCause::WorkFile);
    scale.status.store(kStatusFailed);
    return;
  }
  launchWorker(driver, scale);
}

void waitForAllScales(Driver& driver) {
  const bool watched = static_cast<bool>(driver.waitWatcher);
  if (watched) driver.waitWatcher(driver, Driver::WaitStep::Start);
  for (;;) {
    uint64_t endedBefore = driver.workersEnded();
    bool busy = false;
    for (int i = 0; i < driver.scales.count(); ++i) {
      ScaleEntry& scale = *driver.scales.get(i);
      if (scale.status.load(std::memory_order_acquire) != kStatusRunning) continue;
      if (!strikeIfHung(driver, scale)) busy = true;
    }
    if (!busy) break;
    // Checks once a second (four times while someone watches the progress),
    // but wakes as soon as a worker ends.
    if (watched) driver.waitWatcher(driver, Driver::WaitStep::Tick);
    driver.waitForWorkerEnd(endedBefore, std::chrono::milliseconds(watched ? 250 : 1000));
  }
  if (watched) driver.waitWatcher(driver, Driver::WaitStep::End);
}

MessageCode sendToAllScales(Driver& driver, bool writeResendFiles) {
  return sendOperation(driver, writeResendFiles, false);
}

MessageCode deleteAll(Driver& driver) { return deleteAllOver(driver, false); }

MessageCode receiveFromAllScales(Driver& driver) {
  for (int i = 0; i < driver.scales.count(); ++i) startScale(driver, *driver.scales.get(i), driver.options.dataType, kModeReceive);
  waitForAllScales(driver);
  noteOutcomes(driver);
  MessageCode result = kMsgOk;
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    closeWorkFile(scale);
    if (scale.status.load(std::memory_order_acquire) != kStatusOk) result = static_cast<MessageCode>(scale.result);
  }
  reportFailedScales(driver);
  return result;
}

MessageCode totalsClearPass(Driver& driver) {
  int savedMode = driver.options.mode;
  std::vector<ScaleEntry*> messageScales;
  for (int i = 0; i < driver.scales.count();) {
    if (ScaleIsMessageFamily(*driver.scales.get(i))) {
      messageScales.push_back(driver.scales.remove(i));
    } else {
      ++i;
    }
  }
  noteMessageResets(messageScales);
  secureWorkFiles(driver);
  std::vector<ClearPassMark> marks = markClearPass(driver);
  MessageCode result = deleteAllOver(driver, true);
  noteClearPass(marks);
  driver.options.mode = savedMode;
  for (ScaleEntry* scale : messageScales) driver.scales.append(scale);
  return result;
}

MessageCode resendStep(Driver& driver) {
  MessageCode kept = kMsgOk;
  std::vector<ResendMark> marks(static_cast<size_t>(driver.scales.count()));
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    takeBackEntry(scale);
    std::FILE* file = nullptr;
    int entries = 0;
    if (openResendFile(driver, scale, file, entries) != kMsgOk) {
      markResendNotKept(scale);
      kept = kMsgResendOpenError;
    }
    marks[static_cast<size_t>(i)] = markBefore(scale, entries);
    if (file == nullptr) {
      scale.status.store(kStatusOk);
      continue;
    }
    scale.workFile = file;
    scale.fromResendFile = 1;
    scale.result = scale.dataType = scale.operation = 0;
    scale.lastActivity = 0;
    scale.tally.connectFailed = false;
    scale.tally.cause = 0;
    scale.outcome.mainCode = kMsgOk;
    armLimits(driver, scale);
    scale.status.store(kStatusRunning);
    launchWorker(driver, scale);
  }
  waitForAllScales(driver);
  for (int i = 0; i < driver.scales.count(); ++i) {
    ScaleEntry& scale = *driver.scales.get(i);
    if (scale.fromResendFile == 0) continue;
    closeWorkFile(scale);
    scale.fromResendFile = 0;
    noteOutcome(scale);
    const ResendMark& mark = marks[static_cast<size_t>(i)];
    int delivered = deliveredEntries(scale, mark);
    if (finishResend(driver, scale, delivered) != kMsgOk) {
      markResendNotKept(scale);
      kept = kMsgResendOpenError;
    } else if (delivered < mark.entries) {
      scale.outcome.resendKept = true;
    }
  }
  return kept;
}

}  // namespace tolvan

// Driver: everything one run owns — the options, the scale table, the
// record list with its header list and lock, the driver log, and the clock
// and sleeper the run uses. Tests build many drivers in one process.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>

#include "core/driver_log.h"
#include "core/driver_options.h"
#include "core/ptr_array.h"
#include "core/record_list.h"
#include "core/scale_entry.h"
#include "platform/clock.h"
#include "platform/sleeper.h"
#include "platform/stop_signal.h"

namespace tolvan {

using ScaleTable = PtrArray<ScaleEntry>;

class Driver {
 public:
  Driver(const Clock& runClock, Sleeper& runSleeper, std::FILE* consoleOut)
      : clock(runClock), sleeper(runSleeper), console(consoleOut), log(options.logFile, runClock, consoleOut) {}
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;
  // Stops any worker still running, then releases the lists and their elements.
  ~Driver();

  DriverOptions options;
  ScaleTable scales;
  RecordList records;
  RecordHeaderList headers;
  // Held by received-record handlers for the search and the append.
  std::mutex recordLock;

  const Clock& clock;
  Sleeper& sleeper;
  std::FILE* console;
  DriverLog log;

  // The procedure each worker thread runs; null means the real ScaleWorker.
  // Tests put fake family procedures here.
  void (*workerProc)(ScaleEntry&) = nullptr;

  // Called by the wait for all scales when it starts, at every look while
  // workers run (a few times a second while set), and when all have
  // ended; the progress line on a terminal hangs here. Main thread only.
  enum class WaitStep { Start, Tick, End };
  std::function<void(const Driver&, WaitStep)> waitWatcher;

  // Whether the run has been asked to stop (tolvandrv: SIGINT, SIGTERM);
  // unset: never. Set before the first worker starts; workers call it.
  std::function<StopRequest()> stopRequests;
  StopRequest stopRequest() const { return stopRequests ? stopRequests() : StopRequest{}; }

  // Wakes and joins every worker still running (clean-up and tests).
  void stopAllWorkers();

  // Lets the wait for all scales wake as soon as a worker ends.
  void notifyWorkerEnded();
  uint64_t workersEnded() const;
  // Waits until more than `seen` workers have ended, or `limit` passed.
  void waitForWorkerEnd(uint64_t seen, std::chrono::milliseconds limit);

 private:
  mutable std::mutex endedMutex_;
  std::condition_variable endedSignal_;
  uint64_t workersEnded_ = 0;
};

}  // namespace tolvan

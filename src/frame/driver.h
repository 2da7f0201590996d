// Driver: everything one run owns — the options, the scale table, the
// record list with its header list and lock, the driver log, and the clock
// and sleeper the run uses. Tests build many drivers in one process.
#pragma once

#include <cstdio>
#include <mutex>

#include "frame/driver_log.h"
#include "frame/driver_options.h"
#include "frame/ptr_array.h"
#include "frame/scale_entry.h"
#include "platform/clock.h"
#include "platform/sleeper.h"
#include "records/record_header.h"

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
};

}  // namespace tolvan

// DriverOptions: the run's global settings, filled with defaults at start,
// then changed by the command line and the configuration's global keys.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace tolvan {

enum RunMode : int {
  kModeNone = 0,
  kModeAdd = 1,        // -u import additions
  kModeDelete = 2,     // -d import deletions
  kModeDeleteAll = 3,  // -a
  kModeReceive = 4,    // -v receive and export
};

enum DataFormat : int {
  kFormatStandard = 0,
  kFormatSeasia = 1,
  kFormatWmsmart = 2,
  kFormatTops = 3,
};

enum Charset : int { kCharset1Byte = 0, kCharsetGb = 1, kCharsetBig5 = 2, kCharsetShiftJis = 3 };
// The configuration's "charset" keywords, by Charset.
inline constexpr std::array<const char*, 4> kCharsetKeywords = {"1byte", "gbcode", "big5", "shiftjis"};

struct DriverOptions {
  std::optional<std::string> dataFile;  // import file (modes 1, 2) or export file (mode 4)
  std::string configFile = "TolvanDrvConfig.txt";
  std::string logFile = "TolvanDrvLog.txt";
  int mode = kModeNone;
  char separator = ',';
  int dataFormat = kFormatStandard;
  bool resend = false;
  bool descFontPairs = false;
  int dataType = 1;  // DataType::Plu
  int maxExMsg = 9999;
  int labelWidth = 594;  // tenths
  int priceDecPt = 2;
  int weightDecPt = 3;
  int charset = kCharset1Byte;
  // Records one scale may send in one receive. No scale holds more than a
  // million PLUs, so a scale that sends more is faulty, and stopping it
  // there keeps the driver's memory bounded. Tests set it low.
  int maxReceivedPerScale = 1'000'000;
  // Memory the records of a master-data receive may hold, all scales of the
  // run together, in bytes (RecordList::receivedBytes): with any number of
  // flooding scales the driver stays far below 300 MB. Tests set it low.
  int64_t maxReceivedBytes = int64_t{160} << 20;
  // --check: read the files as a run would and list what was found, without
  // contacting a scale or changing anything on disk.
  bool check = false;
  // Long options ("--name"), read before everything else.
  bool showHelp = false;
  bool showVersion = false;
  std::optional<std::string> reportFile;  // --report FILE: the run report as JSON
  // --wait SECONDS: how long to wait for another run's folder lock.
  int waitSeconds = 0;
  // --scale-limit SECONDS: the base of every scale's time limit per
  // operation (see kScaleLimitPerRecordMs in core/scale_entry.h).
  int scaleLimitSeconds = 300;
  // --stall-limit SECONDS: how long a scale may go without completing a
  // record or block (see restartStallClock in core/scale_entry.h).
  int stallLimitSeconds = 60;
  // --verify: import as -u does, read every scale back and compare.
  bool verify = false;
  // --changed-only (with -u): send each scale only what it lacks or holds differently.
  bool changedOnly = false;
};

}  // namespace tolvan

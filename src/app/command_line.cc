#include "app/command_line.h"

#include <cstring>
#include <string>

#include "core/driver.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

constexpr const char* kFormats[] = {"standard", "seasia", "wmsmart", "tops"};

struct WalkState {
  MessageCode error = kMsgOk;
  std::string badTypeText;
  bool deleteLog = false;
  int positionals = 0;
};

int formatFromName(const char* name) {
  for (int i = 0; i < 4; ++i) {
    if (std::strcmp(name, kFormats[i]) == 0) return i;
  }
  return -1;
}

void applyOption(DriverOptions& options, const char* arg, WalkState& state) {
  const char* value = arg + 2;
  switch (arg[1]) {
    case 'u': options.mode = kModeAdd; break;
    case 'd': options.mode = kModeDelete; break;
    case 'a': options.mode = kModeDeleteAll; break;
    case 'v': options.mode = kModeReceive; break;
    case 'c': options.separator = ','; break;
    case 't': options.separator = '\t'; break;
    case 'r': options.resend = true; break;
    case 'l': options.descFontPairs = true; break;
    case 'e': state.deleteLog = true; break;
    case 'f': {
      int type = dataTypeFromKeyword(value);
      if (isRunType(type)) {
        options.dataType = type;
      } else {
        state.error = kMsgInvalidDataType;
        state.badTypeText = value;
      }
      break;
    }
    case 's': {
      int format = formatFromName(value);
      if (format >= 0) {
        options.dataFormat = format;
      } else {
        state.error = kMsgBadDataFormat;
      }
      break;
    }
    default: break;  // other letters and characters are ignored
  }
}

void applyPositional(DriverOptions& options, const char* arg, WalkState& state) {
  switch (state.positionals++) {
    case 0: options.dataFile = arg; break;
    case 1: options.configFile = arg; break;
    case 2: options.logFile = arg; break;
    default: break;  // a fourth name and later ones are ignored
  }
}

}  // namespace

MessageCode checkCombination(Driver& driver) {
  const DriverOptions& o = driver.options;
  bool impossible = (isTotalsType(o.dataType) && o.mode == kModeAdd) ||
                    (o.dataType == static_cast<int>(DataType::Prod) && o.mode != kModeDeleteAll) ||
                    (o.dataFormat == kFormatSeasia && (o.mode != kModeAdd || o.dataType < 1 || o.dataType > 6)) ||
                    (o.dataFormat == kFormatTops && o.dataType != static_cast<int>(DataType::Plu));
  if (!impossible) return kMsgOk;
  driver.log.error(kMsgNotSupported);
  return kMsgNotSupported;
}

MessageCode parseCommandLine(Driver& driver, int argc, const char* const* argv) {
  WalkState state;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--check") == 0) driver.options.check = true;
    if (arg[0] == '-') {
      if (arg[1] >= 'a' && arg[1] <= 'z') applyOption(driver.options, arg, state);
    } else {
      applyPositional(driver.options, arg, state);
    }
  }
  if (driver.options.check) driver.log.keepOffDisk();
  if (state.deleteLog && !driver.options.check) driver.log.deleteFile();
  if (state.error == kMsgInvalidDataType) {
    driver.log.error(kMsgInvalidDataType, state.badTypeText.c_str());
    return kMsgInvalidDataType;
  }
  if (state.error == kMsgBadDataFormat) {
    driver.log.error(kMsgBadDataFormat);
    return kMsgBadDataFormat;
  }
  return checkCombination(driver);
}

}  // namespace tolvan

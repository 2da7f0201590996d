#include "app/command_line.h"

#include <charconv>
#include <cstring>
#include <string>

#include "app/run_report.h"
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

// The long options: name, whether a value follows, and where it goes
// (false when the value does not read).
struct LongOption {
  const char* name;
  bool takesValue;
  bool (*apply)(DriverOptions& options, const char* value);
};

constexpr int kMaxSeconds = 86400;

// A whole number of seconds from `min` to a day into `out`; false otherwise.
bool readSeconds(const char* value, int min, int& out) {
  int seconds = 0;
  const char* end = value + std::strlen(value);
  auto [at, ec] = std::from_chars(value, end, seconds);
  if (ec != std::errc() || at != end || seconds < min || seconds > kMaxSeconds) return false;
  out = seconds;
  return true;
}

// 1 to a day: a limit of 0 would fail every scale, and one beyond a day
// bounds nothing a store would wait for.
bool readScaleLimit(DriverOptions& options, const char* value) {
  return readSeconds(value, 1, options.scaleLimitSeconds);
}

// 1 to a day, as the time limit: how long a scale may make no progress.
bool readStallLimit(DriverOptions& options, const char* value) {
  return readSeconds(value, 1, options.stallLimitSeconds);
}

// 0 to a day: how long a run waits for another run's folder lock.
bool readWaitSeconds(DriverOptions& options, const char* value) {
  return readSeconds(value, 0, options.waitSeconds);
}

constexpr LongOption kLongOptions[] = {
    {"help", false, [](DriverOptions& o, const char*) { return o.showHelp = true; }},
    {"version", false, [](DriverOptions& o, const char*) { return o.showVersion = true; }},
    {"report", true, [](DriverOptions& o, const char* v) { o.reportFile = v; return true; }},
    {"check", false, [](DriverOptions& o, const char*) { return o.check = true; }},
    {"scale-limit", true, readScaleLimit},
    {"stall-limit", true, readStallLimit},
    {"wait", true, readWaitSeconds},
    {"verify", false, [](DriverOptions& o, const char*) { return o.verify = true; }},
    {"changed-only", false, [](DriverOptions& o, const char*) { return o.changedOnly = true; }},
};

// The option named by "--name" or "--name=value"; null when unknown.
const LongOption* findLongOption(const char* arg, const char*& inlineValue) {
  const char* name = arg + 2;
  const char* equals = std::strchr(name, '=');
  size_t length = equals != nullptr ? static_cast<size_t>(equals - name) : std::strlen(name);
  inlineValue = equals != nullptr ? equals + 1 : nullptr;
  for (const LongOption& option : kLongOptions) {
    if (std::strlen(option.name) == length && std::strncmp(option.name, name, length) == 0) return &option;
  }
  return nullptr;
}

bool isLongOption(const char* arg) { return arg[0] == '-' && arg[1] == '-'; }

// How many arguments after this long option belong to it (its value).
int longOptionValueArgs(const char* arg) {
  const char* inlineValue = nullptr;
  const LongOption* option = findLongOption(arg, inlineValue);
  return option != nullptr && option->takesValue && inlineValue == nullptr ? 1 : 0;
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

namespace {

void walkShortOptions(DriverOptions& options, int argc, const char* const* argv, WalkState& state) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (isLongOption(arg)) {
      i += longOptionValueArgs(arg);  // read by parseLongOptions
    } else if (arg[0] == '-') {
      if (arg[1] >= 'a' && arg[1] <= 'z') applyOption(options, arg, state);
    } else {
      applyPositional(options, arg, state);
    }
  }
  // --verify reads DATAFILE as -u does.
  if (options.verify && options.mode == kModeNone) options.mode = kModeAdd;
}

}  // namespace

void readCommandLine(DriverOptions& options, int argc, const char* const* argv) {
  std::string unused;
  (void)parseLongOptions(options, argc, argv, unused);
  WalkState state;
  walkShortOptions(options, argc, argv, state);
}

MessageCode parseCommandLine(Driver& driver, int argc, const char* const* argv) {
  WalkState state;
  walkShortOptions(driver.options, argc, argv, state);
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

int refuseReadBackConflicts(const DriverOptions& o, std::FILE* err) {
  const char* why = nullptr;
  if (o.verify && o.changedOnly) {
    why = "--verify and --changed-only do not go together";
  } else if (o.verify && (o.mode != kModeAdd || o.resend)) {
    why = "--verify changes nothing: it goes with no -d, -a, -v or -r";
  } else if (o.changedOnly && o.mode != kModeAdd) {
    why = "--changed-only goes with -u";
  }
  if (why == nullptr) return 0;
  std::fprintf(err, "tolvandrv: %s\n", why);
  return kExitUsage;
}

bool parseLongOptions(DriverOptions& options, int argc, const char* const* argv, std::string& bad) {
  for (int i = 1; i < argc; ++i) {
    if (!isLongOption(argv[i])) continue;
    const char* value = nullptr;
    const LongOption* option = findLongOption(argv[i], value);
    if (option == nullptr || (value != nullptr && !option->takesValue)) {
      bad = argv[i];
      return false;
    }
    std::string given = argv[i];
    if (option->takesValue && value == nullptr) {
      if (i + 1 >= argc) {
        bad = argv[i];
        return false;
      }
      value = argv[++i];
      given += std::string(" ") + value;
    }
    if (!option->apply(options, value)) {
      bad = given;
      return false;
    }
  }
  return true;
}

void printUsage(std::FILE* out) {
  std::fputs(
      "Usage: tolvandrv [options] [datafile [configfile [logfile]]]\n"
      "\n"
      "  -u            import additions from datafile and send them to every scale\n"
      "  -d            import deletions from datafile and send them\n"
      "  -a            delete all records of the data type on every scale\n"
      "  -v            receive data of the type from every scale and export it to datafile\n"
      "  -fTYPE        data type: plu exmsg exmsg2 exmsg3 coupon pricecng mkdpricecng store\n"
      "                keyboard nutrition pluprod hourlyprod opprod nextdayprod rewrapprod prod\n"
      "  -sFORMAT      data format: standard seasia wmsmart tops\n"
      "  -c / -t       field separator comma (default) / tab\n"
      "  -r            first resend what failed scales kept in their resend files\n"
      "  -l            description columns as font/text pairs\n"
      "  -e            delete the driver log before the run\n"
      "  --report FILE write the run report (every scale's outcome) to FILE as JSON\n"
      "  --scale-limit SECONDS\n"
      "                time one scale may take per operation: SECONDS (1 to 86400,\n"
      "                default 300) plus 1 second for every record sent to it; a\n"
      "                scale past it fails and keeps its records\n"
      "  --stall-limit SECONDS\n"
      "                time a scale may go without completing a record or block\n"
      "                (1 to 86400, default 60); a scale past it fails and keeps\n"
      "                its records\n"
      "  --check       list what the files hold that a run would read differently\n"
      "                than meant; contact no scale, change no file\n"
      "  --wait SECONDS\n"
      "                when another run holds this folder, wait up to SECONDS for it\n"
      "                to end instead of exiting with status 75\n"
      "  --verify      read datafile as -u does, receive the type from every scale\n"
      "                and list what each lacks, holds differently or has besides;\n"
      "                change nothing\n"
      "  --changed-only\n"
      "                with -u: read every scale back first and send each only the\n"
      "                records it lacks or holds differently\n"
      "  --help        show this text\n"
      "  --version     show the driver's version\n"
      "\n"
      "Defaults: configfile TolvanDrvConfig.txt, logfile TolvanDrvLog.txt.\n"
      "\n"
      "Exit status:\n"
      "  0        every scale took (or gave) everything\n"
      "  1 to 44  the run could not be carried out: the error code that stopped it\n"
      "           (command line, configuration, import or export file)\n"
      "  50       the run went through, but at least one scale failed, reported an\n"
      "           error, did not take the data type, refused or could not take a\n"
      "           record, did not confirm a totals reset, or kept its resend file;\n"
      "           or an over-long line cut the import; --verify: a scale differs\n"
      "           from the file or was not read back\n"
      "  51       --verify only: not one scale was read back (none gives the type\n"
      "           back, or none answered): nothing was compared\n"
      "  60       --check only: at least one finding\n"
      "  64       unknown long option, missing or bad option value, --verify or\n"
      "           --changed-only with an option they do not go with, or a --report\n"
      "           file that is another file of the run (nothing was done)\n"
      "  73       no lock can be taken on TolvanDrv.lock (nothing was done)\n"
      "  75       another run holds this folder (TolvanDrv.lock; nothing was done)\n"
      "  130/143  stopped by SIGINT/SIGTERM: scales not finished keep their records\n",
      out);
}

}  // namespace tolvan

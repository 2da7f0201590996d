#include "app/configuration.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/run_files.h"
#include "core/driver.h"
#include "files/field_splitter.h"
#include "files/line_reader.h"
#include "files/work_files.h"
#include "platform/files.h"

namespace tolvan {
namespace {

constexpr std::array<const char*, 17> kKeys = {
    "scale",          "ip",  "port",   "model",      "version",     "is8bit",  "maxexmsg",   "maxpludesclen",
    "connecttimeout", "receivetimeout", "log", "resend", "pricedecpt", "weightdecpt", "charset", "labelwidth",
    "protocol"};
constexpr const auto& kModels = kModelKeywords;
constexpr const auto& kCountries = kCountryKeywords;
constexpr std::array<const char*, 2> kProtocols = {"tcp", "udp"};
constexpr const auto& kCharsets = kCharsetKeywords;
constexpr std::array<const char*, 3> kYes = {"true", "yes", "on"};

// The text matches when the entry is used up while every character of it
// equalled the lowered text; the text may go on behind it.
bool matchesPrefix(std::string_view text, const char* entry) {
  size_t n = std::strlen(entry);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != entry[i]) return false;
  }
  return true;
}

template <size_t N>
int firstMatch(const std::array<const char*, N>& entries, std::string_view text) {
  for (size_t i = 0; i < N; ++i) {
    if (matchesPrefix(text, entries[i])) return static_cast<int>(i);
  }
  return static_cast<int>(N);
}

// Decimal integer: leading blanks, optional sign, digits up to the first
// other character. False when no digit can be read.
// A number beyond 32 bits does not read (the key keeps its default): cut to
// its low bits, 4294967296 seconds would be a time-out of 0.
bool readInteger(const char* text, long& out) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return false;
  out = value;
  return true;
}

// Decimal fraction times 10, truncated toward zero (label widths in tenths).
bool readTenths(const char* text, int& out) {
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text) return false;
  double tenths = value * 10.0;
  if (!(tenths > -2147483648.0 && tenths < 2147483648.0)) return false;
  out = static_cast<int>(tenths);
  return true;
}

void setIntIfReadable(const char* value, int& field) {
  long number = 0;
  if (readInteger(value, number)) field = static_cast<int>(number);
}

}  // namespace

ConfigItem splitConfigItem(char* item) {
  while (*item == ' ') ++item;
  ConfigItem out;
  char* equals = std::strchr(item, '=');
  if (equals == nullptr) {
    out.key = item;
    return out;
  }
  out.key = std::string_view(item, static_cast<size_t>(equals - item));
  out.value = equals + 1;
  return out;
}

int lookupKeyword(KeywordTable table, std::string_view text) {
  switch (table) {
    case KeywordTable::Keys:
      return firstMatch(kKeys, text);
    case KeywordTable::Models:
      return firstMatch(kModels, text);
    case KeywordTable::Countries:
      return firstMatch(kCountries, text);
    case KeywordTable::Protocols:
      return firstMatch(kProtocols, text);
    case KeywordTable::Charsets:
      return firstMatch(kCharsets, text);
  }
  return 0;
}

int yesValue(std::string_view text) { return firstMatch(kYes, text) < static_cast<int>(kYes.size()) ? 1 : 0; }

const char* configKeyName(int key) {
  return (key >= 0 && key < static_cast<int>(kKeys.size())) ? kKeys[static_cast<size_t>(key)] : "";
}

bool setScaleKey(ScaleEntry& scale, int key, const char* value) {
  switch (key) {
    case kKeyIp:
      scale.ip = std::string(value).substr(0, kScaleIpMax);
      return true;
    case kKeyPort: {
      long port = 0;
      if (readInteger(value, port)) scale.port = static_cast<uint16_t>(port & 0xFFFF);
      return true;
    }
    case kKeyModel: {
      int model = lookupKeyword(KeywordTable::Models, value);
      if (!isAcceptedModel(model)) return false;
      scale.model = model;
      return true;
    }
    case kKeyVersion: {
      int version = lookupKeyword(KeywordTable::Countries, value);
      if (version >= static_cast<int>(kCountries.size())) return false;
      scale.version = version;
      return true;
    }
    case kKeyIs8bit:
      scale.is8bit = yesValue(value);
      return true;
    case kKeyMaxExMsg:
      setIntIfReadable(value, scale.maxExMsg);
      return true;
    case kKeyMaxPluDescLen:
      setIntIfReadable(value, scale.maxPluDescLen);
      return true;
    case kKeyConnectTimeout:
      setIntIfReadable(value, scale.connectTimeout);
      return true;
    case kKeyReceiveTimeout:
      setIntIfReadable(value, scale.receiveTimeout);
      return true;
    case kKeyLog:
      scale.trafficLogFile = value;
      return true;
    case kKeyResend:
      scale.resendFile = value;
      return true;
    case kKeyLabelWidth:
      readTenths(value, scale.labelWidth);
      return true;
    case kKeyProtocol:
      scale.protocol = lookupKeyword(KeywordTable::Protocols, value);
      return true;
    default:  // "scale", "pricedecpt", "weightdecpt", "charset", unknown keys
      return true;
  }
}

bool applyGlobalKey(DriverOptions& options, int key, const char* value) {
  switch (key) {
    case kKeyMaxExMsg:
      setIntIfReadable(value, options.maxExMsg);
      return true;
    case kKeyPriceDecPt:
      setIntIfReadable(value, options.priceDecPt);
      return true;
    case kKeyWeightDecPt:
      setIntIfReadable(value, options.weightDecPt);
      return true;
    case kKeyCharset: {
      int charset = lookupKeyword(KeywordTable::Charsets, value);
      options.charset = charset < static_cast<int>(kCharsets.size()) ? charset : 0;
      return true;
    }
    case kKeyLabelWidth:
      readTenths(value, options.labelWidth);
      return true;
    default:
      return false;
  }
}

namespace {

// The key texts as written (up to the '=') of a scale line's items, for
// message 14 about the file an item names.
struct ScaleLineKeys {
  std::string scale;
  std::string log;
  std::string resend;
};

// What loading carries from line to line: the run's files so far, each
// scale's listed as its line is read.
struct ConfigLoad {
  Driver& driver;
  RunFiles files;
};

ScaleEntry* addScale(Driver& driver, const char* name) {
  auto* scale = new ScaleEntry(name, driver.scales.count(), driver.options.labelWidth);
  scale->driver = &driver;
  for (int i = 0; i < driver.scales.count(); ++i) {
    if (driver.scales.get(i)->name == scale->name) ++scale->nameRank;
  }
  driver.scales.append(scale);
  return scale;
}

MessageCode invalidValue(Driver& driver, int lineNo, const std::string& keyText, const char* value) {
  driver.log.error(kMsgInvalidSetupValue, lineNo, keyText.c_str(), value);
  return kMsgInvalidSetupValue;
}

// Applies the items behind "scale=..." to the new scale.
MessageCode applyScaleItems(Driver& driver, ScaleEntry& scale, const FieldList& items, int lineNo,
                            ScaleLineKeys& keys) {
  for (int i = 1; i < items.count(); ++i) {
    ConfigItem item = splitConfigItem(items.get(i));
    if (item.value == nullptr) continue;
    int key = lookupKeyword(KeywordTable::Keys, item.key);
    if (key == kKeyUnknown) continue;
    if (!setScaleKey(scale, key, item.value)) return invalidValue(driver, lineNo, std::string(item.key), item.value);
    if (key == kKeyLog) keys.log = item.key;
    if (key == kKeyResend) keys.resend = item.key;
  }
  return kMsgOk;
}

// A scale whose work file, log or resend file leads out of the folder or
// is another file of the run stops the run on its line, before loading
// has deleted anything.
MessageCode checkScaleFiles(ConfigLoad& load, const ScaleEntry& scale, const ScaleLineKeys& keys,
                            const char* nameAsWritten, int lineNo) {
  std::optional<ScaleFileClash> clash = addScaleFiles(load.files, scale);
  if (!clash) return kMsgOk;
  switch (clash->key) {
    case kKeyLog:
      return invalidValue(load.driver, lineNo, keys.log, scale.trafficLogFile->c_str());
    case kKeyResend:
      return invalidValue(load.driver, lineNo, keys.resend, scale.resendFile->c_str());
    default:
      return invalidValue(load.driver, lineNo, keys.scale, nameAsWritten);
  }
}

MessageCode applyLine(ConfigLoad& load, const FieldList& items, int lineNo) {
  Driver& driver = load.driver;
  ConfigItem first = splitConfigItem(items.get(0));
  int key = first.value == nullptr ? kKeyUnknown : lookupKeyword(KeywordTable::Keys, first.key);
  if (key == kKeyScale) {
    ScaleEntry* scale = addScale(driver, first.value);
    ScaleLineKeys keys{std::string(first.key), {}, {}};
    MessageCode applied = applyScaleItems(driver, *scale, items, lineNo, keys);
    return applied != kMsgOk ? applied : checkScaleFiles(load, *scale, keys, first.value, lineNo);
  }
  if (key == kKeyUnknown || !applyGlobalKey(driver.options, key, first.value)) {
    std::string keyText(first.key);
    driver.log.error(kMsgInvalidSetupParam, lineNo, keyText.c_str());
    return kMsgInvalidSetupParam;
  }
  return kMsgOk;
}

// Each run starts without the last run's work files and with empty scale
// logs; done once every line has been read and checked, so a
// configuration the run stops at deletes nothing.
void deleteLastRunFiles(Driver& driver) {
  for (int i = 0; i < driver.scales.count(); ++i) {
    const ScaleEntry& scale = *driver.scales.get(i);
    deleteWorkFile(scale);
    if (scale.trafficLogFile) removeFile(*scale.trafficLogFile);
  }
}

}  // namespace

MessageCode loadConfiguration(Driver& driver, LastRunFiles lastRunFiles) {
  std::FILE* file = openFile(driver.options.configFile, "rb");
  if (file == nullptr) {
    driver.log.error(kMsgCannotOpenSetup, driver.options.configFile.c_str());
    return kMsgCannotOpenSetup;
  }
  LineReader reader(file, driver.log);
  FieldList items;
  ConfigLoad load{driver, RunFiles(driver.options, true)};
  MessageCode result = kMsgOk;
  while (char* line = reader.nextLine()) {
    if (!splitFields(line, items, ',') || items.count() == 0) continue;
    result = applyLine(load, items, reader.lineCount());
    if (result != kMsgOk) break;
  }
  std::fclose(file);
  if (result == kMsgOk && lastRunFiles == LastRunFiles::Delete) deleteLastRunFiles(driver);
  return result;
}

}  // namespace tolvan

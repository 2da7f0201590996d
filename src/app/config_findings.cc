#include "app/config_findings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "app/configuration.h"
#include "app/run_files.h"
#include "files/field_splitter.h"
#include "files/line_reader.h"
#include "files/work_files.h"
#include "platform/files.h"

namespace tolvan {
namespace {

std::string trimmed(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

// Four decimal numbers of 0 to 255, one to three digits each, between dots.
bool isDottedIpv4(std::string_view text) {
  int parts = 0;
  size_t i = 0;
  while (parts < 4) {
    size_t digits = 0;
    int value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
      value = value * 10 + (text[i++] - '0');
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    if (++parts < 4 && (i >= text.size() || text[i++] != '.')) return false;
  }
  return i == text.size();
}

// A decimal integer as loading reads it (strtol): false when none reads.
bool readsAsInteger(const char* text, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text;
}

class ConfigLook {
 public:
  ConfigLook(const DriverOptions& options, ConfigScan& scan, FindingList& out)
      : runOptions_(options), scan_(scan), out_(out), file_(options.configFile) {
    scan_.options = options;
    for (int k = 0; k < kKeyUnknown; ++k) keyNames_.emplace_back(configKeyName(k));
  }

  void line(FieldList& items, int lineNo);
  void finish(const LineReader& reader);

 private:
  void note(int lineNo, std::string text) { out_.push_back(Finding{file_, lineNo, std::move(text)}); }
  int checkedKey(int lineNo, const ConfigItem& item, const char* consequence);
  void globalLine(const ConfigItem& first, int key, const FieldList& items, int lineNo);
  void scaleLine(const ConfigItem& first, FieldList& items, int lineNo);
  void scaleItem(ScaleEntry& scale, const ConfigItem& item, int key, int lineNo);
  void checkNumberValue(int key, const char* value, int lineNo);
  void checkPort(const char* value, int lineNo);
  void checkIp(const char* value, int lineNo);
  void checkSharedScales();
  void checkFileNames();

  const DriverOptions& runOptions_;
  ConfigScan& scan_;
  FindingList& out_;
  std::string file_;
  std::vector<std::string> keyNames_;
};

// The key of an item, with a note when it is unknown or carries characters
// behind the key it is read as. `consequence` says what the driver does
// with an unknown one.
int ConfigLook::checkedKey(int lineNo, const ConfigItem& item, const char* consequence) {
  if (item.value == nullptr) {
    note(lineNo, "item " + quoted(item.key) + " has no '=' and sets nothing; " + consequence);
    return kKeyUnknown;
  }
  int key = lookupKeyword(KeywordTable::Keys, item.key);
  std::string written = trimmed(item.key);
  // Keys starting "sim" are the scale simulator's own settings, which it
  // keeps on the driver's scale lines.
  if (key == kKeyUnknown && written.rfind("sim", 0) == 0) return key;
  if (key == kKeyUnknown) {
    std::string near = nearestWord(written, keyNames_);
    note(lineNo, "unknown key " + quoted(written) + (near.empty() ? "" : " (nearest known key: " + quoted(near) + ")") +
                     "; " + consequence);
  } else if (written.size() > std::strlen(configKeyName(key))) {
    note(lineNo, "key " + quoted(written) + " is read as " + quoted(configKeyName(key)) +
                     "; the driver applies it as that key");
  }
  return key;
}

void ConfigLook::checkNumberValue(int key, const char* value, int lineNo) {
  static constexpr int kNumberKeys[] = {kKeyMaxExMsg,   kKeyMaxPluDescLen, kKeyConnectTimeout, kKeyReceiveTimeout,
                                        kKeyPriceDecPt, kKeyWeightDecPt,   kKeyLabelWidth};
  if (std::find(std::begin(kNumberKeys), std::end(kNumberKeys), key) == std::end(kNumberKeys)) return;
  char* end = nullptr;
  if (key == kKeyLabelWidth) {
    (void)std::strtod(value, &end);
  } else {
    (void)std::strtol(value, &end, 10);
  }
  if (end == value) {
    note(lineNo, std::string(configKeyName(key)) + " value " + quoted(value) +
                     " is not a number; the driver ignores it and keeps the value it had");
  }
}

void ConfigLook::checkPort(const char* value, int lineNo) {
  long port = 0;
  if (!readsAsInteger(value, port)) {
    note(lineNo, "port " + quoted(value) + " is not a number; the driver keeps port 50021");
  } else if (port < 1 || port > 65535) {
    note(lineNo, "port " + quoted(value) + " is not 1 to 65535; the driver uses port " +
                     std::to_string(static_cast<uint16_t>(port & 0xFFFF)));
  }
}

void ConfigLook::checkIp(const char* value, int lineNo) {
  std::string kept = std::string(value).substr(0, kScaleIpMax);
  if (std::strlen(value) > kScaleIpMax) {
    note(lineNo, "ip " + quoted(value) + " is longer than 15 characters; the driver keeps " + quoted(kept));
  }
  if (!isDottedIpv4(kept)) {
    note(lineNo, "ip " + quoted(kept) + " is not a dotted IPv4 address; the driver cannot reach this scale");
  }
}

void ConfigLook::scaleItem(ScaleEntry& scale, const ConfigItem& item, int key, int lineNo) {
  if (key == kKeyPort) checkPort(item.value, lineNo);
  if (key == kKeyIp) checkIp(item.value, lineNo);
  checkNumberValue(key, item.value, lineNo);
  if (key == kKeyProtocol && lookupKeyword(KeywordTable::Protocols, item.value) == kProtocolUnknown) {
    note(lineNo, "protocol " + quoted(item.value) + " is neither tcp nor udp; the driver uses tcp");
  }
  if (key == kKeyScale || key == kKeyPriceDecPt || key == kKeyWeightDecPt || key == kKeyCharset) {
    note(lineNo, std::string(configKeyName(key)) + " behind a scale sets nothing; the driver ignores it");
  }
  if (!setScaleKey(scale, key, item.value)) {
    note(lineNo, std::string(configKeyName(key)) + " value " + quoted(item.value) +
                     " is not an accepted one; the run stops with error 14");
  }
}

void ConfigLook::scaleLine(const ConfigItem& first, FieldList& items, int lineNo) {
  auto scale =
      std::make_unique<ScaleEntry>(first.value, static_cast<int>(scan_.scales.size()), scan_.options.labelWidth);
  for (const auto& other : scan_.scales) {
    if (other->name == scale->name) ++scale->nameRank;
  }
  for (int i = 1; i < items.count(); ++i) {
    ConfigItem item = splitConfigItem(items.get(i));
    int key = checkedKey(lineNo, item, "the driver ignores it");
    if (key != kKeyUnknown) scaleItem(*scale, item, key, lineNo);
  }
  scan_.scales.push_back(std::move(scale));
  scan_.scaleLines.push_back(lineNo);
}

void ConfigLook::globalLine(const ConfigItem& first, int key, const FieldList& items, int lineNo) {
  if (key == kKeyUnknown) return;  // already noted by checkedKey
  checkNumberValue(key, first.value, lineNo);
  if (key == kKeyCharset && lookupKeyword(KeywordTable::Charsets, first.value) >= 4) {
    note(lineNo, "charset " + quoted(first.value) + " names no charset; the driver uses 1byte");
  }
  if (!applyGlobalKey(scan_.options, key, first.value)) {
    note(lineNo,
         quoted(trimmed(first.key)) + " may only stand behind a scale on its line; the run stops with error 13");
    return;
  }
  if (items.count() > 1) note(lineNo, "items behind a global setting set nothing; the driver ignores them");
}

void ConfigLook::line(FieldList& items, int lineNo) {
  ConfigItem first = splitConfigItem(items.get(0));
  int key = checkedKey(lineNo, first, "the run stops with error 13");
  if (key == kKeyScale) {
    scaleLine(first, items, lineNo);
  } else {
    globalLine(first, key, items, lineNo);
  }
}

void ConfigLook::checkSharedScales() {
  const auto& scales = scan_.scales;
  for (size_t i = 0; i < scales.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      const ScaleEntry& a = *scales[j];
      const ScaleEntry& b = *scales[i];
      std::string earlier = " as the scale on line " + std::to_string(scan_.scaleLines[j]);
      if (a.name == b.name) {
        note(scan_.scaleLines[i], "scale " + quoted(b.name) + " has the same name" + earlier +
                                      "; the driver keeps their work files apart, but messages cannot tell them apart");
      }
      if (a.ip == b.ip && a.port == b.port) {
        note(scan_.scaleLines[i], "scale " + quoted(b.name) + " has the same address and port" + earlier +
                                      "; the driver sends that scale everything twice");
      }
    }
  }
}

// The loader's own look at the scales' files (run_files.h), so a check
// finds the lines a run stops at. A report named like a scale's file is a
// finding of its own (file_check.h): the run stops at it before loading.
void ConfigLook::checkFileNames() {
  RunFiles files(runOptions_, false);
  for (size_t i = 0; i < scan_.scales.size(); ++i) {
    const ScaleEntry& scale = *scan_.scales[i];
    std::optional<ScaleFileClash> clash = addScaleFiles(files, scale);
    if (!clash) continue;
    std::string file = clash->key == kKeyLog      ? "log file " + quoted(*scale.trafficLogFile)
                       : clash->key == kKeyResend ? "resend file " + quoted(*scale.resendFile)
                                                  : "work file " + quoted(workFileName(scale));
    note(scan_.scaleLines[i], file + " of scale " + quoted(scale.name) + " " + clash->why +
                                  "; the run stops with error 14");
  }
}

void ConfigLook::finish(const LineReader& reader) {
  if (reader.hadByteOrderMark()) {
    out_.insert(out_.begin(), Finding{file_, 1, "the file starts with a byte-order mark; the driver skips it"});
  }
  if (reader.stoppedAtLongLine()) {
    note(reader.physicalLine(), "the line is longer than 3072 characters; the driver reads no further line");
  }
  noteLinesWithNul(file_, reader.linesWithNul(), out_);
  // A run without an operation is how a store starts its setup ("no scales
  // yet"); only a run that would move data, or a check, hears of it.
  if (scan_.scales.empty() && (runOptions_.mode != kModeNone || runOptions_.check)) {
    note(0, "no scale is configured; every operation runs over no scale");
  }
  checkSharedScales();
  checkFileNames();
}

}  // namespace

MessageCode scanConfiguration(const DriverOptions& options, ConfigScan& scan, FindingList& findings) {
  std::FILE* file = openFile(options.configFile, "rb");
  if (file == nullptr) return kMsgCannotOpenSetup;
  QuietLog quiet;
  {
    LineReader reader(file, quiet.log());
    FindingList own;
    ConfigLook look(options, scan, own);
    FieldList items;
    while (char* line = reader.nextLine()) {
      if (splitFields(line, items, ',') && items.count() > 0) look.line(items, reader.physicalLine());
    }
    look.finish(reader);
    sortByLine(own);
    findings.insert(findings.end(), own.begin(), own.end());
  }
  std::fclose(file);
  return kMsgOk;
}

}  // namespace tolvan

#include "sim/sim_config.h"

#include <cctype>
#include <charconv>
#include <iterator>

#include "app/configuration.h"
#include "core/driver.h"
#include "files/field_splitter.h"
#include "files/line_reader.h"
#include "platform/sleeper.h"
#include "sim/sim_bytes.h"

namespace tolvan::sim {
namespace {

constexpr const char* kLoopback = "127.0.0.1";

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Key text of an item (before its first '=', leading blanks skipped); empty
// when the item has no '='.
std::string_view itemKey(std::string_view item) {
  size_t eq = item.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view key = item.substr(0, eq);
  while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
  return key;
}

std::string_view itemValue(std::string_view item) {
  size_t eq = item.find('=');
  return eq == std::string_view::npos ? std::string_view{} : item.substr(eq + 1);
}

bool readCount(std::string_view text, int& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> splitAt(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == sep) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

bool isScaleLine(std::string_view line) {
  std::string copy(line);
  if (isCommentLine(copy.c_str())) return false;
  std::vector<std::string_view> items = splitItems(line);
  if (items.empty()) return false;
  std::string_view key = itemKey(items[0]);
  return !key.empty() && lookupKeyword(KeywordTable::Keys, key) == kKeyScale;
}

// The file's lines without their line ends; blank lines are dropped as the
// driver's reader drops them.
std::vector<std::string> readLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

ScaleProfile profileOf(const ScaleEntry& entry) {
  ScaleProfile p;
  p.name = entry.name;
  p.model = entry.model;
  p.version = entry.version;
  p.family = ScaleIsMessageFamily(entry) ? Family::Message : Family::Block;
  p.udp = p.family == Family::Block && entry.protocol == kProtocolUdp;
  p.eightBit = entry.is8bit != 0;
  p.maxExMsg = entry.maxExMsg;
  p.scaleNo = static_cast<int>(entry.scaleNo);
  return p;
}

bool loadSeed(SimScale& scale, std::string& error) {
  std::string text;
  if (!readWholeFile(scale.seedFile, text)) {
    error = "cannot open seed file " + scale.seedFile;
    return false;
  }
  if (scale.store.loadText(text, error)) return true;
  error = "seed file " + scale.seedFile + ": " + error;
  return false;
}

// Reads the scale settings with the driver's own loader, so that both
// sides agree on every key, default and keyword; the driver's files in the
// folder (work files, scale logs) are left alone.
bool loadEntries(const std::string& path, Driver& driver, std::string& error) {
  driver.options.configFile = path;
  driver.options.logFile.clear();  // its messages go to the console only
  MessageCode code = loadConfiguration(driver, LastRunFiles::Keep);
  if (code == kMsgOk) return true;
  error = "the configuration was refused with message " + std::to_string(static_cast<int>(code));
  return false;
}

}  // namespace

std::vector<std::string_view> splitItems(std::string_view line) {
  std::vector<std::string_view> items;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] == '"') quoted = !quoted;
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      if (!trim(line.substr(start, i - start)).empty()) items.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  return items;
}

bool applyFault(std::string_view value, FaultPlan& f) {
  std::vector<std::string_view> parts = splitAt(trim(value), ':');
  std::string name = lowered(parts[0]);
  std::vector<int> n(parts.size() - 1);
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!readCount(parts[i], n[i - 1]) || n[i - 1] < 0) return false;
  }
  auto count = [&](int& field, bool optional) {
    if (n.size() == 1 && n[0] > 0) field = n[0];
    else if (n.empty() && optional) field = -1;
    else return false;
    return true;
  };
  if (name == "refuse" && n.empty()) return f.refuse = true;
  if (name == "silent" && n.empty()) return f.silent = true;
  if (name == "busy") return count(f.busyStarts, true);
  if (name == "enqnak") return count(f.enquiryNaks, true);
  if (name == "nak") return count(f.nakBlock, false);
  if (name == "badcheck") return count(f.badChecks, false);
  if (name == "drop") return count(f.dropAfter, false);
  if (name == "hangreset" && n.empty()) return f.hangReset = true;
  if (name == "stopread" && n.empty()) return f.stopRead = true;
  if (name == "noaccept" && n.empty()) return f.noAccept = true;
  // Pauses in milliseconds, with defaults a real scale might show.
  auto pause = [&](int& field, int byDefault) {
    if (n.size() > 1 || (n.size() == 1 && n[0] == 0)) return false;
    field = n.empty() ? byDefault : n[0];
    return true;
  };
  if (name == "trickle") return pause(f.trickleMs, 500);
  if (name == "endlessenq") return pause(f.endlessEnquiryMs, 3000);
  if (name == "resetafterstatus") return pause(f.resetAfterStatusMs, 200);
  if (name == "slow") return pause(f.slowMs, 300);
  if (name == "flood" && n.empty()) return f.flood = true;
  if (name == "error" && n.size() == 1) {
    f.errorCode = n[0];
    return f.errorReply = true;
  }
  if (name == "counts" && n.size() == 3) {
    f.countReceived = n[0];
    f.countAccepted = n[1];
    f.countErrors = n[2];
    return f.countsReply = true;
  }
  if (name == "okcounts" && (n.empty() || n.size() == 3)) {
    if (!n.empty()) {
      f.okReceived = n[0];
      f.okAccepted = n[1];
      f.okErrors = n[2];
    }
    return f.okCounts = true;
  }
  if (name == "reseterror" && n.size() == 1) {
    f.resetErrorCode = n[0];
    return f.resetError = true;
  }
  if (name == "resetdrop" && n.empty()) return f.resetDrop = true;
  if (name == "nondigit" && n.empty()) return f.nonDigit = true;
  return false;
}

bool applySimItems(std::string_view line, SimScale& scale, std::string& error) {
  std::vector<std::string_view> items = splitItems(line);
  for (size_t i = 1; i < items.size(); ++i) {
    std::string key = lowered(trim(itemKey(items[i])));
    if (!key.starts_with("sim")) continue;
    std::string value(trim(itemValue(items[i])));
    if (key == "simfault") {
      if (!applyFault(value, scale.faults)) {
        error = "unknown fault \"" + value + "\"";
        return false;
      }
    } else if (key == "simseed") {
      scale.seedFile = value;
    } else if (key == "simtranscript") {
      scale.transcriptFile = value;
    } else if (key == "simdump") {
      scale.dumpFile = value;
    } else {
      error = "unknown simulator setting \"" + key + "\"";
      return false;
    }
  }
  return true;
}

bool loadSimConfig(const std::string& path, SimConfig& config, std::string& error) {
  SystemClock clock;
  SystemSleeper sleeper;
  Driver driver(clock, sleeper, stderr);
  if (!loadEntries(path, driver, error)) return false;
  std::string text;
  (void)readWholeFile(path, text);
  bool scanning = true;
  for (std::string& lineText : readLines(text)) {
    ConfigLine line{std::move(lineText), -1};
    // The driver stops reading at an over-long line; so does the scan.
    if (line.text.size() > static_cast<size_t>(kMaxLineLen)) scanning = false;
    if (scanning && isScaleLine(line.text)) line.scale = static_cast<int>(config.scales.size());
    if (line.scale >= 0) {
      if (line.scale >= driver.scales.count()) break;
      auto scale = std::make_unique<SimScale>();
      const ScaleEntry& entry = *driver.scales.get(line.scale);
      scale->profile = profileOf(entry);
      scale->configuredPort = entry.port;
      if (!applySimItems(line.text, *scale, error)) {
        error = "scale " + entry.name + ": " + error;
        return false;
      }
      if (!scale->seedFile.empty() && !loadSeed(*scale, error)) return false;
      config.scales.push_back(std::move(scale));
    }
    config.lines.push_back(std::move(line));
  }
  if (static_cast<int>(config.scales.size()) != driver.scales.count()) {
    error = "the scale lines could not be matched with the driver's reading";
    return false;
  }
  return true;
}

std::string rewriteScaleLine(std::string_view line, uint16_t port) {
  std::string out;
  bool hasPort = false;
  bool hasIp = false;
  size_t copied = 0;
  for (std::string_view item : splitItems(line)) {
    std::string_view key = itemKey(item);
    if (key.empty()) continue;
    int which = lookupKeyword(KeywordTable::Keys, key);
    if (which != kKeyPort && which != kKeyIp) continue;
    size_t at = static_cast<size_t>(item.data() - line.data());
    size_t keyAt = static_cast<size_t>(key.data() - line.data());
    out.append(line.substr(copied, keyAt - copied));
    out += which == kKeyPort ? "port=" + std::to_string(port) : std::string("ip=") + kLoopback;
    copied = at + item.size();
    (which == kKeyPort ? hasPort : hasIp) = true;
  }
  out.append(line.substr(copied));
  if (!hasIp) out += std::string(",ip=") + kLoopback;
  if (!hasPort) out += ",port=" + std::to_string(port);
  return out;
}

std::string rewriteConfig(const SimConfig& config) {
  std::string out;
  for (const ConfigLine& line : config.lines) {
    out += line.scale >= 0 ? rewriteScaleLine(line.text, config.scales[static_cast<size_t>(line.scale)]->port)
                           : line.text;
    out += "\r\n";
  }
  return out;
}

}  // namespace tolvan::sim

#include "app/verdict.h"

#include "app/verify.h"
#include "core/driver_options.h"

namespace tolvan {
namespace {

constexpr const char* kProgram = "tolvandrv: ";

// "Deli: failed, code 18: Cannot connect to scale: 10.0.0.7 (Port = 50021) (connection refused)"
std::string scaleLine(const ScaleReport& s) {
  std::string line = s.name + ": " + verdictName(s.verdict) + ", code " + std::to_string(s.code);
  if (!s.text.empty()) line += ": " + s.text;
  if (!s.cause.empty()) line += " (" + s.cause + ")";
  return line;
}

std::string damagedLine(const ScaleReport& s) {
  const char* entries = s.damagedEntries == 1 ? " damaged resend entry" : " damaged resend entries";
  return s.name + ": " + std::to_string(s.damagedEntries) + entries + " set aside in " + s.resendFile.value_or("") +
         ".damaged";
}

// "stopped: Cannot open setup file : x.cfg (code 12)"
std::string codeLine(const char* what, const std::string& text, int code) {
  return what + text + " (code " + std::to_string(code) + ")";
}

}  // namespace

std::vector<std::string> verdictLines(const RunReport& report) {
  std::vector<std::string> lines;
  if (report.exitStatus == 0) return lines;
  for (const ScaleReport& s : report.scales) {
    if (s.verdict != ScaleVerdict::Ok) lines.push_back(scaleLine(s));
  }
  for (const ScaleReport& s : report.scales) {
    if (s.damagedEntries > 0) lines.push_back(damagedLine(s));
  }
  if (!report.exportedNotReset.empty()) {
    std::string names;
    for (const std::string& name : report.exportedNotReset) names += (names.empty() ? "" : ", ") + name;
    lines.push_back("exported but not reset: " + names + "; the next receive exports those totals again");
  }
  if (report.importCutShort) {
    lines.push_back(codeLine("import cut short: ", report.cutShortText, kMsgLineTooLong) +
                    "; the lines from there on were not read");
  }
  if (report.stoppedBy != kMsgOk) lines.push_back(codeLine("stopped: ", report.stoppedText, report.stoppedBy));
  if (!report.stopNote.empty()) lines.push_back(report.stopNote);
  addVerifyVerdict(report, lines);
  if (lines.empty()) lines.push_back("ended with error code " + std::to_string(report.result));
  return lines;
}

void writeVerdict(const RunReport& report, std::FILE* err) {
  if (report.operation == operationName(kModeNone) && !report.resendFirst) {
    std::fprintf(err, "%sno operation given (-u, -d, -a or -v); see --help\n", kProgram);
  }
  for (const std::string& line : report.verdict) std::fprintf(err, "%s%s\n", kProgram, line.c_str());
  std::fflush(err);
}

void warnLogNotWritten(const std::string& logFile, const std::string& why, std::FILE* err) {
  if (why.empty()) return;
  std::fprintf(err, "%swarning: cannot write the driver log %s (%s); this run's lines are missing from it\n",
               kProgram, logFile.c_str(), why.c_str());
  std::fflush(err);
}

}  // namespace tolvan

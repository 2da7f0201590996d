#include "app/run_report.h"

#include <nlohmann/json.hpp>

#include <cstring>

#include "app/configuration.h"
#include "app/verify.h"
#include "core/driver.h"
#include "files/resend_file.h"
#include "files/work_files.h"
#include "platform/files.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

// A message text whose numbers or names the report cannot know keeps "?"
// in their place rather than formatting garbage.
std::string textWithoutArguments(int code) {
  std::string text = messageText(code);
  for (size_t at = text.find('%'); at != std::string::npos && at + 1 < text.size(); at = text.find('%', at + 1)) {
    text.replace(at, 2, "?");
  }
  return text;
}

std::string scaleMessage(const ScaleEntry& scale, int code) {
  switch (code) {
    case kMsgTypeNotSupported:
      return formatMessage(code, dataTypeKeyword(scale.dataType), scale.name.c_str());
    case kMsgCannotConnect:
      return formatMessage(code, scale.ip.c_str(), static_cast<int>(scale.port));
    case kMsgConvertError:
      return formatMessage(code, scale.tally.unconvertedAt.load());
    case kMsgScaleDataError:
      return formatMessage(code, scale.tally.errorFirst.load(), scale.tally.errorSecond.load());
    case kMsgScaleErrorCode:
      return formatMessage(code, scale.tally.errorFirst.load());
    default:
      return textWithoutArguments(code);
  }
}

// The cause in words; refused blocks say how many records they cost.
std::string causeWords(const ScaleEntry& scale, ScaleCause cause) {
  // A reset or clear that failed after a good receive: its own step's cause.
  const bool resetFailed = scale.outcome.reset == TotalsReset::Failed;
  if (resetFailed && cause == ScaleCause::None) cause = static_cast<ScaleCause>(scale.tally.cause.load());
  std::string words = causeText(cause);
  if (resetFailed) words = "totals not reset" + (words.empty() ? "" : ": " + words);
  const int refused = scale.tally.refused.load();
  if (cause == ScaleCause::Nak && refused > 0) {
    words += " for " + std::to_string(refused) + (refused == 1 ? " record" : " records");
  }
  return words;
}

// Failed beats rejected beats unsupported: the report names the worst thing
// that happened on the scale. Refused blocks, a cut-short block send and
// records skipped as unconvertible leave records missing although the
// scale's status says OK.
void judge(const ScaleEntry& scale, ScaleReport& out) {
  const ScaleOutcome& o = scale.outcome;
  out.code = o.code;
  ScaleCause cause = o.cause;
  if (o.status == kStatusFailed) {
    out.verdict = ScaleVerdict::Failed;
  } else if (o.status == kStatusScaleError && !o.unsupported) {
    out.verdict = ScaleVerdict::Rejected;
  } else if (scale.tally.refused.load() > 0) {
    out.verdict = ScaleVerdict::Rejected;
    out.code = kMsgNakReceived;
    cause = ScaleCause::Nak;
  } else if (scale.tally.cutShort.load() || scale.tally.skipped.load() > 0) {
    out.verdict = ScaleVerdict::Rejected;
    out.code = kMsgConvertError;
    cause = ScaleCause::Unconvertible;
  } else if (o.unsupported) {
    out.verdict = ScaleVerdict::Unsupported;
    out.code = kMsgTypeNotSupported;
    cause = ScaleCause::Unsupported;
  } else {
    out.code = kMsgOk;
  }
  // SIGINT or SIGTERM ended its work; no message of the table says so.
  if (out.verdict == ScaleVerdict::Failed && out.code == kMsgOk && scale.tally.stopped.load()) {
    out.text = "stopped before it was done";
    out.cause = causeWords(scale, cause);
  }
  if (out.code == kMsgOk) return;
  out.text = scaleMessage(scale, out.code);
  out.cause = causeWords(scale, cause);
}

std::optional<std::string> resetName(TotalsReset reset) {
  switch (reset) {
    case TotalsReset::Done: return "done";
    case TotalsReset::Failed: return "failed";
    case TotalsReset::NoneForFamily: return "none for this family";
    case TotalsReset::NotDone: return "not done";
    default: return std::nullopt;
  }
}

// The scale's lines are in the export (its work file holds some) while its
// totals stay on the scale: the next receive exports them again.
bool exportedButNotReset(const ScaleEntry& scale) {
  TotalsReset reset = scale.outcome.reset;
  if (reset == TotalsReset::NotAsked || reset == TotalsReset::Done) return false;
  std::FILE* work = openFile(workFileName(scale), "rb");
  if (work == nullptr) return false;
  bool lines = fileSize(work) > 0;
  std::fclose(work);
  return lines;
}

ScaleResult scaleResult(const ScaleReport& s) {
  return {.name = s.name,
          .address = s.address,
          .port = s.port,
          .model = s.model,
          .family = s.family,
          .outcome = verdictName(s.verdict),
          .code = s.code,
          .message = s.text,
          .cause = s.cause,
          .sent = s.sent,
          .accepted = s.accepted,
          .received = s.received,
          .resendFile = s.resendFile,
          .resendRecords = s.resendRecords,
          .damagedEntries = s.damagedEntries,
          .seconds = s.seconds,
          .endedAfter = s.endedAfter,
          .reset = resetName(s.reset),
          .verify = s.verify,
          .changedOnly = s.changedOnly};
}

nlohmann::json verifyJson(const VerifyResult& v) {
  nlohmann::json differing = nlohmann::json::array();
  for (const RecordDifference& d : v.differingRecords) {
    nlohmann::json columns = nlohmann::json::array();
    for (const ColumnDifference& c : d.columns) {
      columns.push_back({{"column", c.column}, {"file", c.file}, {"scale", c.scale}});
    }
    differing.push_back({{"number", d.number}, {"columns", columns}});
  }
  return {{"readBack", v.readBack},
          {"notReadBack", v.notReadBack},
          {"held", v.held},
          {"missing", v.missing},
          {"differing", v.differing},
          {"extra", v.extra},
          {"missingNumbers", v.missingNumbers},
          {"differingRecords", differing},
          {"extraNumbers", v.extraNumbers},
          {"unverifiable", v.unverifiable}};
}

nlohmann::json changedOnlyJson(const ChangedOnlyResult& c) {
  return {{"readBack", c.readBack}, {"wholeFile", c.wholeFile}, {"selected", c.selected}, {"skipped", c.skipped}};
}

nlohmann::json scaleJson(const ScaleResult& s) {
  return {{"name", s.name},
          {"address", s.address},
          {"port", s.port},
          {"model", s.model},
          {"family", s.family},
          {"outcome", s.outcome},
          {"code", s.code},
          {"message", s.message},
          {"cause", s.cause},
          {"sent", s.sent},
          {"accepted", s.accepted},
          {"received", s.received},
          {"resendFile", s.resendFile ? nlohmann::json(*s.resendFile) : nlohmann::json(nullptr)},
          {"resendRecords", s.resendRecords},
          {"damagedEntries", s.damagedEntries},
          {"seconds", s.seconds},
          {"endedAfter", s.endedAfter ? nlohmann::json(*s.endedAfter) : nlohmann::json(nullptr)},
          {"reset", s.reset ? nlohmann::json(*s.reset) : nlohmann::json(nullptr)},
          {"verify", s.verify ? verifyJson(*s.verify) : nlohmann::json(nullptr)},
          {"changedOnly", s.changedOnly ? changedOnlyJson(*s.changedOnly) : nlohmann::json(nullptr)}};
}

nlohmann::json reportJson(const JobOutcome& r) {
  nlohmann::json scales = nlohmann::json::array();
  for (const ScaleResult& s : r.scales) scales.push_back(scaleJson(s));
  nlohmann::json run = {{"operation", r.operation},
                        {"dataType", r.dataType},
                        {"dataFile", r.dataFile ? nlohmann::json(*r.dataFile) : nlohmann::json(nullptr)},
                        {"configFile", r.configFile},
                        {"logFile", r.logFile},
                        {"start", r.start},
                        {"end", r.end},
                        {"seconds", r.seconds},
                        {"result", r.result},
                        {"exitStatus", r.exitStatus},
                        {"keptWorkFiles", r.keptWorkFiles ? nlohmann::json{{"folder", r.keptWorkFiles->folder},
                                                                           {"files", r.keptWorkFiles->files}}
                                                          : nlohmann::json(nullptr)},
                        {"exportedNotReset", r.exportedNotReset},
                        {"verdict", r.verdict}};
  return {{"run", run}, {"scales", scales}};
}

}  // namespace

const char* operationName(int mode) {
  switch (mode) {
    case kModeAdd: return "import";
    case kModeDelete: return "delete";
    case kModeDeleteAll: return "delete all";
    case kModeReceive: return "receive";
    default: return "none";
  }
}

const char* verdictName(ScaleVerdict verdict) {
  switch (verdict) {
    case ScaleVerdict::Failed: return "failed";
    case ScaleVerdict::Unsupported: return "unsupported";
    case ScaleVerdict::Rejected: return "rejected";
    default: return "ok";
  }
}

std::string localStamp(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

ScaleReport reportScale(const ScaleEntry& scale) {
  ScaleReport out;
  out.name = scale.name;
  out.address = scale.ip;
  out.port = scale.port;
  out.model = modelName(scale.model);
  out.family = ScaleIsMessageFamily(scale) ? "message" : "block";
  out.sent = scale.tally.sent.load();
  out.accepted = scale.tally.accepted.load();
  out.received = scale.tally.received.load();
  out.resendFile = scale.resendFile;
  if (scale.resendFile) out.resendRecords = countResendEntries(*scale.resendFile);
  out.damagedEntries = scale.outcome.damagedEntries;
  out.seconds = static_cast<double>(scale.tally.busyMs.load()) / 1000.0;
  out.reset = scale.outcome.reset;
  judge(scale, out);
  return out;
}

void takeRunReport(const Driver& driver, RunReport& report) {
  const DriverOptions& o = driver.options;
  report.dataType = dataTypeKeyword(o.dataType);
  report.dataFile = o.dataFile;
  report.configFile = o.configFile;
  report.logFile = o.logFile;
  report.importCutShort = driver.log.timesLogged(kMsgLineTooLong) > 0;
  report.resendFirst = o.resend;
  if (report.stoppedBy != kMsgOk) report.stoppedText = driver.log.lastText(report.stoppedBy);
  if (report.importCutShort) report.cutShortText = driver.log.lastText(kMsgLineTooLong);
  for (int i = 0; i < driver.scales.count(); ++i) {
    const ScaleEntry& scale = *driver.scales.get(i);
    report.scales.push_back(reportScale(scale));
    if (static_cast<size_t>(i) < report.readBack.size()) {
      report.scales.back().verify = report.readBack[static_cast<size_t>(i)].verify;
      report.scales.back().changedOnly = report.readBack[static_cast<size_t>(i)].changedOnly;
    }
    int64_t endedMs = scale.tally.endedMs.load();
    if (endedMs > 0) report.scales.back().endedAfter = static_cast<double>(endedMs - report.startedMs) / 1000.0;
    // Without an export no line went anywhere.
    if (report.stoppedBy == kMsgOk && exportedButNotReset(scale)) report.exportedNotReset.push_back(scale.name);
  }
}

int exitStatusFor(const RunReport& report) {
  if (report.stoppedBy != kMsgOk) return static_cast<int>(report.stoppedBy);
  if (report.operation == kVerifyOperation) return verifyExitStatus(report);
  bool clean = report.result == kMsgOk && !report.importCutShort;
  // Damaged resend entries no longer reach their scale by -r: a person has to look.
  for (const ScaleReport& s : report.scales) clean = clean && s.verdict == ScaleVerdict::Ok && s.damagedEntries == 0;
  return clean ? 0 : kExitScaleFailed;
}

JobOutcome jobOutcome(const RunReport& r) {
  JobOutcome out{.operation = r.operation,
                 .dataType = r.dataType,
                 .dataFile = r.dataFile,
                 .configFile = r.configFile,
                 .logFile = r.logFile,
                 .start = r.started,
                 .end = r.ended,
                 .seconds = static_cast<double>(r.endedMs - r.startedMs) / 1000.0,
                 .result = static_cast<int>(r.result),
                 .exitStatus = r.exitStatus,
                 .keptWorkFiles = {},
                 .scales = {},
                 .exportedNotReset = r.exportedNotReset,
                 .verdict = r.verdict};
  if (r.keptWorkFiles) out.keptWorkFiles = KeptWorkFiles{r.keptWorkFiles->folder, r.keptWorkFiles->files};
  for (const ScaleReport& s : r.scales) out.scales.push_back(scaleResult(s));
  return out;
}

bool writeReportFile(const RunReport& report, const std::string& path) {
  // Names and paths come from the store's files in whatever encoding they
  // use; bytes that are not UTF-8 become U+FFFD instead of stopping the report.
  nlohmann::json json = reportJson(jobOutcome(report));
  ReplacementFile out(path);
  return out.open() && out.write(json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n") &&
         out.commit();
}

void printScaleTable(const RunReport& report, std::FILE* out) {
  if (report.scales.empty()) return;
  std::fprintf(out, "%-20s %-11s %8s %8s %8s  %s\n", "scale", "outcome", "sent", "accepted", "received", "message");
  for (const ScaleReport& s : report.scales) {
    std::fprintf(out, "%-20s %-11s %8d %8d %8d  %s\n", s.name.c_str(), verdictName(s.verdict), s.sent, s.accepted,
                 s.received, s.text.c_str());
  }
}

}  // namespace tolvan

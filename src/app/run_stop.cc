#include "app/run_stop.h"

#include <string>

#include "core/driver_options.h"
#include "platform/stop_signal.h"

namespace tolvan {

void noteRunStopped(RunReport& report, int signal) {
  const int status = stopExitStatus(signal);
  report.result = static_cast<MessageCode>(status);
  report.exitStatus = status;
  std::string kept;
  for (const ScaleReport& s : report.scales) {
    if (s.verdict != ScaleVerdict::Failed || !s.resendFile || s.resendRecords == 0) continue;
    kept += (kept.empty() ? "" : ", ") + s.name + " " + std::to_string(s.resendRecords) + " in " + *s.resendFile;
  }
  if (kept.empty()) kept = "none";
  std::string exported;
  if (report.operation == operationName(kModeReceive) && report.dataFile && report.stoppedBy == kMsgOk) {
    exported = "; " + *report.dataFile + " holds what arrived";
  }
  report.stopNote = std::string("stopped by ") + stopSignalName(signal) + "; records kept for -r: " + kept + exported;
}

}  // namespace tolvan

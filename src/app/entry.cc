#include "app/entry.h"

#include "app/command_line.h"
#include "app/configuration.h"
#include "app/file_check.h"
#include "app/operation_runner.h"
#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "files/export_writer.h"
#include "files/import_reader.h"
#include "platform/socket.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

constexpr const char* kBanner = "Tolvan Scale Driver Version 1.2\n";

void logOperationLine(Driver& driver) {
  const DriverOptions& o = driver.options;
  const char* type = dataTypeKeyword(o.dataType);
  const char* file = o.dataFile ? o.dataFile->c_str() : nullptr;
  switch (o.mode) {
    case kModeAdd:
      if (file != nullptr) driver.log.plain(kMsgImportData, type, file);
      break;
    case kModeDelete:
      if (file != nullptr) driver.log.plain(kMsgImportDeletions, type, file);
      break;
    case kModeDeleteAll:
      driver.log.plain(kMsgDeleteAll, type);
      break;
    case kModeReceive:
      if (file != nullptr) driver.log.plain(kMsgReceiveData, type, file);
      break;
    default:
      break;
  }
}

MessageCode receiveAndExport(Driver& driver) {
  MessageCode received = receiveFromAllScales(driver);
  if (isTotalsType(driver.options.dataType)) (void)totalsClearPass(driver);
  MessageCode exported = writeExportFile(driver);
  return received != kMsgOk ? received : exported;
}

MessageCode runOperation(Driver& driver) {
  MessageCode configResult = loadConfiguration(driver);
  driver.log.plain(kMsgOk);  // the time-stamp-only line that opens each run's operation
  if (configResult != kMsgOk) return configResult;
  logOperationLine(driver);
  if (driver.options.resend) (void)resendStep(driver);
  switch (driver.options.mode) {
    case kModeAdd:
    case kModeDelete: {
      MessageCode imported = importFile(driver);
      if (imported != kMsgOk) return imported;
      return sendToAllScales(driver, true);
    }
    case kModeDeleteAll:
      return deleteAll(driver);
    case kModeReceive:
      return receiveAndExport(driver);
    default:
      return kMsgOk;
  }
}

}  // namespace

int runDriver(int argc, const char* const* argv, const Clock& clock, Sleeper& sleeper, std::FILE* console) {
  if (console != nullptr) {
    std::fputs(kBanner, console);
    std::fflush(console);
  }
  socketStartup();
  MessageCode result;
  int scalesReported = 0;
  // The driver (and with it every scale, record and worker) is released
  // before the final message, so the final line is the run's last act.
  std::string logFile;
  {
    Driver driver(clock, sleeper, console);
    result = parseCommandLine(driver, argc, argv);
    // A check reads the files and ends: no scale, no log, no final message.
    if (driver.options.check) return checkFiles(driver, result);
    if (result == kMsgOk) warnAboutFiles(driver.options, stderr);
    if (result == kMsgOk) result = runOperation(driver);
    scalesReported = driver.log.timesLogged(kMsgScaleFailed);
    logFile = driver.options.logFile;
  }
  DriverOptions finalOptions;
  finalOptions.logFile = logFile;
  DriverLog finalLog(finalOptions.logFile, clock, console);
  if (result == kMsgOk) {
    finalLog.plain(kMsgCompletedOk);
    return scalesReported > 0 ? kExitScaleFailed : 0;
  }
  finalLog.plain(kMsgDriverError, static_cast<int>(result));
  return static_cast<int>(result);
}

}  // namespace tolvan

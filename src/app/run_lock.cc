#include "app/run_lock.h"

namespace tolvan {
namespace {

constexpr int kPollMs = 250;
// A command line longer than this is cut in the lock file.
constexpr size_t kMaxCommandText = 1024;

std::string oneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text.empty() ? "a run that has not yet written its details" : text;
}

}  // namespace

std::string runLockHolder(long pid, const std::string& started, const std::string& command) {
  return oneLine("pid " + std::to_string(pid) + ", started " + started + ", command: " +
                 command.substr(0, kMaxCommandText)) + "\n";
}

int takeRunLock(FolderLock& lock, const std::string& holder, int waitSeconds, Sleeper& sleeper, std::FILE* err,
                const std::function<StopRequest()>& stopRequests) {
  long waitedMs = 0;
  bool told = false;
  for (;;) {
    FolderLock::Outcome outcome = lock.tryTake(kRunLockFile, holder);
    if (outcome == FolderLock::Outcome::Taken) return 0;
    if (outcome == FolderLock::Outcome::Unavailable) {
      std::fprintf(err,
                   "tolvandrv: cannot take the folder lock %s (%s); nothing was done. Make it a regular file "
                   "every user of this folder may read (touch %s; chmod 644 %s)\n",
                   kRunLockFile, lock.errorText().c_str(), kRunLockFile, kRunLockFile);
      return kExitNoLock;
    }
    if (waitedMs >= static_cast<long>(waitSeconds) * 1000) break;
    const int signal = stopRequests ? stopRequests().signal : 0;
    if (signal != 0) {
      std::fprintf(err, "tolvandrv: stopped by %s while waiting for %s; nothing was done\n", stopSignalName(signal),
                   kRunLockFile);
      return stopExitStatus(signal);
    }
    if (!told) {
      std::fprintf(err, "tolvandrv: waiting up to %d s for the run that holds %s (%s)\n", waitSeconds, kRunLockFile,
                   oneLine(lock.holder()).c_str());
      told = true;
    }
    sleeper.sleepMs(kPollMs);
    waitedMs += kPollMs;
  }
  std::fprintf(err, "tolvandrv: another run holds %s (%s); nothing was done\n", kRunLockFile,
               oneLine(lock.holder()).c_str());
  return kExitFolderLocked;
}

}  // namespace tolvan

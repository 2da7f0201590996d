// One run at a time per folder: a run takes "TolvanDrv.lock" in the
// current folder (where the driver log, work and resend files live by
// default) before it writes anything, and holds it until its final message
// is written. Two runs would otherwise interleave their resend files and
// one's -r could delete what the other just kept.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "platform/folder_lock.h"
#include "platform/sleeper.h"
#include "platform/stop_signal.h"

namespace tolvan {

inline constexpr const char* kRunLockFile = "TolvanDrv.lock";
// Exit status of a run that found the folder held by another run.
inline constexpr int kExitFolderLocked = 75;
// Exit status of a run that could take no lock at all: it cannot tell
// whether another run works in the folder, so it does nothing.
inline constexpr int kExitNoLock = 73;

// What the lock file tells a run that finds it held: pid, start time and
// command line of the holder, on one line.
std::string runLockHolder(long pid, const std::string& started, const std::string& command);

// 0 once `lock` holds the folder. When another run holds it, polls every
// quarter second through `sleeper` for up to `waitSeconds`; if the lock
// does not come free, tells on `err` which run holds it and returns 75.
// When no lock can be had at all (no lock file and no right to create
// one, a lock file that cannot be opened, a symbolic link), says why and
// what to do on `err` and returns 73: a run must never go on unlocked where
// another run could be working. A stop signal (`stopRequests`) while it
// waits ends the wait at once with 130 or 143.
int takeRunLock(FolderLock& lock, const std::string& holder, int waitSeconds, Sleeper& sleeper, std::FILE* err,
                const std::function<StopRequest()>& stopRequests = {});

}  // namespace tolvan

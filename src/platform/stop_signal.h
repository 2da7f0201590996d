// Stopping tolvandrv with Ctrl-C (SIGINT) or SIGTERM. On Windows Ctrl-C
// and the event "Local\TolvanInterrupt-<process id>" count as SIGINT;
// Ctrl-Break, closing the console window, logging off, shutting down and
// the event "Local\TolvanStop-<process id>" as SIGTERM (another program
// sets the events to ask for an orderly stop). The handlers only note the
// signal; the run looks at that note between its steps and winds itself
// up: no new scale, files written whole, the final log line. Only
// tolvandrv installs them: a program that embeds the driver keeps its own
// signal handling.
#pragma once

#include "platform/socket.h"

namespace tolvan {

// What the handlers have noted.
struct StopRequest {
  int signal = 0;  // the first SIGINT or SIGTERM; 0 while none came
  int count = 0;   // how many have come
};

// Installs the handlers for SIGINT and SIGTERM; system calls they
// interrupt are restarted.
void installStopSignals();
StopRequest stopRequested();
// The status a shell gives a program ended by the signal: 130 for SIGINT,
// 143 for SIGTERM.
int stopExitStatus(int signal);
// "SIGINT" or "SIGTERM".
const char* stopSignalName(int signal);
// A handle that socketPoll sees readable once a stop was noted, for a
// program that waits on sockets (the simulator); kInvalidSocket when it
// cannot be made. Call after installStopSignals.
SocketHandle stopWakeSocket();

}  // namespace tolvan

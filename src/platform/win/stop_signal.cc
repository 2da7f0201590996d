#include "platform/stop_signal.h"

#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <csignal>
#include <string>

#include "platform/win/wide.h"

namespace tolvan {
namespace {

std::atomic<int> firstSignal{0};
std::atomic<int> signalCount{0};
// The sending side of the datagram pair stopWakeSocket reads from.
std::atomic<SocketHandle> wakeSender{kInvalidSocket};

void noteStop(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal);
  signalCount.fetch_add(1);
  char byte = 1;
  SocketHandle sender = wakeSender.load();
  if (sender != kInvalidSocket) ::send(static_cast<SOCKET>(sender), &byte, 1, 0);
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
  noteStop(event == CTRL_C_EVENT ? SIGINT : SIGTERM);
  // Closing the window, logging off and shutting down end the process as
  // soon as this returns: give the run the seconds the system allows to
  // wind up; its own exit ends this wait.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(10000);
  return TRUE;
}

// The events another program sets to ask this one for an orderly stop, as
// a signal does elsewhere: each setting counts as one signal.
struct StopEvent {
  const char* name;
  int signal;
};
constexpr StopEvent kStopEvents[] = {{"Local\\TolvanInterrupt-", SIGINT}, {"Local\\TolvanStop-", SIGTERM}};

DWORD WINAPI watchStopEvents(void* events) {
  HANDLE* handles = static_cast<HANDLE*>(events);
  for (;;) {
    DWORD which = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE) - WAIT_OBJECT_0;
    if (which >= 2) return 0;
    noteStop(kStopEvents[which].signal);
  }
}

}  // namespace

void installStopSignals() {
  ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  static HANDLE events[2];
  for (int i = 0; i < 2; ++i) {
    std::string name = kStopEvents[i].name + std::to_string(::GetCurrentProcessId());
    events[i] = ::CreateEventW(nullptr, FALSE, FALSE, win::widen(name).c_str());
    if (events[i] == nullptr) return;
  }
  HANDLE watcher = ::CreateThread(nullptr, 0, watchStopEvents, events, 0, nullptr);
  if (watcher != nullptr) ::CloseHandle(watcher);
}

StopRequest stopRequested() { return {firstSignal.load(), signalCount.load()}; }

int stopExitStatus(int signal) { return 128 + signal; }

const char* stopSignalName(int signal) { return signal == SIGTERM ? "SIGTERM" : "SIGINT"; }

SocketHandle stopWakeSocket() {
  SocketHandle reader = socketBind(SocketKind::Datagram, 0);
  SocketHandle sender = socketOpen(SocketKind::Datagram);
  if (reader == kInvalidSocket || sender == kInvalidSocket ||
      !socketConnect(sender, "127.0.0.1", socketLocalPort(reader), 1000)) {
    socketClose(reader);
    socketClose(sender);
    return kInvalidSocket;
  }
  wakeSender.store(sender);
  // A stop noted before the pair was there wakes the first wait too.
  char byte = 1;
  if (signalCount.load() > 0) ::send(static_cast<SOCKET>(sender), &byte, 1, 0);
  return reader;
}

}  // namespace tolvan

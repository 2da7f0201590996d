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

// The event another program sets to ask this one for an orderly stop, as
// SIGTERM does elsewhere.
DWORD WINAPI watchStopEvent(void* event) {
  if (::WaitForSingleObject(static_cast<HANDLE>(event), INFINITE) == WAIT_OBJECT_0) noteStop(SIGTERM);
  return 0;
}

}  // namespace

void installStopSignals() {
  ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  std::wstring name = win::widen("Local\\TolvanStop-" + std::to_string(::GetCurrentProcessId()));
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  if (event == nullptr) return;
  HANDLE watcher = ::CreateThread(nullptr, 0, watchStopEvent, event, 0, nullptr);
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

#include "platform/stop_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace tolvan {
namespace {

// Lock-free atomics are the only shared state a handler may touch.
std::atomic<int> firstSignal{0};
std::atomic<int> signalCount{0};
// The writing end of the pipe stopWakeSocket reads from; -1 while none.
std::atomic<int> wakeWriter{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteStopSignal(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal);
  signalCount.fetch_add(1);
  char byte = 1;
  int writer = wakeWriter.load();
  if (writer >= 0 && ::write(writer, &byte, 1) < 0) return;
}

}  // namespace

void installStopSignals() {
  struct sigaction action {};
  action.sa_handler = noteStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

StopRequest stopRequested() { return {firstSignal.load(), signalCount.load()}; }

int stopExitStatus(int signal) { return 128 + signal; }

const char* stopSignalName(int signal) { return signal == SIGTERM ? "SIGTERM" : "SIGINT"; }

SocketHandle stopWakeSocket() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return kInvalidSocket;
  wakeWriter.store(ends[1]);
  // A stop noted before the pipe was there wakes the first wait too.
  char byte = 1;
  if (signalCount.load() > 0 && ::write(ends[1], &byte, 1) < 0) return ends[0];
  return ends[0];
}

}  // namespace tolvan

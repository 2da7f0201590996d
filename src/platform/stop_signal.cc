#include "platform/stop_signal.h"

#include <signal.h>

#include <atomic>

namespace tolvan {
namespace {

// Lock-free atomics are the only shared state a handler may touch.
std::atomic<int> firstSignal{0};
std::atomic<int> signalCount{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteStopSignal(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal);
  signalCount.fetch_add(1);
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

}  // namespace tolvan

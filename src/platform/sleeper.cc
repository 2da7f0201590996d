#include "platform/sleeper.h"

#include <chrono>
#include <thread>

namespace tolvan {

void SystemSleeper::sleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace tolvan

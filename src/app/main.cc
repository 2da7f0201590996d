// tolvandrv: one run of the scale driver with the real clock and pauses.
#include "app/entry.h"

int main(int argc, char** argv) {
  tolvan::SystemClock clock;
  tolvan::SystemSleeper sleeper;
  return tolvan::runDriver(argc, argv, clock, sleeper, stdout);
}

// The progress line for a person watching a run on a terminal: scales done,
// records sent of the total and the scale furthest behind, redrawn in place
// on standard error from the wait for all scales, at most five times a
// second, and wiped when the wait ends. Main thread only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/driver.h"

namespace tolvan {

class ProgressLine {
 public:
  explicit ProgressLine(std::FILE* out) : out_(out) {}
  void onWait(const Driver& driver, Driver::WaitStep step);
  // The line as it would be drawn now (without the terminal controls).
  std::string text(const Driver& driver) const;

 private:
  void start(const Driver& driver);

  std::FILE* out_;
  int started_ = 0;   // scales whose workers this wait watches
  int total_ = 0;     // records they are to send
  int baseSent_ = 0;  // records sent by earlier operations of the run
  int64_t lastDraw_ = 0;
  bool drawn_ = false;
};

}  // namespace tolvan

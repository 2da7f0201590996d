// Shared by the end-to-end tests: a fixture that runs the simulator and the
// real driver in one temporary folder, and small text searches.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/sim_harness.h"

namespace tolvan::testing {

inline size_t countOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

inline bool contains(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

class SimRunTest : public ::testing::Test {
 protected:
  void start(const std::string& config) { ASSERT_TRUE(h.startSim(config)) << h.simOutput(); }
  DriverRun run(const std::vector<std::string>& args) {
    DriverRun r = h.runDriver(args, 60);
    EXPECT_FALSE(r.timedOut) << r.output;
    return r;
  }
  void stop() { ASSERT_EQ(h.stopSim(), 0) << h.simOutput(); }

  SimHarness h;
};

}  // namespace tolvan::testing

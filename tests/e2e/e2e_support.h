// Shared by the end-to-end tests: a fixture that runs the simulator and the
// real driver in one temporary folder, and small text searches. The
// end-to-end tests take googletest, <string>, <vector> and <regex> from here.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/sim_harness.h"

namespace tolvan::testing {

inline size_t countOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The devices a run writes through, never replaces: the null device and
// the program's own standard output (the console on Windows).
#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
inline constexpr const char* kStandardOutput = "CON";
#else
inline constexpr const char* kNullDevice = "/dev/null";
inline constexpr const char* kStandardOutput = "/dev/stdout";
#endif

inline bool contains(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// The matches of the first group of `pattern` in `text`, in order.
inline std::vector<std::string> found(const std::string& text, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) out.push_back((*it)[1]);
  return out;
}

// A scale of the simulator's configuration on a free port.
inline std::string scaleLine(const std::string& name, const std::string& settings) {
  return "scale=" + name + ",port=0,receivetimeout=10," + settings + "\n";
}

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

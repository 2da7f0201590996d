// End-to-end runs: a fresh temporary folder, the scale simulator serving
// the scales of a configuration on free loopback ports, and the real driver
// run in that folder against them. Everything either program leaves behind
// (driver log, scale logs, export and work files, the simulator's
// transcripts and dumps) is read back as strings.
//
//   SimHarness h;
//   ASSERT_TRUE(h.startSim("scale=Deli,port=0,model=vt30,simdump=deli.dump\n"));
//   h.writeFile("plu.txt", "...");
//   DriverRun run = h.runDriver({"-u", "plu", "plu.txt"});
//   ASSERT_EQ(h.stopSim(), 0);
//   EXPECT_EQ(h.readFile("deli.dump"), "...");
#pragma once

#include <string>
#include <vector>

#include "support/child_process.h"

namespace tolvan::testing {

struct DriverRun {
  int exitStatus = -1;  // the driver's exit status; -1 when it did not exit by itself
  bool timedOut = false;
  std::string output;  // standard output and standard error together
};

class SimHarness {
 public:
  // The configuration the simulator reads, and the one it writes for the
  // driver (the driver's default name, so no option is needed).
  static constexpr const char* kSimConfig = "sim.cfg";
  static constexpr const char* kDriverConfig = "TolvanDrvConfig.txt";
  static constexpr const char* kDriverLog = "TolvanDrvLog.txt";

  SimHarness();
  // Stops a simulator still running and removes the folder.
  ~SimHarness();
  SimHarness(const SimHarness&) = delete;
  SimHarness& operator=(const SimHarness&) = delete;

  const std::string& dir() const { return dir_; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  void writeFile(const std::string& name, const std::string& bytes) const;
  // The file's bytes; empty when it does not exist.
  std::string readFile(const std::string& name) const;
  bool fileExists(const std::string& name) const;

  // Writes `config` (scale lines with port=0 and "sim" items), starts the
  // simulator on it and waits at most `waitSeconds` for its ready line.
  bool startSim(const std::string& config, int waitSeconds = 10);
  // Signals for a running driver: sent 300 ms apart once `file` (empty:
  // the driver's own output) holds `text`.
  struct Signals {
    std::string file;
    std::string text;
    std::vector<int> numbers;
  };
  // Runs the driver in the folder; killed after `limitSeconds`.
  DriverRun runDriver(const std::vector<std::string>& args, int limitSeconds = 120, const Signals& signals = {}) {
    return runProgram(TOLVANDRV_PATH, args, limitSeconds, signals);
  }
  // The same for another program (one that embeds the driver); with
  // `errFile`, standard error goes there and `output` holds standard
  // output alone.
  DriverRun runProgram(const std::string& program, const std::vector<std::string>& args, int limitSeconds,
                       const Signals& signals = {}, const std::string& errFile = "");
  // Later runs start in this folder of the harness's folder.
  void runIn(const std::string& folder) { runFolder_ = folder; }
  // Stops the simulator with SIGTERM (its dumps are written then) and
  // returns its exit status, or -1 when it had to be killed or was not running.
  int stopSim(int waitSeconds = 10);

  // What the simulator printed (ready line and any complaint).
  std::string simOutput() const { return simOutput_ + readFile("sim.err"); }
  std::string driverLog() const { return readFile(kDriverLog); }

 private:
  std::string dir_;
  std::string runFolder_ = ".";
  ChildProcess sim_;
  std::string simOutput_;
};

}  // namespace tolvan::testing

#include "support/sim_harness.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/temp_dir.h"

namespace tolvan::testing {
namespace {

using Clock = std::chrono::steady_clock;

bool never(const std::string&) { return false; }

// Names are UTF-8, as the driver takes them, on every system.
std::filesystem::path utf8Path(const std::string& name) { return std::u8string(name.begin(), name.end()); }

}  // namespace

SimHarness::SimHarness() : dir_(makeTempFolder("tolvan-e2e-")) {}

SimHarness::~SimHarness() {
  if (sim_.running()) stopSim(5);
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

void SimHarness::writeFile(const std::string& name, const std::string& bytes) const {
  std::ofstream out(utf8Path(path(name)), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string SimHarness::readFile(const std::string& name) const {
  std::ifstream in(utf8Path(path(name)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SimHarness::fileExists(const std::string& name) const { return std::filesystem::exists(utf8Path(path(name))); }

bool SimHarness::startSim(const std::string& config, int waitSeconds) {
  if (dir_.empty() || sim_.running()) return false;
  writeFile(kSimConfig, config);
  simOutput_.clear();  // a restarted simulator must print its own ready line
  if (!sim_.start(dir_, TOLVANSIM_PATH, {kSimConfig, "--write-config", kDriverConfig}, path("sim.err"))) return false;
  auto deadline = Clock::now() + std::chrono::seconds(waitSeconds);
  bool ready = sim_.readUntil(simOutput_, deadline,
                         [](const std::string& s) { return s.find("tolvansim ready:") != std::string::npos &&
                                                           s.find('\n') != std::string::npos; });
  if (!ready) stopSim(1);
  return ready;
}

DriverRun SimHarness::runProgram(const std::string& program, const std::vector<std::string>& args, int limitSeconds,
                                 const Signals& signals, const std::string& errFile) {
  DriverRun run;
  ChildProcess driver;
  if (!driver.start(path(runFolder_), program, args, errFile)) return run;
  auto deadline = Clock::now() + std::chrono::seconds(limitSeconds);
  auto due = [&](const std::string& output) {
    return (signals.file.empty() ? output : readFile(signals.file)).find(signals.text) != std::string::npos;
  };
  while (!signals.numbers.empty() && !due(run.output) && msLeft(deadline) > 0) {
    driver.readUntil(run.output, Clock::now() + std::chrono::milliseconds(10), due);
  }
  for (size_t i = 0; i < signals.numbers.size(); ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    driver.signal(signals.numbers[i]);
  }
  driver.readUntil(run.output, deadline, never);
  driver.closeOutput();
  bool exited = false;
  run.exitStatus = driver.wait(deadline, exited);
  if (!exited) {
    run.timedOut = true;
    run.exitStatus = driver.kill();
  }
  return run;
}

int SimHarness::stopSim(int waitSeconds) {
  if (!sim_.running()) return -1;
  sim_.signal(SIGTERM);
  bool exited = false;
  int status = sim_.wait(Clock::now() + std::chrono::seconds(waitSeconds), exited);
  if (!exited) status = sim_.kill();
  // Whatever it printed after the ready line.
  sim_.readUntil(simOutput_, Clock::now(), never);
  sim_.closeOutput();
  return status;
}

}  // namespace tolvan::testing

#include "support/sim_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tolvan::testing {
namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Starts `program` with `args` in `dir`, its standard output (and, with
// `errFile` empty, standard error) going to a pipe whose reading end is
// returned in `readEnd`.
pid_t spawn(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
            const std::string& errFile, int& readEnd) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::dup2(fds[1], 1);
    int err = errFile.empty() ? fds[1] : ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err < 0 ? fds[1] : err, 2);
    int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) ::dup2(devNull, 0);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return -1;
  }
  readEnd = fds[0];
  return pid;
}

// Reads what is there until `stop` says so, end of data, or the deadline.
template <class Stop>
bool readUntil(int fd, std::string& into, Clock::time_point deadline, Stop stop) {
  char buffer[4096];
  while (!stop(into)) {
    pollfd p{fd, POLLIN, 0};
    int ready = ::poll(&p, 1, msLeft(deadline));
    if (ready <= 0) return false;
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    into.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

// Waits for the child's end until the deadline; -1 when it is still running.
int waitFor(pid_t pid, Clock::time_point deadline, bool& exited) {
  int status = 0;
  for (;;) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      exited = true;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (done < 0 || msLeft(deadline) == 0) return -1;
    ::usleep(10'000);
  }
}

int killAndReap(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return -1;
}

}  // namespace

SimHarness::SimHarness() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tolvan-e2e-XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
}

SimHarness::~SimHarness() {
  if (simPid_ > 0) stopSim(5);
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

void SimHarness::writeFile(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string SimHarness::readFile(const std::string& name) const {
  std::ifstream in(path(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SimHarness::fileExists(const std::string& name) const { return std::filesystem::exists(path(name)); }

bool SimHarness::startSim(const std::string& config, int waitSeconds) {
  if (dir_.empty() || simPid_ > 0) return false;
  writeFile(kSimConfig, config);
  simOutput_.clear();  // a restarted simulator must print its own ready line
  simPid_ = spawn(dir_, TOLVANSIM_PATH, {kSimConfig, "--write-config", kDriverConfig}, path("sim.err"), simOut_);
  if (simPid_ < 0) return false;
  auto deadline = Clock::now() + std::chrono::seconds(waitSeconds);
  bool ready = readUntil(simOut_, simOutput_, deadline,
                         [](const std::string& s) { return s.find("tolvansim ready:") != std::string::npos &&
                                                           s.find('\n') != std::string::npos; });
  if (!ready) stopSim(1);
  return ready;
}

DriverRun SimHarness::runProgram(const std::string& program, const std::vector<std::string>& args, int limitSeconds,
                                 const Signals& signals) {
  DriverRun run;
  int out = -1;
  pid_t pid = spawn(dir_, program, args, "", out);
  if (pid < 0) return run;
  auto deadline = Clock::now() + std::chrono::seconds(limitSeconds);
  auto due = [&](const std::string& output) {
    return (signals.file.empty() ? output : readFile(signals.file)).find(signals.text) != std::string::npos;
  };
  while (!signals.numbers.empty() && !due(run.output) && msLeft(deadline) > 0) {
    readUntil(out, run.output, Clock::now() + std::chrono::milliseconds(10), due);
  }
  for (size_t i = 0; i < signals.numbers.size(); ++i) {
    if (i > 0) ::usleep(300'000);
    ::kill(pid, signals.numbers[i]);
  }
  readUntil(out, run.output, deadline, [](const std::string&) { return false; });
  ::close(out);
  bool exited = false;
  run.exitStatus = waitFor(pid, deadline, exited);
  if (!exited) {
    run.timedOut = true;
    run.exitStatus = killAndReap(pid);
  }
  return run;
}

int SimHarness::stopSim(int waitSeconds) {
  if (simPid_ <= 0) return -1;
  ::kill(simPid_, SIGTERM);
  bool exited = false;
  int status = waitFor(simPid_, Clock::now() + std::chrono::seconds(waitSeconds), exited);
  if (!exited) status = killAndReap(simPid_);
  if (simOut_ >= 0) {
    // Whatever it printed after the ready line.
    readUntil(simOut_, simOutput_, Clock::now(), [](const std::string&) { return false; });
    ::close(simOut_);
  }
  simOut_ = -1;
  simPid_ = -1;
  return status;
}

}  // namespace tolvan::testing

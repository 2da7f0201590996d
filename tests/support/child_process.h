// A program the end-to-end tests start: in a folder, its standard output
// (and standard error, unless it goes to a file) read back through a pipe,
// stopped the orderly way a signal asks (on Windows through the events the
// driver watches for the same purpose) or killed.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvan::testing {

using Deadline = std::chrono::steady_clock::time_point;

class ChildProcess {
 public:
  ChildProcess() = default;
  // Kills a child still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` with `args` in `dir`; standard error goes to `errFile`
  // or, when it is empty, to the pipe with standard output.
  bool start(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
             const std::string& errFile);
  bool running() const { return id_ > 0; }
  // Appends what the child wrote to `into` until `stop` holds (true), its
  // output ends or the deadline passes (false).
  bool readUntil(std::string& into, Deadline deadline, const std::function<bool(const std::string&)>& stop);
  // SIGINT or SIGTERM.
  void signal(int number);
  // The exit status once it has ended, waiting until the deadline; -1 and
  // `exited` false while it still runs.
  int wait(Deadline deadline, bool& exited);
  // Kills it and waits for its end: -1.
  int kill();
  void closeOutput();

 private:
  intptr_t id_ = -1;      // process id
  intptr_t handle_ = -1;  // what waits for the process (Windows)
  intptr_t output_ = -1;  // reading end of the pipe
};

inline int msLeft(Deadline deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace tolvan::testing

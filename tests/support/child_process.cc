#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tolvan::testing {

ChildProcess::~ChildProcess() {
  if (running()) kill();
  closeOutput();
}

bool ChildProcess::start(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
                         const std::string& errFile) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
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
    return false;
  }
  output_ = fds[0];
  id_ = pid;
  return true;
}

bool ChildProcess::readUntil(std::string& into, Deadline deadline, const std::function<bool(const std::string&)>& stop) {
  char buffer[4096];
  while (!stop(into)) {
    pollfd p{static_cast<int>(output_), POLLIN, 0};
    if (output_ < 0 || ::poll(&p, 1, msLeft(deadline)) <= 0) return false;
    ssize_t n = ::read(static_cast<int>(output_), buffer, sizeof buffer);
    if (n <= 0) return false;
    into.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

void ChildProcess::signal(int number) { ::kill(static_cast<pid_t>(id_), number); }

int ChildProcess::wait(Deadline deadline, bool& exited) {
  int status = 0;
  exited = false;
  for (;;) {
    pid_t done = ::waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
    if (done == id_) {
      exited = true;
      id_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (done < 0 || msLeft(deadline) == 0) return -1;
    ::usleep(10'000);
  }
}

int ChildProcess::kill() {
  ::kill(static_cast<pid_t>(id_), SIGKILL);
  int status = 0;
  ::waitpid(static_cast<pid_t>(id_), &status, 0);
  id_ = -1;
  return -1;
}

void ChildProcess::closeOutput() {
  if (output_ >= 0) ::close(static_cast<int>(output_));
  output_ = -1;
}

}  // namespace tolvan::testing

// What the fuzz targets share: clocks and a sleeper that never make a
// target wait, scale links that hand the fuzz input out as the scale's
// bytes, and scratch files for targets that must go through files.
#pragma once

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/driver.h"
#include "core/scale_entry.h"
#include "platform/clock.h"
#include "platform/sleeper.h"

namespace tolvan::fuzzing {

// The clocks answer both readings a Clock may be asked for (calendar
// seconds and monotonic milliseconds) without `override`, so the targets
// build against the seam whichever of the two it declares.
class StillClock : public Clock {
 public:
  int64_t monotonicMs() const override { return 0; }
  LocalTime localNow() const override { return {}; }
};

// One second further at every look, so every receive deadline runs out
// after a few reads and no read loop can hold a target.
class SteppingClock : public Clock {
 public:
  int64_t monotonicMs() const override { return 1000 * seconds_++; }
  LocalTime localNow() const override { return {}; }

 private:
  mutable std::atomic<int64_t> seconds_{1'700'000'000};
};

class NoSleep : public Sleeper {
 public:
  void sleepMs(int) {}
};

// Stops the target at a broken promise of the code under test, so
// libFuzzer keeps the input.
inline void require(bool holds) {
  if (!holds) std::abort();
}

// A connected pair of stream sockets: the scale's end holds `bytes` and is
// then shut for writing, so the driver reads the input and then the end of
// the stream at once, never waiting. The scale's end stays open until the
// link is destroyed, so the driver's own sends (ACK, NAK, requests) land
// in its buffer instead of failing. At most kMaxScript bytes are played.
class ScriptedLink {
 public:
  static constexpr size_t kMaxScript = 64 * 1024;

  explicit ScriptedLink(std::span<const uint8_t> bytes) {
    int ends[2] = {-1, -1};
    require(socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0);
    driverEnd_ = ends[0];
    scaleEnd_ = ends[1];
    int room = static_cast<int>(2 * kMaxScript);
    setsockopt(scaleEnd_, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
    setsockopt(driverEnd_, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    size_t sent = 0;
    bytes = bytes.first(bytes.size() < kMaxScript ? bytes.size() : kMaxScript);
    while (sent < bytes.size()) {
      ssize_t n = send(scaleEnd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      require(n > 0);
      sent += static_cast<size_t>(n);
    }
    shutdown(scaleEnd_, SHUT_WR);
  }
  ~ScriptedLink() { close(scaleEnd_); }
  ScriptedLink(const ScriptedLink&) = delete;
  ScriptedLink& operator=(const ScriptedLink&) = delete;

  // The scale's link reads and writes the driver's end from now on; the
  // target closes it with ScaleClose.
  void attach(ScaleEntry& scale) { scale.socket = driverEnd_; }

 private:
  int driverEnd_ = -1;
  int scaleEnd_ = -1;
};

// Scratch files live in memory where the machine has /dev/shm: rewriting a
// file on a disk file system flushes it at every close, which would cut a
// target's speed a hundredfold.
inline std::string scratchRoot() { return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"; }

// Scratch files and folders go when the fuzzing process ends.
inline std::vector<std::string>& scratchPaths() {
  static std::vector<std::string> paths;
  return paths;
}
inline void removeScratch() {
  std::error_code ignored;
  for (const std::string& path : scratchPaths()) std::filesystem::remove_all(path, ignored);
}
inline std::string keepForRemoval(std::string path) {
  if (scratchPaths().empty()) std::atexit(removeScratch);
  scratchPaths().push_back(path);
  return path;
}

// A file of its own for the fuzzing process, rewritten for every input.
inline std::string scratchFile(const char* target) {
  return keepForRemoval(scratchRoot() + "/" + target + "-" + std::to_string(getpid()));
}

// The scale's bytes cut into turns at every kTurnMark, played by a thread:
// a turn is written only once the driver has read every byte of the turn
// before, as a scale answers only after it has been answered; after the
// last turn the stream ends. A read that asks for more than one block so
// never takes the scale's next turn with it. The driver's own sends are
// read and dropped.
class TurnTakingLink {
 public:
  static constexpr std::string_view kTurnMark{"\xff\xfe", 2};

  explicit TurnTakingLink(std::span<const uint8_t> bytes) {
    int ends[2] = {-1, -1};
    require(socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0);
    driverEnd_ = ends[0];
    scaleEnd_ = ends[1];
    std::string_view rest(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (size_t mark = rest.find(kTurnMark); mark != std::string_view::npos; mark = rest.find(kTurnMark)) {
      turns_.push_back(rest.substr(0, mark));
      rest.remove_prefix(mark + kTurnMark.size());
    }
    turns_.push_back(rest);
    player_ = std::thread([this] { play(); });
  }
  ~TurnTakingLink() {
    finish();
    close(scaleEnd_);
  }
  TurnTakingLink(const TurnTakingLink&) = delete;
  TurnTakingLink& operator=(const TurnTakingLink&) = delete;

  // The scale's link reads and writes the driver's end from now on. Call
  // finish() before the target closes it with ScaleClose.
  void attach(ScaleEntry& scale) { scale.socket = driverEnd_; }
  // Stops the scale's turns (the driver may have ended before using them).
  void finish() {
    stopping_ = true;
    if (player_.joinable()) player_.join();
  }

 private:
  void play() {
    for (std::string_view turn : turns_) {
      if (!turn.empty() && send(scaleEnd_, turn.data(), turn.size(), MSG_NOSIGNAL) < 0) break;
      while (!stopping_ && unread() > 0) dropDriverBytes();
    }
    shutdown(scaleEnd_, SHUT_WR);
  }
  int unread() const {
    int queued = 0;
    return ioctl(driverEnd_, FIONREAD, &queued) == 0 ? queued : 0;
  }
  // Waits a moment for the driver to answer and drops what it sent.
  void dropDriverBytes() {
    pollfd answer{scaleEnd_, POLLIN, 0};
    if (poll(&answer, 1, 1) <= 0) return;
    char dropped[512];
    (void)recv(scaleEnd_, dropped, sizeof dropped, MSG_DONTWAIT);
  }

  int driverEnd_ = -1;
  int scaleEnd_ = -1;
  std::vector<std::string_view> turns_;
  std::atomic<bool> stopping_{false};
  std::thread player_;
};

// A folder of its own for the fuzzing process, made the working folder
// once, so files a target writes (work files, logs named by a fuzzed
// configuration) stay inside it.
inline const std::string& enterScratchFolder(const char* target) {
  static const std::string folder = [target] {
    std::string pattern = scratchRoot() + "/" + target + "-XXXXXX";
    require(mkdtemp(pattern.data()) != nullptr);
    require(chdir(pattern.c_str()) == 0);
    return keepForRemoval(pattern);
  }();
  return folder;
}

// A run receiving `dataType` with its one scale, as every receive target
// sets them up; the driver log goes nowhere.
inline void setUpReceive(Driver& driver, ScaleEntry& scale, int dataType) {
  driver.options.logFile = "/dev/null";
  driver.options.mode = kModeReceive;
  driver.options.dataType = dataType;
  scale.driver = &driver;
  scale.dataType = dataType;
}

}  // namespace tolvan::fuzzing

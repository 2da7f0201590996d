// A scale played by a test on 127.0.0.1: a TCP socket on a system-chosen
// port and a script, run in its own thread, that reads what
// the driver sends and answers it. Every wait gives up after a few seconds
// (or at once when the test stops the peer), so a broken driver fails the
// test instead of hanging it.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace tolvan::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes textBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

class LoopbackPeer {
 public:
  LoopbackPeer() {
    socketStartup();
    listener_ = socketListen(SocketKind::Stream, 0);
    port_ = socketLocalPort(listener_);
  }
  ~LoopbackPeer() {
    stop();
    dropConnection();
    refuseMore();
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  uint16_t port() const { return port_; }
  void run(std::function<void(LoopbackPeer&)> script) {
    thread_ = std::thread([this, script = std::move(script)] { script(*this); });
  }
  // Waits for the script to end by itself.
  void finish() {
    if (thread_.joinable()) thread_.join();
  }
  // Makes every wait of the script give up, then waits for it.
  void stop() {
    stopping_ = true;
    finish();
  }

  // Drops the current connection and waits for the driver's next one.
  bool acceptNext() {
    dropConnection();
    if (listener_ == kInvalidSocket || !waitReadable(listener_)) return false;
    conn_ = socketAccept(listener_);
    return conn_ != kInvalidSocket;
  }
  // Closes the listening socket: later connects are refused.
  void refuseMore() {
    if (listener_ != kInvalidSocket) socketClose(listener_);
    listener_ = kInvalidSocket;
  }

  // Up to `n` bytes: fewer when the driver hangs up or stays silent.
  Bytes read(size_t n) {
    while (pending_.size() < n && fill()) {
    }
    size_t take = std::min(n, pending_.size());
    Bytes out(pending_.begin(), pending_.begin() + static_cast<long>(take));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(take));
    return out;
  }
  int readByte() {
    Bytes b = read(1);
    return b.empty() ? -1 : b[0];
  }
  void send(const Bytes& bytes) {
    if (conn_ != kInvalidSocket || acceptNext()) socketSend(conn_, bytes);
  }
  void sendByte(uint8_t b) { send(Bytes{b}); }
  void hangUp() {
    if (conn_ != kInvalidSocket) socketShutdown(conn_);
  }

 private:
  static constexpr int kWaitMs = 5000;
  static constexpr int kStepMs = 20;

  bool waitReadable(SocketHandle s) {
    for (int waited = 0; waited < kWaitMs && !stopping_; waited += kStepMs) {
      if (socketWaitReadableMs(s, kStepMs) > 0) return true;
    }
    return false;
  }
  bool fill() {
    if (conn_ == kInvalidSocket && !acceptNext()) return false;
    if (!waitReadable(conn_)) return false;
    uint8_t buffer[1024];
    long n = socketRecv(conn_, buffer);
    if (n <= 0) return false;
    pending_.insert(pending_.end(), buffer, buffer + n);
    return true;
  }
  void dropConnection() {
    if (conn_ != kInvalidSocket) socketClose(conn_);
    conn_ = kInvalidSocket;
    pending_.clear();
  }

  SocketHandle listener_ = kInvalidSocket;
  SocketHandle conn_ = kInvalidSocket;
  uint16_t port_ = 0;
  Bytes pending_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace tolvan::testing

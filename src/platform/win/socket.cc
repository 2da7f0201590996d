#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <cstring>
#include <vector>

#include "platform/clock.h"

namespace tolvan {
namespace {

// Every socket here is non-blocking from its start; the calls that wait
// (receive, accept, the one-shot send) wait in select, which a shutdown
// from another thread ends as it ends a blocked call elsewhere.
SOCKET sock(SocketHandle s) { return static_cast<SOCKET>(s); }

int lastError() { return ::WSAGetLastError(); }

bool wouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

SocketFailure failureOf(int error) {
  switch (error) {
    case WSAECONNREFUSED: return SocketFailure::Refused;
    case WSAENETUNREACH: case WSAEHOSTUNREACH: case WSAENETDOWN: case WSAEHOSTDOWN: return SocketFailure::Unreachable;
    case WSAETIMEDOUT: return SocketFailure::TimedOut;
    case WSAECONNRESET: case WSAECONNABORTED: case WSAENOTCONN: case WSAESHUTDOWN: case WSAENETRESET:
      return SocketFailure::Dropped;
    default: return SocketFailure::Other;
  }
}

void tell(SocketFailure* why, SocketFailure failure) {
  if (why != nullptr) *why = failure;
}

int64_t deadlineIn(int timeoutMs) { return steadyMilliseconds() + (timeoutMs < 0 ? 0 : timeoutMs); }

// Waits for the socket until `deadline` (steady clock, ms; -1 none): 1
// ready, 0 time ran out, -1 failed. A write wait also ends on a failed
// connect, which Windows reports apart.
int selectUntil(SocketHandle s, bool write, int64_t deadline) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(sock(s), &ready);
  FD_SET(sock(s), &failed);
  timeval wait{};
  if (deadline >= 0) {
    int64_t left = deadline - steadyMilliseconds();
    if (left < 0) left = 0;
    wait.tv_sec = static_cast<long>(left / 1000);
    wait.tv_usec = static_cast<long>(left % 1000) * 1000;
  }
  int r = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, write ? &failed : nullptr,
                   deadline >= 0 ? &wait : nullptr);
  return r < 0 ? -1 : r == 0 ? 0 : 1;
}

bool setBlocking(SocketHandle s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ::ioctlsocket(sock(s), FIONBIO, &nonBlocking) == 0;
}

// Child processes (the tests start the programs) never inherit a socket.
SocketHandle adopt(SOCKET s) {
  if (s == INVALID_SOCKET) return kInvalidSocket;
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  setBlocking(static_cast<SocketHandle>(s), false);
  return static_cast<SocketHandle>(s);
}

int connectSettled(SocketHandle s, int64_t deadline) {
  int ready = selectUntil(s, true, deadline);
  if (ready <= 0) return ready == 0 ? WSAETIMEDOUT : lastError();
  int error = 0;
  int length = sizeof error;
  if (::getsockopt(sock(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) return lastError();
  return error;
}

bool bindLoopback(SocketHandle s, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::bind(sock(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace

void socketStartup() {
  static bool started = [] {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

SocketHandle socketOpen(SocketKind kind) {
  socketStartup();
  int type = kind == SocketKind::Stream ? SOCK_STREAM : SOCK_DGRAM;
  return adopt(::socket(AF_INET, type, 0));
}

bool socketConnect(SocketHandle s, const std::string& ip, uint16_t port, int timeoutMs, SocketFailure* why) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
    tell(why, SocketFailure::BadAddress);
    return false;
  }
  int64_t deadline = deadlineIn(timeoutMs);
  int error = 0;
  if (::connect(sock(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = lastError();
    if (wouldBlock(error)) error = connectSettled(s, deadline);
  }
  tell(why, error == 0 ? SocketFailure::None : failureOf(error));
  return error == 0;
}

long socketSend(SocketHandle s, std::span<const uint8_t> bytes) {
  for (;;) {
    int n = ::send(sock(s), reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
    if (n >= 0 || !wouldBlock(lastError())) return n;
    if (selectUntil(s, true, -1) < 0) return -1;
  }
}

long socketSendWithin(SocketHandle s, std::span<const uint8_t> bytes, int timeoutMs, SocketFailure* why) {
  int64_t deadline = deadlineIn(timeoutMs);
  size_t sent = 0;
  while (sent < bytes.size()) {
    int n = ::send(sock(s), reinterpret_cast<const char*>(bytes.data() + sent), static_cast<int>(bytes.size() - sent), 0);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    int error = n == 0 ? 0 : lastError();
    if (!wouldBlock(error)) {
      tell(why, n == 0 ? SocketFailure::Dropped : failureOf(error));
      return -1;
    }
    int ready = selectUntil(s, true, deadline);
    if (ready < 0) {
      tell(why, failureOf(lastError()));
      return -1;
    }
    if (ready == 0) break;
  }
  return static_cast<long>(sent);
}

int socketWaitReadable(SocketHandle s, int seconds) {
  constexpr int kMaxSeconds = INT_MAX / 1000;
  int bounded = seconds < 0 ? 0 : (seconds > kMaxSeconds ? kMaxSeconds : seconds);
  return selectUntil(s, false, deadlineIn(bounded * 1000));
}

int socketWaitReadableMs(SocketHandle s, int milliseconds) {
  return selectUntil(s, false, milliseconds < 0 ? -1 : deadlineIn(milliseconds));
}

long socketRecv(SocketHandle s, std::span<uint8_t> buffer, SocketFailure* why) {
  for (;;) {
    int n = ::recv(sock(s), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
    if (n >= 0) return n;
    int error = lastError();
    if (!wouldBlock(error) || selectUntil(s, false, -1) < 0) {
      tell(why, failureOf(error));
      return -1;
    }
  }
}

// Every socket here is non-blocking: one receive takes what is there, and
// only when nothing is does the wait begin. `waitSet` has no use on
// Windows, where the socket keeps no wait of its own.
long socketRecvWithin(SocketHandle s, std::span<uint8_t> buffer, int timeoutMs, int& waitSet, SocketFailure* why) {
  (void)waitSet;
  const int64_t deadline = deadlineIn(timeoutMs);
  for (;;) {
    int n = ::recv(sock(s), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
    if (n >= 0) return n;
    int error = lastError();
    if (!wouldBlock(error)) {
      tell(why, failureOf(error));
      return -1;
    }
    int ready = selectUntil(s, false, deadline);
    if (ready == 0) return kRecvNothing;
    if (ready < 0) {
      tell(why, SocketFailure::Other);
      return -1;
    }
  }
}

void socketShutdown(SocketHandle s) {
  if (s != kInvalidSocket) ::shutdown(sock(s), SD_BOTH);
}

void socketClose(SocketHandle s) {
  if (s != kInvalidSocket) ::closesocket(sock(s));
}

void socketAbort(SocketHandle s) {
  if (s == kInvalidSocket) return;
  linger reset{1, 0};
  ::setsockopt(sock(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
  ::closesocket(sock(s));
}

SocketHandle socketListen(SocketKind kind, uint16_t port) {
  SocketHandle s = socketBind(kind, port);
  if (s != kInvalidSocket && kind == SocketKind::Stream && !socketStartListening(s, 64)) {
    socketClose(s);
    return kInvalidSocket;
  }
  return s;
}

SocketHandle socketBind(SocketKind kind, uint16_t port) {
  SocketHandle s = socketOpen(kind);
  if (s == kInvalidSocket) return s;
  // No other program may take the port over while it is ours.
  BOOL exclusive = TRUE;
  ::setsockopt(sock(s), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  if (!bindLoopback(s, port)) {
    socketClose(s);
    return kInvalidSocket;
  }
  return s;
}

bool socketStartListening(SocketHandle s, int backlog) { return ::listen(sock(s), backlog) == 0; }

void socketSetNonBlocking(SocketHandle s) { (void)setBlocking(s, false); }

void socketNarrowWindow(SocketHandle listener) {
  int bytes = 4096;
  int segment = 536;
  ::setsockopt(sock(listener), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
  constexpr int kMaxSegment = 4;  // TCP_MAXSEG of the system's headers, which mingw-w64 lacks
  ::setsockopt(sock(listener), IPPROTO_TCP, kMaxSegment, reinterpret_cast<const char*>(&segment), sizeof segment);
}

int socketPoll(std::span<SocketWait> waits, int milliseconds) {
  std::vector<WSAPOLLFD> fds;
  for (const SocketWait& w : waits) {
    fds.push_back({sock(w.socket), static_cast<SHORT>((w.read ? POLLRDNORM : 0) | (w.write ? POLLWRNORM : 0)), 0});
  }
  int ready = ::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), milliseconds);
  if (ready < 0) return -1;
  for (size_t i = 0; i < waits.size(); ++i) {
    waits[i].readable = (fds[i].revents & (POLLRDNORM | POLLHUP | POLLERR)) != 0;
    waits[i].writable = (fds[i].revents & POLLWRNORM) != 0;
  }
  return ready;
}

uint16_t socketLocalPort(SocketHandle s) {
  sockaddr_in address{};
  int length = sizeof address;
  if (::getsockname(sock(s), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

SocketHandle socketAccept(SocketHandle listener) {
  for (;;) {
    SOCKET s = ::accept(sock(listener), nullptr, nullptr);
    if (s != INVALID_SOCKET || !wouldBlock(lastError())) return adopt(s);
    if (selectUntil(listener, false, -1) < 0) return kInvalidSocket;
  }
}

long socketRecvFrom(SocketHandle s, std::span<uint8_t> buffer, DatagramPeer& peer) {
  for (;;) {
    sockaddr_in address{};
    int length = sizeof address;
    int n = ::recvfrom(sock(s), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0,
                       reinterpret_cast<sockaddr*>(&address), &length);
    if (n < 0 && wouldBlock(lastError()) && selectUntil(s, false, -1) > 0) continue;
    static_assert(sizeof(address) <= sizeof(peer.address));
    std::memcpy(peer.address, &address, sizeof address);
    peer.length = static_cast<uint32_t>(length);
    return n;
  }
}

long socketSendTo(SocketHandle s, std::span<const uint8_t> bytes, const DatagramPeer& peer) {
  sockaddr_in address{};
  std::memcpy(&address, peer.address, sizeof address);
  return ::sendto(sock(s), reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
                  reinterpret_cast<const sockaddr*>(&address), static_cast<int>(peer.length));
}

}  // namespace tolvan

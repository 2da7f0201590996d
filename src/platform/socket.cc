#include "platform/socket.h"

#include <arpa/inet.h>
#include <sys/time.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "platform/clock.h"

namespace tolvan {
namespace {

int fd(SocketHandle s) { return static_cast<int>(s); }

int waitReadable(SocketHandle s, int milliseconds) {
  pollfd p{fd(s), POLLIN, 0};
  for (;;) {
    int r = ::poll(&p, 1, milliseconds);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) return 0;
    if ((p.revents & POLLNVAL) != 0) return -1;
    return 1;
  }
}

// Polls for `events` until they come or the deadline (steady clock, in
// ms) passes; a signal does not restart the full wait. 1 ready, 0 time
// ran out, -1 failed.
int pollUntil(SocketHandle s, short events, int64_t deadline) {
  pollfd p{fd(s), events, 0};
  for (;;) {
    int64_t left = deadline - steadyMilliseconds();
    if (left < 0) left = 0;
    int r = ::poll(&p, 1, static_cast<int>(left > INT_MAX ? INT_MAX : left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || (p.revents & POLLNVAL) != 0) return -1;
    return r == 0 ? 0 : 1;
  }
}

SocketFailure failureOf(int error) {
  switch (error) {
    case ECONNREFUSED: return SocketFailure::Refused;
    case ENETUNREACH: case EHOSTUNREACH: case ENETDOWN: case EHOSTDOWN: return SocketFailure::Unreachable;
    case ETIMEDOUT: return SocketFailure::TimedOut;
    case ECONNRESET: case EPIPE: case ECONNABORTED: case ENOTCONN: case ESHUTDOWN: return SocketFailure::Dropped;
    default: return SocketFailure::Other;
  }
}

void tell(SocketFailure* why, SocketFailure failure) {
  if (why != nullptr) *why = failure;
}

int64_t deadlineIn(int timeoutMs) { return steadyMilliseconds() + (timeoutMs < 0 ? 0 : timeoutMs); }

bool setBlocking(SocketHandle s, bool blocking) {
  int flags = ::fcntl(fd(s), F_GETFL);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return ::fcntl(fd(s), F_SETFL, flags) == 0;
}

// The outcome of a connect that went on in the background: 0, or the
// system's error number (ETIMEDOUT when the deadline passed first).
int connectSettled(SocketHandle s, int64_t deadline) {
  int ready = pollUntil(s, POLLOUT, deadline);
  if (ready <= 0) return ready == 0 ? ETIMEDOUT : EBADF;
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd(s), SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

bool bindLoopback(SocketHandle s, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::bind(fd(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace

void socketStartup() {
  // A peer that closes mid-send must give a failed send, not end the process.
  std::signal(SIGPIPE, SIG_IGN);
}

SocketHandle socketOpen(SocketKind kind) {
  int type = kind == SocketKind::Stream ? SOCK_STREAM : SOCK_DGRAM;
  int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  return s < 0 ? kInvalidSocket : static_cast<SocketHandle>(s);
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
  int error = setBlocking(s, false) ? 0 : errno;
  if (error == 0 && ::connect(fd(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = errno == EINPROGRESS || errno == EINTR ? connectSettled(s, deadline) : errno;
  }
  // Reads wait with poll first; sends go through socketSendWithin.
  if (error == 0 && !setBlocking(s, true)) error = errno;
  tell(why, error == 0 ? SocketFailure::None : failureOf(error));
  return error == 0;
}

long socketSend(SocketHandle s, std::span<const uint8_t> bytes) {
  ssize_t n;
  do {
    n = ::send(fd(s), bytes.data(), bytes.size(), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

long socketSendWithin(SocketHandle s, std::span<const uint8_t> bytes, int timeoutMs, SocketFailure* why) {
  // The clock is read only once the system cannot take the bytes at once.
  int64_t deadline = -1;
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd(s), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
      tell(why, n == 0 ? SocketFailure::Dropped : failureOf(errno));
      return -1;
    }
    if (deadline < 0) deadline = deadlineIn(timeoutMs);
    int ready = pollUntil(s, POLLOUT, deadline);
    if (ready < 0) {
      tell(why, failureOf(errno));
      return -1;
    }
    if (ready == 0) break;
  }
  return static_cast<long>(sent);
}

int socketWaitReadable(SocketHandle s, int seconds) {
  // A configured receive time-out of millions of seconds must not overflow.
  constexpr int kMaxSeconds = INT_MAX / 1000;
  int bounded = seconds < 0 ? 0 : (seconds > kMaxSeconds ? kMaxSeconds : seconds);
  return waitReadable(s, bounded * 1000);
}

int socketWaitReadableMs(SocketHandle s, int milliseconds) { return waitReadable(s, milliseconds); }

long socketRecv(SocketHandle s, std::span<uint8_t> buffer, SocketFailure* why) {
  ssize_t n;
  do {
    n = ::recv(fd(s), buffer.data(), buffer.size(), 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) tell(why, failureOf(errno));
  return static_cast<long>(n);
}

namespace {

// The socket's own receive wait, kept at or below what is left of the
// caller's time-out: the receive never outlasts it, and a wait a little
// shorter is kept, so a stream of reads with about the same time-out sets
// it once. A wait that ends early only means one more round.
bool boundReceiveWait(SocketHandle s, int64_t leftMs, int& waitSet) {
  int64_t slack = std::min<int64_t>(leftMs / 8, 1000);
  if (waitSet > 0 && waitSet <= leftMs && waitSet >= leftMs - slack) return true;
  int64_t wait = std::max<int64_t>(leftMs - slack, 1);
  timeval tv{static_cast<time_t>(wait / 1000), static_cast<suseconds_t>(wait % 1000 * 1000)};
  if (::setsockopt(fd(s), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return false;
  waitSet = static_cast<int>(wait);
  return true;
}

}  // namespace

long socketRecvWithin(SocketHandle s, std::span<uint8_t> buffer, int timeoutMs, int& waitSet, SocketFailure* why) {
  const int64_t deadline = deadlineIn(timeoutMs);
  for (int64_t left = timeoutMs < 0 ? 0 : timeoutMs;; left = deadline - steadyMilliseconds()) {
    int flags = MSG_DONTWAIT;
    if (left > 0 && boundReceiveWait(s, left, waitSet)) {
      flags = 0;
    } else if (left > 0) {
      // The socket takes no wait of its own: wait beside it.
      int ready = waitReadable(s, static_cast<int>(std::min<int64_t>(left, INT_MAX)));
      if (ready == 0) return kRecvNothing;
      if (ready < 0) {
        tell(why, SocketFailure::Other);
        return -1;
      }
    }
    ssize_t n = ::recv(fd(s), buffer.data(), buffer.size(), flags);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      tell(why, failureOf(errno));
      return -1;
    }
    if (flags != 0 || steadyMilliseconds() >= deadline) return kRecvNothing;
  }
}

void socketShutdown(SocketHandle s) {
  if (s != kInvalidSocket) ::shutdown(fd(s), SHUT_RDWR);
}

void socketClose(SocketHandle s) {
  if (s != kInvalidSocket) ::close(fd(s));
}

void socketAbort(SocketHandle s) {
  if (s == kInvalidSocket) return;
  linger reset{1, 0};
  ::setsockopt(fd(s), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  ::close(fd(s));
}

SocketHandle socketListen(SocketKind kind, uint16_t port) {
  SocketHandle s = socketOpen(kind);
  if (s == kInvalidSocket) return s;
  int yes = 1;
  // Not on datagram sockets: there it lets the system hand one port out twice.
  if (kind == SocketKind::Stream) ::setsockopt(fd(s), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (!bindLoopback(s, port) || (kind == SocketKind::Stream && !socketStartListening(s, 64))) {
    socketClose(s);
    return kInvalidSocket;
  }
  return s;
}

SocketHandle socketBind(SocketKind kind, uint16_t port) {
  SocketHandle s = socketOpen(kind);
  if (s != kInvalidSocket && !bindLoopback(s, port)) {
    socketClose(s);
    return kInvalidSocket;
  }
  return s;
}

bool socketStartListening(SocketHandle s, int backlog) { return ::listen(fd(s), backlog) == 0; }

void socketSetNonBlocking(SocketHandle s) { (void)setBlocking(s, false); }

void socketNarrowWindow(SocketHandle listener) {
  int bytes = 4096;
  int segment = 536;
  ::setsockopt(fd(listener), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  ::setsockopt(fd(listener), IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
}

int socketPoll(std::span<SocketWait> waits, int milliseconds) {
  std::vector<pollfd> fds;
  for (const SocketWait& w : waits) {
    fds.push_back({fd(w.socket), static_cast<short>((w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
  }
  int ready = ::poll(fds.data(), fds.size(), milliseconds);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  for (size_t i = 0; i < waits.size(); ++i) {
    waits[i].readable = (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    waits[i].writable = (fds[i].revents & POLLOUT) != 0;
  }
  return ready;
}

uint16_t socketLocalPort(SocketHandle s) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd(s), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

SocketHandle socketAccept(SocketHandle listener) {
  int s;
  do {
    s = ::accept4(fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
  } while (s < 0 && errno == EINTR);
  return s < 0 ? kInvalidSocket : static_cast<SocketHandle>(s);
}

long socketRecvFrom(SocketHandle s, std::span<uint8_t> buffer, DatagramPeer& peer) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ssize_t n = ::recvfrom(fd(s), buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&address), &length);
  static_assert(sizeof(address) <= sizeof(peer.address));
  std::memcpy(peer.address, &address, sizeof address);
  peer.length = length;
  return static_cast<long>(n);
}

long socketSendTo(SocketHandle s, std::span<const uint8_t> bytes, const DatagramPeer& peer) {
  sockaddr_in address{};
  std::memcpy(&address, peer.address, sizeof address);
  return static_cast<long>(::sendto(fd(s), bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                    reinterpret_cast<const sockaddr*>(&address), peer.length));
}

}  // namespace tolvan

#include "platform/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A signal interrupted a blocking connect: the connection goes on in the
// background, and calling connect again would only report it as in
// progress. Wait for it to settle and take its outcome.
bool finishInterruptedConnect(SocketHandle s) {
  pollfd p{fd(s), POLLOUT, 0};
  int r;
  do {
    r = ::poll(&p, 1, -1);
  } while (r < 0 && errno == EINTR);
  if (r <= 0) return false;
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd(s), SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
  return error == 0;
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

bool socketConnect(SocketHandle s, const std::string& ip, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) return false;
  if (::connect(fd(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
  if (errno != EINTR) return false;
  return finishInterruptedConnect(s);
}

long socketSend(SocketHandle s, std::span<const uint8_t> bytes) {
  ssize_t n;
  do {
    n = ::send(fd(s), bytes.data(), bytes.size(), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

int socketWaitReadable(SocketHandle s, int seconds) {
  // A configured receive time-out of millions of seconds must not overflow.
  constexpr int kMaxSeconds = INT_MAX / 1000;
  int bounded = seconds < 0 ? 0 : (seconds > kMaxSeconds ? kMaxSeconds : seconds);
  return waitReadable(s, bounded * 1000);
}

int socketWaitReadableMs(SocketHandle s, int milliseconds) { return waitReadable(s, milliseconds); }

long socketRecv(SocketHandle s, std::span<uint8_t> buffer) {
  ssize_t n;
  do {
    n = ::recv(fd(s), buffer.data(), buffer.size(), 0);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

void socketShutdown(SocketHandle s) {
  if (s != kInvalidSocket) ::shutdown(fd(s), SHUT_RDWR);
}

void socketClose(SocketHandle s) {
  if (s != kInvalidSocket) ::close(fd(s));
}

SocketHandle socketListen(SocketKind kind, uint16_t port) {
  SocketHandle s = socketOpen(kind);
  if (s == kInvalidSocket) return s;
  int yes = 1;
  // Not on datagram sockets: there it lets the system hand one port out twice.
  if (kind == SocketKind::Stream) ::setsockopt(fd(s), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      (kind == SocketKind::Stream && ::listen(fd(s), 64) != 0)) {
    socketClose(s);
    return kInvalidSocket;
  }
  return s;
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

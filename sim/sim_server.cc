#include "sim/sim_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "sim/block_peer.h"
#include "sim/message_peer.h"

namespace tolvan::sim {
namespace {

constexpr size_t kReadChunk = 65536;

void setNonBlocking(SocketHandle s) {
  int fd = static_cast<int>(s);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// A bound socket that does not listen: connections to its port are
// refused, and no other program can take the port meanwhile.
SocketHandle reservePort(SocketKind kind, uint16_t port) {
  SocketHandle s = socketOpen(kind);
  if (s == kInvalidSocket) return s;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(static_cast<int>(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    socketClose(s);
    return kInvalidSocket;
  }
  return s;
}

bool samePeer(const DatagramPeer& a, const DatagramPeer& b) {
  return a.length == b.length && std::memcmp(a.address, b.address, sizeof a.address) == 0;
}

}  // namespace

SimServer::~SimServer() {
  for (auto& c : connections_) socketClose(c->socket);
  for (auto& e : endpoints_) {
    if (e->socket != kInvalidSocket) socketClose(e->socket);
  }
}

bool SimServer::open(std::string& error) {
  for (auto& scale : config_.scales) {
    auto endpoint = std::make_unique<Endpoint>();
    endpoint->scale = scale.get();
    endpoint->transcript = std::make_unique<Transcript>(scale->transcriptFile, clock_);
    if (!openEndpoint(*endpoint, error)) return false;
    endpoints_.push_back(std::move(endpoint));
  }
  return true;
}

bool SimServer::openEndpoint(Endpoint& e, std::string& error) {
  SimScale& scale = *e.scale;
  SocketKind kind = scale.profile.udp ? SocketKind::Datagram : SocketKind::Stream;
  if (scale.faults.refuse) {
    e.socket = reservePort(kind, scale.configuredPort);
    if (e.socket != kInvalidSocket) scale.port = socketLocalPort(e.socket);
    // A datagram port that stays bound would take the datagrams; let it go.
    if (e.socket != kInvalidSocket && kind == SocketKind::Datagram) {
      socketClose(e.socket);
      e.socket = kInvalidSocket;
    }
  } else {
    e.socket = socketListen(kind, scale.configuredPort);
    e.listening = e.socket != kInvalidSocket;
    if (e.listening) {
      scale.port = socketLocalPort(e.socket);
      setNonBlocking(e.socket);
    }
  }
  if (scale.port == 0) {
    error = "scale " + scale.profile.name + ": cannot use port " + std::to_string(scale.configuredPort);
    return false;
  }
  e.transcript->note("Scale " + scale.profile.name + " on port " + std::to_string(scale.port) +
                     (scale.faults.refuse ? " refuses connections" : ""));
  return true;
}

std::unique_ptr<Peer> SimServer::makePeer(SimScale& scale) const {
  if (scale.faults.silent) return std::make_unique<SilentPeer>();
  if (scale.profile.family == Family::Message) return std::make_unique<MessagePeer>(scale);
  return std::make_unique<BlockPeer>(scale);
}

void SimServer::run(int stopFd) {
  std::vector<pollfd> fds;
  std::vector<Endpoint*> polledEndpoints;
  for (;;) {
    fds.clear();
    polledEndpoints.clear();
    fds.push_back({stopFd, POLLIN, 0});
    for (auto& e : endpoints_) {
      if (!e->listening) continue;
      fds.push_back({static_cast<int>(e->socket), POLLIN, 0});
      polledEndpoints.push_back(e.get());
    }
    size_t firstConnection = fds.size();
    for (auto& c : connections_) {
      short events = POLLIN;
      if (!c->out.empty() || c->peer->streaming()) events |= POLLOUT;
      fds.push_back({static_cast<int>(c->socket), events, 0});
    }
    int ready = ::poll(fds.data(), fds.size(), -1);
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) continue;
    if (fds[0].revents != 0) return;
    for (size_t i = 0; i < polledEndpoints.size(); ++i) {
      if (fds[i + 1].revents == 0) continue;
      Endpoint& e = *polledEndpoints[i];
      if (e.scale->profile.udp) serveDatagram(e);
      else acceptConnection(e);
    }
    // Connections accepted just now are polled next time round.
    for (size_t i = firstConnection; i < fds.size(); ++i) {
      if (fds[i].revents != 0) serveConnection(*connections_[i - firstConnection], fds[i].revents);
    }
    std::erase_if(connections_, [](const auto& c) { return c->done; });
  }
}

void SimServer::acceptConnection(Endpoint& e) {
  SocketHandle s = socketAccept(e.socket);
  if (s == kInvalidSocket) return;
  auto c = std::make_unique<Connection>();
  c->endpoint = &e;
  c->socket = s;
  c->peer = makePeer(*e.scale);
  c->id = ++e.scale->connections;
  e.transcript->note("Connection " + std::to_string(c->id) + " accepted");
  connections_.push_back(std::move(c));
}

void SimServer::serveConnection(Connection& c, short events) {
  if (events & POLLOUT) flush(c);
  if (c.done || !(events & (POLLIN | POLLHUP | POLLERR))) return;
  uint8_t buffer[kReadChunk];
  long n = socketRecv(c.socket, buffer);
  if (n <= 0) {
    closeConnection(c, n == 0 ? "closed by the driver" : "failed");
    return;
  }
  Transcript& t = *c.endpoint->transcript;
  t.received(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
  Sends answers;
  c.peer->receive(std::span<const uint8_t>(buffer, static_cast<size_t>(n)), answers);
  for (const Bytes& a : answers) {
    t.sent(a);
    c.out.insert(c.out.end(), a.begin(), a.end());
  }
  flush(c);
  if (!c.done && c.out.empty() && c.peer->wantsClose()) closeConnection(c, "dropped by the scale");
}

void SimServer::flush(Connection& c) {
  if (c.out.empty() && c.peer->streaming()) {
    Sends more;
    c.peer->more(more);
    for (const Bytes& piece : more) {
      c.endpoint->transcript->sent(piece);
      c.out.insert(c.out.end(), piece.begin(), piece.end());
    }
  }
  while (!c.out.empty()) {
    ssize_t n = ::send(static_cast<int>(c.socket), c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
      closeConnection(c, "failed while sending");
      return;
    }
    c.out.erase(c.out.begin(), c.out.begin() + n);
  }
  if (c.peer->wantsClose()) closeConnection(c, "dropped by the scale");
}

void SimServer::closeConnection(Connection& c, const char* why) {
  if (c.done) return;
  c.endpoint->transcript->note("Connection " + std::to_string(c.id) + " " + why);
  socketClose(c.socket);
  c.socket = kInvalidSocket;
  c.done = true;
}

void SimServer::serveDatagram(Endpoint& e) {
  uint8_t buffer[kReadChunk];
  DatagramPeer from;
  long n = socketRecvFrom(e.socket, buffer, from);
  if (n < 0) return;
  if (!e.udpPeer || !samePeer(from, e.udpFrom)) {
    e.udpPeer = makePeer(*e.scale);
    e.udpFrom = from;
    e.udpConnection = ++e.scale->connections;
    e.transcript->note("Datagrams from a new sender: connection " + std::to_string(e.udpConnection));
  }
  std::span<const uint8_t> bytes(buffer, static_cast<size_t>(n));
  e.transcript->received(bytes);
  Sends answers;
  e.udpPeer->receive(bytes, answers);
  for (const Bytes& a : answers) {
    e.transcript->sent(a);
    socketSendTo(e.socket, a, e.udpFrom);
  }
  if (e.udpPeer->wantsClose()) {
    e.transcript->note("Connection " + std::to_string(e.udpConnection) + " dropped by the scale");
    e.udpPeer.reset();
  }
}

bool SimServer::writeDumps() const {
  bool ok = true;
  for (const auto& scale : config_.scales) {
    if (scale->dumpFile.empty()) continue;
    std::ofstream out(scale->dumpFile, std::ios::binary | std::ios::trunc);
    out << scale->store.dumpText();
    ok = ok && static_cast<bool>(out);
  }
  return ok;
}

}  // namespace tolvan::sim

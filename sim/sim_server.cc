#include "sim/sim_server.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "sim/block_peer.h"
#include "sim/message_peer.h"
#include "sim/slow_peer.h"

namespace tolvan::sim {
namespace {

constexpr size_t kReadChunk = 65536;

// A listener whose queue holds one connection, filled by a connection of
// our own that is never accepted: the kernel drops every further SYN, so
// the driver's connect hangs as with a scale that has vanished.
SocketHandle fillAcceptQueue(SocketHandle listener, uint16_t port) {
  if (!socketStartListening(listener, 0)) return kInvalidSocket;
  SocketHandle filler = socketOpen(SocketKind::Stream);
  if (filler != kInvalidSocket && !socketConnect(filler, "127.0.0.1", port, 1000)) {
    socketClose(filler);
    return kInvalidSocket;
  }
  return filler;
}

bool samePeer(const DatagramPeer& a, const DatagramPeer& b) {
  return a.length == b.length && std::memcmp(a.address, b.address, sizeof a.address) == 0;
}

}  // namespace

SimServer::~SimServer() {
  for (auto& c : connections_) socketClose(c->socket);
  for (auto& e : endpoints_) {
    if (e->socket != kInvalidSocket) socketClose(e->socket);
    socketClose(e->queueFiller);
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
    e.socket = socketBind(kind, scale.configuredPort);
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
      socketSetNonBlocking(e.socket);
      if (kind == SocketKind::Stream && (scale.faults.stopRead || scale.faults.resetAfterStatusMs > 0)) {
        socketNarrowWindow(e.socket);
      }
    }
    if (e.listening && scale.faults.noAccept) {
      e.queueFiller = fillAcceptQueue(e.socket, scale.port);
      e.listening = false;
      if (e.queueFiller == kInvalidSocket) scale.port = 0;
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
  std::unique_ptr<Peer> peer;
  if (scale.profile.family == Family::Message) peer = std::make_unique<MessagePeer>(scale);
  else peer = std::make_unique<BlockPeer>(scale);
  if (scale.faults.slowMs > 0) return std::make_unique<SlowPeer>(std::move(peer), scale.faults.slowMs, clock_);
  return peer;
}

void SimServer::run(SocketHandle stop) {
  std::vector<SocketWait> waits;
  std::vector<Endpoint*> polledEndpoints;
  for (;;) {
    waits.clear();
    polledEndpoints.clear();
    waits.push_back({.socket = stop, .read = true});
    for (auto& e : endpoints_) {
      if (!e->listening) continue;
      waits.push_back({.socket = e->socket, .read = true});
      polledEndpoints.push_back(e.get());
    }
    size_t firstConnection = waits.size();
    for (auto& c : connections_) {
      waits.push_back({.socket = c->socket, .read = c->peer->reads(), .write = !c->out.empty() || c->peer->streaming()});
    }
    int ready = socketPoll(waits, nextTickMs());
    if (ready < 0) return;
    runTicks();
    if (ready == 0) continue;
    if (waits[0].readable) return;
    for (size_t i = 0; i < polledEndpoints.size(); ++i) {
      if (!waits[i + 1].readable) continue;
      Endpoint& e = *polledEndpoints[i];
      if (e.scale->profile.udp) serveDatagram(e);
      else acceptConnection(e);
    }
    // Connections accepted just now are polled next time round.
    for (size_t i = firstConnection; i < waits.size(); ++i) {
      if (waits[i].readable || waits[i].writable) serveConnection(*connections_[i - firstConnection], waits[i]);
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

void SimServer::serveConnection(Connection& c, const SocketWait& ready) {
  if (ready.writable) flush(c);
  if (c.done || !ready.readable) return;
  uint8_t buffer[kReadChunk];
  long n = socketRecv(c.socket, buffer);
  if (n <= 0) {
    closeConnection(c, n == 0 ? "closed by the driver" : "failed");
    return;
  }
  c.endpoint->transcript->received(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
  Sends answers;
  c.peer->receive(std::span<const uint8_t>(buffer, static_cast<size_t>(n)), answers);
  takeAnswers(c, answers);
}

void SimServer::takeAnswers(Connection& c, const Sends& answers) {
  for (const Bytes& a : answers) {
    c.endpoint->transcript->sent(a);
    c.out.insert(c.out.end(), a.begin(), a.end());
  }
  flush(c);
  if (!c.done && c.out.empty() && c.peer->wantsClose()) closeConnection(c, "dropped by the scale");
}

int SimServer::nextTickMs() const {
  int64_t next = -1;
  auto consider = [&next](int64_t due) {
    if (due >= 0 && (next < 0 || due < next)) next = due;
  };
  for (const auto& c : connections_) consider(c->peer->dueAtMs());
  for (const auto& e : endpoints_) {
    if (e->udpPeer) consider(e->udpPeer->dueAtMs());
  }
  if (next < 0) return -1;
  return static_cast<int>(std::clamp<int64_t>(next - clock_.monotonicMs(), 0, INT_MAX));
}

void SimServer::runTicks() {
  int64_t now = clock_.monotonicMs();
  for (auto& c : connections_) {
    int64_t due = c->peer->dueAtMs();
    if (c->done || due < 0 || due > now) continue;
    Sends answers;
    c->peer->tick(now, answers);
    takeAnswers(*c, answers);
    if (!c->done && c->peer->wantsReset()) {
      c->endpoint->transcript->note("Connection " + std::to_string(c->id) + " reset by the scale");
      socketAbort(c->socket);
      c->socket = kInvalidSocket;
      c->done = true;
    }
  }
  for (auto& e : endpoints_) {
    if (!e->udpPeer || e->udpPeer->dueAtMs() < 0 || e->udpPeer->dueAtMs() > now) continue;
    Sends answers;
    e->udpPeer->tick(now, answers);
    for (const Bytes& a : answers) {
      e->transcript->sent(a);
      socketSendTo(e->socket, a, e->udpFrom);
    }
  }
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
  if (!c.out.empty()) {
    // What the system takes now; the rest when the poll finds room.
    long n = socketSendWithin(c.socket, c.out, 0);
    if (n < 0) {
      closeConnection(c, "failed while sending");
      return;
    }
    c.out.erase(c.out.begin(), c.out.begin() + n);
    if (!c.out.empty()) return;
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
    ok = writeWholeFile(scale->dumpFile, scale->store.dumpText()) && ok;
  }
  return ok;
}

}  // namespace tolvan::sim

// The simulator's network side: one listener per scale on 127.0.0.1 (TCP,
// or a UDP socket for block scales configured for it), all served by one
// poll() loop on one thread. Each TCP connection, and each UDP sender, gets
// a fresh peer of its scale's family; the scale's records survive them.
// This file and main.cc are the only parts that use the operating system's
// polling and signal calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/socket.h"
#include "sim/peer.h"
#include "sim/sim_config.h"
#include "sim/transcript.h"

namespace tolvan::sim {

class SimServer {
 public:
  SimServer(SimConfig& config, const Clock& clock) : config_(config), clock_(clock) {}
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Opens every scale's port; a port of 0 is chosen by the system and
  // stored in the scale. A refusing scale only reserves its port.
  bool open(std::string& error);
  // Serves until `stop` becomes readable.
  void run(SocketHandle stop);
  // Writes every scale's dump file; false when one cannot be written.
  bool writeDumps() const;

 private:
  struct Endpoint {
    SimScale* scale = nullptr;
    SocketHandle socket = kInvalidSocket;
    bool listening = false;  // false for a refusing scale's reserved port
    std::unique_ptr<Transcript> transcript;
    // "noaccept": the connection that keeps the accept queue full.
    SocketHandle queueFiller = kInvalidSocket;
    // UDP: the sender being served and its peer.
    std::unique_ptr<Peer> udpPeer;
    DatagramPeer udpFrom;
    int udpConnection = 0;
  };
  struct Connection {
    Endpoint* endpoint = nullptr;
    SocketHandle socket = kInvalidSocket;
    std::unique_ptr<Peer> peer;
    Bytes out;
    int id = 0;
    bool done = false;
  };

  bool openEndpoint(Endpoint& endpoint, std::string& error);
  std::unique_ptr<Peer> makePeer(SimScale& scale) const;
  void acceptConnection(Endpoint& endpoint);
  void serveConnection(Connection& c, const SocketWait& ready);
  void flush(Connection& c);
  void closeConnection(Connection& c, const char* why);
  void serveDatagram(Endpoint& endpoint);
  // Peers that talk on their own time: the poll's time-out until the next
  // is due (-1: none), and running those that are due.
  int nextTickMs() const;
  void runTicks();
  void takeAnswers(Connection& c, const Sends& answers);

  SimConfig& config_;
  const Clock& clock_;
  std::vector<std::unique_ptr<Endpoint>> endpoints_;
  std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace tolvan::sim

// IPv4 sockets for the scale link and the simulator: create, connect and
// send with a time-out, wait-readable with a time-out, receive, shutdown, close;
// plus the few listening calls the simulator and test peers need.
// Handles are plain integers; kInvalidSocket (-1) marks "no socket".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tolvan {

using SocketHandle = intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;

enum class SocketKind { Stream, Datagram };

// Why a connect, send or receive failed, in words the link can pass on to
// the person running a job without the system's error numbers.
enum class SocketFailure { None, BadAddress, Refused, Unreachable, TimedOut, Dropped, Other };

// Starts the socket library once per process (a no-op on POSIX systems).
void socketStartup();

// A new IPv4 socket, or kInvalidSocket.
SocketHandle socketOpen(SocketKind kind);
// Connects to a dotted IPv4 address, giving up after `timeoutMs` (a scale
// whose connection requests are dropped would otherwise hold the caller for
// minutes); for a datagram socket this only fixes the peer. False when the
// address does not parse, or the connection is refused, fails or times
// out; `why` (when given) then says which. A shutdown of the socket from
// another thread ends the wait.
bool socketConnect(SocketHandle s, const std::string& ip, uint16_t port, int timeoutMs, SocketFailure* why = nullptr);
// One send of the whole buffer; the count the system took, or -1.
long socketSend(SocketHandle s, std::span<const uint8_t> bytes);
// Sends the whole buffer unless `timeoutMs` passes first (a peer that stops
// reading closes its window): the count sent, which is short of the length
// when time ran out, or -1 when the send failed (`why`, when given, says why).
long socketSendWithin(SocketHandle s, std::span<const uint8_t> bytes, int timeoutMs, SocketFailure* why = nullptr);
// Waits until readable: 1 readable, 0 nothing within `seconds`, -1 failed.
int socketWaitReadable(SocketHandle s, int seconds);
// Same with a millisecond wait, for the simulator's poll loops.
int socketWaitReadableMs(SocketHandle s, int milliseconds);
// One receive: the count read (0 = peer closed on a stream), or -1 (`why`,
// when given, says why).
long socketRecv(SocketHandle s, std::span<uint8_t> buffer, SocketFailure* why = nullptr);
// One receive that does its own waiting, up to `timeoutMs`, so that bytes
// which come in time cost one system call and no separate wait: the count
// read (0 = peer closed on a stream), kRecvNothing when nothing came in
// time, or -1 (`why`, when given, says why). `waitSet` remembers the wait
// last set on this socket (0 for a new socket) and spares setting it again;
// a wait of 0 only takes what is there.
inline constexpr long kRecvNothing = -2;
long socketRecvWithin(SocketHandle s, std::span<uint8_t> buffer, int timeoutMs, int& waitSet,
                      SocketFailure* why = nullptr);
// Stops both directions, so a thread blocked on the socket wakes up.
void socketShutdown(SocketHandle s);
void socketClose(SocketHandle s);
// Closes a stream so that the peer sees the connection reset, not ended.
void socketAbort(SocketHandle s);

// Listening side (simulator and test peers), bound to 127.0.0.1.
// `port` 0 picks a free port; socketLocalPort tells which.
SocketHandle socketListen(SocketKind kind, uint16_t port);
// Bound to 127.0.0.1 but not listening: connections to the port are
// refused, and no other program can take it meanwhile.
SocketHandle socketBind(SocketKind kind, uint16_t port);
// Listens with room for `backlog` connections not yet accepted.
bool socketStartListening(SocketHandle s, int backlog);
// Accepts and receives on the socket no longer wait (the simulator's poll
// loop tells when there is something).
void socketSetNonBlocking(SocketHandle s);
// Small segments and a small receive window for the connections the
// listener accepts, so a peer's sends fill what the systems hold quickly.
void socketNarrowWindow(SocketHandle listener);
// Waiting on many sockets at once. `readable` is also set for a closed or
// failed socket: a receive tells which.
struct SocketWait {
  SocketHandle socket = kInvalidSocket;
  bool read = false;
  bool write = false;
  bool readable = false;
  bool writable = false;
};
// Waits until one socket is ready as asked, or `milliseconds` (-1: no
// limit) pass: the count ready, 0, or -1 when the wait failed.
int socketPoll(std::span<SocketWait> waits, int milliseconds);
uint16_t socketLocalPort(SocketHandle s);
SocketHandle socketAccept(SocketHandle listener);
// Datagram server side: receive one datagram and remember its sender in
// `peer` (an opaque 16-byte address); send one datagram back to it.
struct DatagramPeer {
  uint8_t address[16] = {};
  uint32_t length = 0;
};
long socketRecvFrom(SocketHandle s, std::span<uint8_t> buffer, DatagramPeer& peer);
long socketSendTo(SocketHandle s, std::span<const uint8_t> bytes, const DatagramPeer& peer);

}  // namespace tolvan

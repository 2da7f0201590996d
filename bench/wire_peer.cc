// The floor of a block-family send, with system headers only and no driver
// code, so that nothing of the driver's own making sits in the measure.
//
//   wire_peer serve [udp] [CAPTURE]   plays the scale's side as little as
//       possible on 127.0.0.1 (a free port, printed as "port N"): ACK to the
//       enquiry and to every block, until the EOT that ends the transfer.
//       After each transfer it prints "transfer blocks=N bytes=B wire=S":
//       S is the seconds from the first byte it read to the ACK of the last
//       block. The blocks of the first transfer go to CAPTURE, if named.
//   wire_peer ping PORT CAPTURE [udp]  sends the captured blocks as they
//       are, one send each, and waits for each ACK in a plain blocking read:
//       the bare ping-pong of the same bytes the driver sent.
//
// The capture holds each block as a two-byte length (low byte first) and
// the block's bytes from STX to the check byte.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kEtb = 0x17;
constexpr size_t kEnquiryLen = 6;
const uint8_t kEnquiry[kEnquiryLen] = {kEot, 'V', 'Q', '0', '1', 0x05};

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const char* what) {
  std::perror(what);
  std::exit(2);
}

sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

// What a transfer from the enquiry to the EOT brought.
struct Transfer {
  long blocks = 0;
  long bytes = 0;
  Clock::time_point first{};
  Clock::time_point lastAck{};
  bool started = false;
};

class Server {
 public:
  Server(bool udp, const char* capture) : udp_(udp), capturePath_(capture) {}

  void run() {
    int s = ::socket(AF_INET, udp_ ? SOCK_DGRAM : SOCK_STREAM, 0);
    if (s < 0) fail("socket");
    int yes = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a = loopback(0);
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) fail("bind");
    if (!udp_ && ::listen(s, 4) != 0) fail("listen");
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    std::printf("port %u\n", ntohs(a.sin_port));
    std::fflush(stdout);
    for (;;) {
      if (udp_) {
        serveDatagrams(s);
        continue;
      }
      int c = ::accept(s, nullptr, nullptr);
      if (c < 0) continue;
      serveStream(c);
      ::close(c);
    }
  }

 private:
  void serveStream(int c) {
    Transfer t;
    std::vector<uint8_t> pending;
    uint8_t in[65536];
    for (;;) {
      ssize_t n = ::recv(c, in, sizeof in, 0);
      if (n <= 0) break;
      note(t);
      pending.insert(pending.end(), in, in + n);
      if (consume(pending, t, [c](uint8_t b) { ::send(c, &b, 1, 0); })) break;
    }
    finish(t);
  }

  void serveDatagrams(int s) {
    Transfer t;
    std::vector<uint8_t> pending;
    uint8_t in[65536];
    for (;;) {
      sockaddr_in from{};
      socklen_t len = sizeof from;
      ssize_t n = ::recvfrom(s, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n < 0) continue;
      note(t);
      pending.insert(pending.end(), in, in + n);
      auto answer = [s, &from, len](uint8_t b) { ::sendto(s, &b, 1, 0, reinterpret_cast<sockaddr*>(&from), len); };
      // A lone EOT in its own datagram ends the transfer.
      if (consume(pending, t, answer) || (pending.size() == 1 && pending[0] == kEot)) break;
    }
    finish(t);
  }

  static void note(Transfer& t) {
    if (t.started) return;
    t.started = true;
    t.first = Clock::now();
  }

  // Answers every whole enquiry and block at the front of `pending`; true
  // at the EOT that ends the transfer (an EOT not followed by "VQ").
  template <typename Answer>
  bool consume(std::vector<uint8_t>& pending, Transfer& t, Answer answer) {
    size_t at = 0;
    bool ended = false;
    while (at < pending.size()) {
      const uint8_t* p = pending.data() + at;
      size_t left = pending.size() - at;
      if (p[0] == kEot) {
        if (left >= 2 && p[1] != 'V') {
          ended = true;
          break;
        }
        if (left < kEnquiryLen) break;
        answer(kAck);
        at += kEnquiryLen;
        continue;
      }
      if (p[0] != kStx) {
        ++at;
        continue;
      }
      size_t end = 3;
      while (end < left && p[end] != kEtx && p[end] != kEtb) ++end;
      if (end + 1 >= left) break;
      answer(kAck);
      t.lastAck = Clock::now();
      ++t.blocks;
      t.bytes += static_cast<long>(end + 2);
      keep(p, end + 2);
      at += end + 2;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<long>(at));
    return ended;
  }

  void keep(const uint8_t* block, size_t length) {
    if (capturePath_ == nullptr || captured_) return;
    capture_.push_back(static_cast<uint8_t>(length));
    capture_.push_back(static_cast<uint8_t>(length >> 8));
    capture_.insert(capture_.end(), block, block + length);
  }

  void finish(Transfer& t) {
    if (!t.started) return;
    double wire = std::chrono::duration<double>(t.lastAck - t.first).count();
    std::printf("transfer blocks=%ld bytes=%ld wire=%.6f\n", t.blocks, t.bytes, t.blocks > 0 ? wire : 0.0);
    std::fflush(stdout);
    if (capturePath_ != nullptr && !captured_ && t.blocks > 0) {
      std::FILE* f = std::fopen(capturePath_, "wb");
      if (f == nullptr) fail(capturePath_);
      std::fwrite(capture_.data(), 1, capture_.size(), f);
      std::fclose(f);
      captured_ = true;
    }
  }

  bool udp_;
  const char* capturePath_;
  std::vector<uint8_t> capture_;
  bool captured_ = false;
};

std::vector<std::vector<uint8_t>> readCapture(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) fail(path);
  std::vector<std::vector<uint8_t>> blocks;
  uint8_t len[2];
  while (std::fread(len, 1, 2, f) == 2) {
    std::vector<uint8_t> block(static_cast<size_t>(len[0] | len[1] << 8));
    if (std::fread(block.data(), 1, block.size(), f) != block.size()) break;
    blocks.push_back(std::move(block));
  }
  std::fclose(f);
  return blocks;
}

void sendAll(int s, const uint8_t* bytes, size_t length) {
  if (::send(s, bytes, length, 0) != static_cast<ssize_t>(length)) fail("send");
}

void awaitAck(int s) {
  uint8_t b = 0;
  if (::recv(s, &b, 1, 0) != 1 || b != kAck) fail("no ACK");
}

int ping(uint16_t port, const char* capture, bool udp) {
  std::vector<std::vector<uint8_t>> blocks = readCapture(capture);
  int s = ::socket(AF_INET, udp ? SOCK_DGRAM : SOCK_STREAM, 0);
  sockaddr_in a = loopback(port);
  if (s < 0 || ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) fail("connect");
  sendAll(s, kEnquiry, kEnquiryLen);
  awaitAck(s);
  for (const std::vector<uint8_t>& block : blocks) {
    sendAll(s, block.data(), block.size());
    awaitAck(s);
  }
  sendAll(s, &kEot, 1);
  ::close(s);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "serve") == 0) {
    bool udp = argc >= 3 && std::strcmp(argv[2], "udp") == 0;
    const char* capture = argc >= (udp ? 4 : 3) ? argv[udp ? 3 : 2] : nullptr;
    Server(udp, capture).run();
  }
  if (argc >= 4 && std::strcmp(argv[1], "ping") == 0) {
    return ping(static_cast<uint16_t>(std::atoi(argv[2])), argv[3], argc >= 5 && std::strcmp(argv[4], "udp") == 0);
  }
  std::fprintf(stderr, "usage: wire_peer serve [udp] [CAPTURE] | wire_peer ping PORT CAPTURE [udp]\n");
  return 2;
}

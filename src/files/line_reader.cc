#include "files/line_reader.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tolvan {
namespace {

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// A line is looked at sixteen bytes at a time, so as many bytes behind
// the window are there to be read, never used.
constexpr int kStep = 16;

#if defined(__SSE2__)

// The first CR or LF in [from, to), or `to`; `holdsNul` tells whether a
// NUL comes before it. Sixteen bytes at a time, each kind a bit per byte.
int lineEnd(const char* data, int from, int to, bool& holdsNul) {
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  unsigned nulsBefore = 0;
  for (int at = from; at < to; at += kStep) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const unsigned inLine = to - at >= kStep ? 0xFFFFU : (1U << (to - at)) - 1;
    const __m128i lineEnds = _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf));
    const auto ends = static_cast<unsigned>(_mm_movemask_epi8(lineEnds)) & inLine;
    const auto nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, nul))) & inLine;
    if (ends != 0) {
      const int end = std::countr_zero(ends);
      holdsNul = nulsBefore != 0 || (nuls & ((1U << end) - 1)) != 0;
      return at + end;
    }
    nulsBefore |= nuls;
  }
  holdsNul = nulsBefore != 0;
  return to;
}

#else

// The first CR or LF in [from, to), or `to`; `holdsNul` tells whether a
// NUL comes before it. The library's search runs over a line many bytes
// at a time.
int lineEnd(const char* data, int from, int to, bool& holdsNul) {
  const auto length = static_cast<size_t>(to - from);
  const void* lf = std::memchr(data + from, '\n', length);
  const size_t beforeLf = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - (data + from)) : length;
  const void* cr = std::memchr(data + from, '\r', beforeLf);
  const size_t end = cr != nullptr ? static_cast<size_t>(static_cast<const char*>(cr) - (data + from)) : beforeLf;
  holdsNul = std::memchr(data + from, '\0', end) != nullptr;
  return from + static_cast<int>(end);
}

#endif

}  // namespace

LineReader::LineReader(std::FILE* file, DriverLog& log)
    : file_(file), log_(log), buffer_(new (std::nothrow) char[kLineWindow + 1 + kStep]) {
  if (!buffer_) {
    log_.error(kMsgOutOfMemory);
    std::exit(kMsgOutOfMemory);
  }
  std::memset(buffer_.get() + kLineWindow + 1, 0, kStep);
  if (std::fseek(file_, 0, SEEK_END) == 0) {
    long size = std::ftell(file_);
    fileSize_ = size < 0 ? 0 : size;
  }
  std::fseek(file_, 0, SEEK_SET);
  buffer_[0] = '\0';
}

void LineReader::rewind() {
  pos_ = end_ = 0;
  bytesRead_ = 0;
  lineCount_ = 0;
  stopped_ = false;
  inLineEnds_ = false;
  atFileStart_ = true;
  byteOrderMark_ = false;
  lineEnds_ = 0;
  lastWasCr_ = false;
  physicalLine_ = 0;
  linesWithNul_.clear();
  std::fseek(file_, 0, SEEK_SET);
  buffer_[0] = '\0';
}

// Keeps a whole line of legal length and the first character behind it in
// the window (so a line one character too long is seen as such): moves the
// unread tail to the front and reads behind it.
void LineReader::refill() {
  if (bytesRead_ >= fileSize_ || end_ - pos_ > kMaxLineLen) return;
  int unread = end_ - pos_;
  std::memmove(buffer_.get(), buffer_.get() + pos_, static_cast<size_t>(unread));
  int64_t wanted = fileSize_ - bytesRead_;
  int room = (kLineWindow - 1) - unread;
  if (wanted > room) wanted = room;
  size_t got = std::fread(buffer_.get() + unread, 1, static_cast<size_t>(wanted), file_);
  bytesRead_ += static_cast<int64_t>(got);
  // A file that shrank while we read it simply ends early.
  if (got < static_cast<size_t>(wanted)) fileSize_ = bytesRead_;
  pos_ = 0;
  end_ = unread + static_cast<int>(got);
  buffer_[end_] = '\0';
}

void LineReader::skipLineEnds() {
  char* data = buffer_.get();
  while (pos_ < end_ && isLineEnd(data[pos_])) {
    bool cr = data[pos_] == '\r';
    if (cr || !lastWasCr_) ++lineEnds_;
    lastWasCr_ = cr;
    data[pos_++] = '\0';
  }
}

void LineReader::skipByteOrderMark() {
  atFileStart_ = false;
  const auto* data = reinterpret_cast<const unsigned char*>(buffer_.get());
  if (end_ - pos_ >= 3 && data[pos_] == 0xEF && data[pos_ + 1] == 0xBB && data[pos_ + 2] == 0xBF) {
    pos_ += 3;
    byteOrderMark_ = true;
  }
}

char* LineReader::nextLine() {
  bool holdsNul = false;
  char* line = takeLine(holdsNul);
  while (line != nullptr && holdsNul) {
    linesWithNul_.push_back(physicalLine_);
    line = takeLine(holdsNul);
  }
  return line;
}

char* LineReader::takeLine(bool& holdsNul) {
  if (stopped_) return nullptr;
  refill();
  while (inLineEnds_) {
    skipLineEnds();
    inLineEnds_ = pos_ >= end_ && bytesRead_ < fileSize_;
    refill();
  }
  if (atFileStart_) skipByteOrderMark();
  if (pos_ >= end_) return nullptr;
  char* data = buffer_.get();
  int start = pos_;
  lastWasCr_ = false;
  physicalLine_ = lineEnds_ + 1;
  pos_ = lineEnd(data, pos_, end_, holdsNul);
  if (pos_ - start > kMaxLineLen) {
    log_.error(kMsgLineTooLong, lineCount_ + 1);
    stopped_ = true;
    return nullptr;
  }
  lineLength_ = static_cast<size_t>(pos_ - start);
  skipLineEnds();
  inLineEnds_ = pos_ >= end_ && bytesRead_ < fileSize_;
  ++lineCount_;
  return data + start;
}

}  // namespace tolvan

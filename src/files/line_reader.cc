#include "files/line_reader.h"

#include <cstring>

namespace tolvan {

LineReader::LineReader(std::FILE* file, DriverLog& log)
    : file_(file), log_(log), buffer_(new char[kLineWindow + 1]) {
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
  std::fseek(file_, 0, SEEK_SET);
  buffer_[0] = '\0';
}

// Keeps at least a whole line of legal length in the window: moves the
// unread tail to the front and reads behind it.
void LineReader::refill() {
  if (bytesRead_ >= fileSize_ || pos_ + kMaxLineLen <= end_) return;
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

char* LineReader::nextLine() {
  if (stopped_) return nullptr;
  refill();
  if (pos_ >= end_) return nullptr;
  char* data = buffer_.get();
  int start = pos_;
  while (pos_ < end_ && data[pos_] != '\r' && data[pos_] != '\n') ++pos_;
  if (pos_ - start > kMaxLineLen) {
    log_.error(kMsgLineTooLong, lineCount_ + 1);
    stopped_ = true;
    return nullptr;
  }
  while (pos_ < end_ && (data[pos_] == '\r' || data[pos_] == '\n')) data[pos_++] = '\0';
  ++lineCount_;
  return data + start;
}

}  // namespace tolvan

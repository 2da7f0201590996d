// The parts of files.h that are the same on every system.
#include "platform/files.h"

#include <utility>

namespace tolvan {

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case FileIdentity::Kind::Regular:
      return a.device == b.device && a.inode == b.inode;
    case FileIdentity::Kind::Missing:
      return a.name == b.name;
    case FileIdentity::Kind::Other:
      break;
  }
  return false;
}

bool ReplacementFile::write(const void* bytes, size_t length) {
  if (file_ == nullptr || failed_) return false;
  failed_ = length > 0 && std::fwrite(bytes, 1, length, file_) != length;
  return !failed_;
}

ReplacementFile::ReplacementFile(std::string path) : path_(std::move(path)) {}

ReplacementFile::~ReplacementFile() { discard(); }

}  // namespace tolvan

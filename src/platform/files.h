// File-system operations beyond plain stdio streams: deleting a file,
// opening a file in binary mode and making a file's bytes durable. Kept
// here so path rules of other systems have one place to live.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace tolvan {

// Deletes the file; a missing file is not an error. Returns true when the
// file is gone afterwards.
bool removeFile(const std::string& path);

// Opens a file with a stdio mode ("rb", "ab", "wb"); nullptr on failure.
std::FILE* openFile(const std::string& path, const char* mode);

bool fileExists(const std::string& path);

// Why the calling thread's last file operation failed, in the system's
// words ("No such file or directory").
std::string lastFileError();

// Pushes what the stream holds to its file `path` and the file, with its
// entry in its folder, to the disk, so a crash or power cut after this call
// loses none of it. False when a write to the stream had failed, or the
// flush or the disk did not confirm.
bool syncFile(std::FILE* file, const std::string& path);

// The same for a file that is not open; false when it cannot be opened or
// the disk did not confirm.
bool syncFileByName(const std::string& path);

// A file written whole or not at all. The bytes go to "<path>.tmp" in the
// same folder; commit() flushes and syncs it, renames it over `path` and
// syncs the folder. Until commit() succeeds the file at `path` is
// untouched, so a crash or a kill at any instant leaves either the old or
// the new file, never a mix; a full disk leaves the old one.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string path);
  // An uncommitted temporary is removed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates (truncates) the temporary; false when it cannot be created.
  bool open();
  // False from the first write that did not go through (full disk, file
  // size limit); later writes are not attempted.
  bool write(const void* bytes, size_t length);
  bool write(const std::string& text) { return write(text.data(), text.size()); }
  // True only when every write, the flush, the syncs and the rename did.
  bool commit();

 private:
  void discard();

  std::string path_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// Deletes the file and syncs its folder, so the deletion survives a power
// cut; a missing file is not an error.
bool removeFileDurably(const std::string& path);

// Size of the open file in bytes, or -1.
long fileSize(std::FILE* file);

// True when the stream is a terminal (the progress line and the closing
// table are for a person watching, not for a script's pipe).
bool isTerminal(std::FILE* stream);

}  // namespace tolvan

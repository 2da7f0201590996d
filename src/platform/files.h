// File-system operations beyond plain stdio streams: deleting a file,
// opening a file in binary mode and making a file's bytes durable. Kept
// here so path rules of other systems have one place to live.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace tolvan {

// Deletes the file the run keeps at `path`: a regular file, or the one a
// symbolic link leads to (the link stays, so the next write through it
// creates the file again). A device, pipe or socket is not the run's to
// delete and is left alone. A missing file is not an error. Returns true
// when no file of the run is left there.
bool removeFile(const std::string& path);

// The folder part of a path: "." for a bare name, "/" for a name at the root.
std::string folderOf(const std::string& path);

// Pushes the folder's entries (names created, moved in or out) to the disk.
bool syncFolder(const std::string& folder);

// Opens a file with a stdio mode ("rb", "ab", "wb"); nullptr on failure.
std::FILE* openFile(const std::string& path, const char* mode);

bool fileExists(const std::string& path);

// What tells one state of a regular file from another: which file the path
// names, its size and its last change, to the system's finest step.
struct FileStamp {
  uint64_t identity = 0;
  int64_t size = 0;
  int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};
// The stamp of the regular file `path` names (through links); nullopt for
// anything else, or when the path cannot be looked at.
std::optional<FileStamp> fileStamp(const std::string& path);

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

// A file written whole or not at all. A path naming a regular file or
// nothing yet is replaced: the bytes go to a temporary
// "<name>.<pid>.<n>.tmp" created beside it (a name no other writer uses,
// not even another run that ignored the folder lock), and commit() flushes
// and syncs it, renames it over the file and syncs the folder. Until then
// the file is untouched, so a crash or a kill at any instant leaves either
// the old or the new file, never a mix; a full disk leaves the old one. A
// symbolic link is followed to the name it finally leads to, which is
// replaced the same way (a link to no file yet creates that file), and the
// link stays. A device, pipe or socket, or a link the system keeps for an
// open file (/dev/stdout), is written through instead: opened for
// appending, nothing renamed, every write and the close checked. A folder,
// or a loop of links, cannot be written.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string path);
  // An uncommitted temporary is removed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary, or opens what is written through; false when
  // neither can be done.
  bool open();
  // False from the first write that did not go through (full disk, file
  // size limit); later writes are not attempted.
  bool write(const void* bytes, size_t length);
  bool write(const std::string& text) { return write(text.data(), text.size()); }
  // True only when every write, the flush, the syncs and the rename did (a
  // write-through: every write, the flush and the close).
  bool commit();

 private:
  void discard();

  std::string path_;
  std::string target_;  // the name replaced: path_, or where its links lead
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// The same as removeFile, and the folder synced, so the deletion survives
// a power cut.
bool removeFileDurably(const std::string& path);

// What tells two names of one file apart from names of two files, taken
// once per name: the existing regular file's device and inode, or, where
// no file exists, the name its links lead to, made absolute, with "." and
// ".." steps taken. A device, pipe or socket, which the run only ever
// writes through, is no file two names could spoil between them.
struct FileIdentity {
  enum class Kind { Missing, Regular, Other } kind = Kind::Missing;
  unsigned long long device = 0;
  unsigned long long inode = 0;
  std::string name;
};
FileIdentity fileIdentity(const std::string& path);
bool sameFile(const FileIdentity& a, const FileIdentity& b);

// Size of the open file in bytes, or -1.
long fileSize(std::FILE* file);

// True when the stream is a terminal (the progress line and the closing
// table are for a person watching, not for a script's pipe).
bool isTerminal(std::FILE* stream);

}  // namespace tolvan

// File-system operations beyond plain stdio streams: deleting a file,
// opening a file in binary mode and making a file's bytes durable. Kept
// here so path rules of other systems have one place to live.
#pragma once

#include <cstdio>
#include <string>

namespace tolvan {

// Deletes the file; a missing file is not an error. Returns true when the
// file is gone afterwards.
bool removeFile(const std::string& path);

// Opens a file with a stdio mode ("rb", "ab", "wb"); nullptr on failure.
std::FILE* openFile(const std::string& path, const char* mode);

bool fileExists(const std::string& path);

// Pushes what the stream holds to its file `path` and the file, with its
// entry in its folder, to the disk, so a crash or power cut after this call
// loses none of it. False when a write to the stream had failed, or the
// flush or the disk did not confirm.
bool syncFile(std::FILE* file, const std::string& path);

// The same for a file that is not open; false when it cannot be opened or
// the disk did not confirm.
bool syncFileByName(const std::string& path);

// True when the stream is a terminal (the progress line and the closing
// table are for a person watching, not for a script's pipe).
bool isTerminal(std::FILE* stream);

}  // namespace tolvan

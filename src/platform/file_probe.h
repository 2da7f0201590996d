// Whether a file could be written at a path, asked without writing it: a
// totals receive resets the scales long before it writes its export, so it
// asks first and stops while the scales still hold their totals.
#pragma once

#include <string>

namespace tolvan {

enum class FileProbe {
  Creatable,  // a new file can take the name, or it is a device or pipe open to writing
  NoFolder,   // the folder the name lies in does not exist or is no folder
  IsFolder,   // the name is a folder
  Refused,    // the folder takes no new file, or the device or pipe no writer
};

// Probes `path` as a file written whole beside itself (a temporary in the
// same folder, renamed over it) or, when it is a device or pipe, written
// through. A name that is or leads to a regular file is probed by creating
// a uniquely named file in the folder the file lies in (symbolic links
// followed) and removing it again; a device is opened for writing and
// closed. A pipe is not opened: its reader would take the close for the
// end of the data.
FileProbe probeFileCreation(const std::string& path);

}  // namespace tolvan

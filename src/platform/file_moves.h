// Setting files aside: a folder of their own and a move that never
// replaces what is already there (files.h makes both last through a power
// cut).
#pragma once

#include <string>

namespace tolvan {

enum class NewFolder { Created, Exists, Failed };

// Creates the folder; Exists when something of that name is already there
// (a folder or not).
NewFolder makeFolder(const std::string& path);

// Moves the file to `to`, which must be on the same file system; false when
// something is at `to` already (it is left as it was) or the move failed.
bool moveFileNoReplace(const std::string& from, const std::string& to);

}  // namespace tolvan

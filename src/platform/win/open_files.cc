#include "platform/open_files.h"

#include <cstdio>

namespace tolvan {

void raiseOpenFileLimit() {
  // Sockets are no C library files here; the work files are, and the C
  // library starts with room for 512 of them.
  (void)::_setmaxstdio(2048);
}

}  // namespace tolvan

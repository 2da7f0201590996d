#include "frame/scale_entry.h"

namespace tolvan {

ScaleEntry::~ScaleEntry() {
  // The operation runner shuts an abandoned worker's socket down before the
  // table is released; joining here only waits for its last steps.
  if (worker.joinable()) worker.join();
  if (workFile != nullptr) std::fclose(workFile);
}

}  // namespace tolvan

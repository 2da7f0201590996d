// Reading every scale's records of the run's type back (--verify,
// --changed-only): the receive a -v run does, on the usual workers in
// parallel, but each scale's records kept apart and compared, as they
// arrive, with what the import file would leave on that scale. Writes no
// work or export file. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/record_image.h"

namespace tolvan {

class Driver;

// The import file's side: the records of the run's type it would leave on
// a scale, by number. Deletions are sent as they are, never compared.
struct FileIndex {
  std::unordered_map<int32_t, int> lastAddition;  // number -> position in the record list
  std::unordered_set<int32_t> deleted;            // numbers a deletion of the file names
  bool deletesAll = false;                        // the file holds deletion 0
  int firstAddition = -1;                         // position, -1 when none
};
FileIndex indexFile(const Driver& driver);

// One record the scale gave back, as it compares with the file.
struct HeldRecord {
  enum Kind { Same, Differs, Extra, Deleted } kind = Extra;
  std::string fileImage;   // Differs: the file's record as the scale would hold it
  std::string scaleImage;  // Differs: the scale's record
};

struct ScaleHolding {
  bool read = false;    // the scale gave its records back whole in this run
  std::string whyNot;   // when not: what kept it from it
  std::vector<std::string> unseen;  // columns the send writes that never come back (RecordImager)
  std::unordered_map<int32_t, HeldRecord> records;  // by number, the first arrival of each
};

// Receives from every scale of the run (the result by scale table
// position). Scales that do not give the type back are not contacted; a
// scale that fails keeps its failure in its outcome (noteOutcome).
std::vector<ScaleHolding> readBackScales(Driver& driver, const FileIndex& file, const RecordImager& imager);

}  // namespace tolvan

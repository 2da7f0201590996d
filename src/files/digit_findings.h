// Numbers of an import file that a configured scale's record holds fewer
// digits of than the file gives. The digits each scale's field really has
// come from the encoders themselves (a trace of the record's conversion),
// so they follow the model, version and settings of every configured
// scale. A finding says how many digits the number has and what each kind
// of scale keeps of it and shows; the PLU's combined item code (Dept,
// Group and ItemCode in one field) says what each scale reads back. Each
// column gives one finding, at the first line where it happens, with the
// number of later lines like it.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/scale_entry.h"
#include "files/finding.h"
#include "records/field_def.h"
#include "records/scale_fields.h"

namespace tolvan {

// True when every number of `record` in `columns` (nullptr entries
// skipped) lies within its column's range, the narrowest field any model
// gives the column, so that no scale's field can cut one and the encoders
// need not be asked. Columns without a range are sent to no scale as a
// number of digits.
bool numbersFitEveryModel(std::span<const FieldDef* const> columns, const void* record);

class DigitFindings {
 public:
  DigitFindings() = default;
  ~DigitFindings() { columns_.clearAndFree(); }
  DigitFindings(const DigitFindings&) = delete;
  DigitFindings& operator=(const DigitFindings&) = delete;

  // What `scale` keeps of `record`'s numbers; `trace` comes from converting
  // the record (of `dataType` in `mode`) for that scale.
  void lookAtScale(const ScaleEntry& scale, const ScaleFieldList& trace, const void* record, int dataType, int mode);
  // Ends the record of line `lineNo`; `texts` are its number columns' texts
  // by record offset, as the file writes them (empty: not in this line).
  void endRecord(int lineNo, const std::map<uint32_t, std::string>& texts);
  // Appends the findings, each with the count of later lines like it.
  void finish(const std::string& file, FindingList& out);

  // What one scale gets of one number: `digits` of them, `text` the digits
  // kept, empty when the number arrives whole.
  struct Kept {
    const ScaleEntry* scale;
    DigitsKept end;
    int digits;
    std::string text;
  };

 private:
  // One scale's view of one number of the record.
  struct Seen {
    uint32_t key;  // the record offset; the item code has a key of its own
    int64_t value;
    Kept kept;
  };
  struct Reported {
    size_t index;
    int more = 0;
    int lastLine = 0;
  };

  void useColumnsOf(int dataType, int mode);
  const FieldDef* numberColumn(uint32_t offset) const;
  void lookAtItemCode(const ScaleEntry& scale, const ScaleField& field, const void* record);
  std::vector<Kept> seenOf(uint32_t key) const;
  std::string columnFinding(uint32_t offset, const std::map<uint32_t, std::string>& texts) const;
  std::string itemCodeFinding() const;
  void report(int lineNo, uint32_t key, const std::string& text);

  // The columns of the record kind looked at: one "wmsmart" file mixes kinds.
  FieldTable columns_;
  std::map<uint32_t, const FieldDef*> numberColumns_;  // by record offset
  int columnsType_ = 0;
  int columnsMode_ = 0;
  std::vector<Seen> seen_;         // this record's numbers, scale by scale
  std::vector<uint32_t> cutKeys_;  // this record's numbers some scale does not get whole
  std::vector<std::string> itemColumns_;  // this record's Dept, Group and ItemCode
  std::map<uint32_t, Reported> reported_;
  FindingList found_;
};

}  // namespace tolvan

// The import reader: reads the run's import file (DriverOptions.dataFile)
// in its data format ("standard", "seasia", "wmsmart") into the run's record
// list and record header list, before any scale is contacted. Uses the line
// reader and field splitter, the field tables of the data types and the
// record factory.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/driver.h"
#include "core/message_table.h"
#include "files/field_splitter.h"
#include "records/field_def.h"

namespace tolvan {

class ReadAhead;

// Reads driver.options.dataFile in driver.options.dataFormat for
// driver.options.dataType and driver.options.mode and adds its records to
// driver.records / driver.headers: in key order without duplicate keys
// ("standard", "seasia"), or in file order keeping each number's last
// version ("wmsmart"). Returns 0, or 10, 15, 16 (logged here) or 34 for
// "tops" (not logged). Records read before an over-long line stay. What a
// look at the same file kept in `ahead` is taken instead of reading the
// file again, when it still stands for the file.
[[nodiscard]] MessageCode importFile(Driver& driver, ReadAhead* ahead = nullptr);

// Stores one column's text into `record` at the column's offset, by kind:
// numbers keep their low bits (Long drops every '.'), a text that does not
// read as a number leaves the field as it was; Text and Description keep
// at most `width` characters. Quotes around the text are removed first
// (doubled quotes undoubled for the text kinds). `text` may be changed.
void setFieldFromText(void* record, const FieldDef& column, char* text);

// Stores a Text or Description column's text, its quotes already removed,
// into `record` at the column's offset: at most `width` characters and a
// NUL. The count of characters kept.
size_t storeColumnText(void* record, const FieldDef& column, std::string_view text);

// Stores a number read from a column into `record` at the column's offset:
// its low 8 or 16 bits for the byte and short kinds, all 32 bits otherwise.
void storeColumnNumber(void* record, const FieldDef& column, uint32_t value);

// Reads a decimal integer the way import columns are read: blanks skipped,
// an optional sign, the digits up to the first other character; with
// `skipDots` every '.' is ignored. False when no digit follows or the
// number is outside -2147483648 to 2147483647 (`value` untouched).
bool readImportNumber(std::string_view text, bool skipDots, uint32_t& value);

// Fills a description column from the font/text pairs of `fields` from
// position `first` on (option -l): each pair adds ESC 'C' font and its
// text; a pair whose text is empty adds nothing.
void fillDescFromPairs(void* record, const FieldDef& column, FieldList& fields, int first);

// Fills a description column of the fixed-width format ("seasia") from its
// cut text: up to three complete 57-character lines, the first incomplete
// one ending the block; sets the record's description size.
void readDescriptionBlock(void* record, const FieldDef& column, int dataType, const char* text);

// "wmsmart" lines: fields end at the unit separator, a line starting with
// either separator ends a record, and the PLU columns a field fills by its
// two-character tag. Shared with the look for findings, which must read
// the file exactly as the import does.
inline constexpr char kUnitSeparator = 31;
inline constexpr char kRecordSeparator = 30;
inline bool endsWmsRecord(const char* line) { return line[0] == kUnitSeparator || line[0] == kRecordSeparator; }
struct WmsTag {
  char tag[3];
  const char* column;
};
inline constexpr WmsTag kWmsPluTags[] = {
    {"bc", "SalesMode"}, {"p#", "Plu_No"},  {"ta", "Tare"},      {"nw", "Weight"},
    {"u#", "Posflag"},   {"r#", "Message7"}, {"sl", "ShelfLife"}, {"u$", "UnitPrice"},
};

}  // namespace tolvan

// tolvan_columns: writes the column reference (docs/columns.md) from the
// driver's own column tables, so the document names exactly the columns,
// kinds, widths, ranges and line positions the import and export use.
//
//   tolvan_columns [OUT]     (standard output without OUT)
//
// Everything a table knows comes from the table (FieldDef and its
// FieldMeaning); this program only lays it out.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/driver_options.h"
#include "dispatch/field_tables.h"
#include "files/import_reader.h"
#include "records/data_types.h"
#include "records/field_def.h"

namespace tolvan {
namespace {

// The global "maxexmsg" values on either side of the PLU fixed-width shift.
constexpr int kNarrowMaxExMsg = 100;
constexpr int kWideMaxExMsg = 101;

// A field table that frees its entries.
struct Columns {
  Columns(int dataType, int mode) { buildFieldTable(table, dataType, mode); }
  Columns(int dataType, int mode, int maxExMsg) { buildFixedFieldTable(table, dataType, mode, maxExMsg); }
  ~Columns() { table.clearAndFree(); }
  Columns(const Columns&) = delete;
  Columns& operator=(const Columns&) = delete;
  const FieldDef& at(int i) const { return *table.get(i); }
  const FieldDef* find(const char* name) const {
    for (int i = 0; i < table.count(); ++i) {
      if (std::string(at(i).name) == name) return &at(i);
    }
    return nullptr;
  }
  FieldTable table;
};

bool isNumber(FieldKind kind) { return kind == FieldKind::Byte || kind == FieldKind::Short || kind == FieldKind::Long; }

bool isScaleName(const FieldDef& c) { return c.meaning.unit == FieldUnit::ScaleName; }

const char* kindName(const FieldDef& c) {
  if (isScaleName(c)) return "scale name";
  switch (c.kind) {
    case FieldKind::Text: return "text";
    case FieldKind::Description: return "description";
    default: return "number";
  }
}

std::string widthText(const FieldDef& c) {
  if (isScaleName(c)) return "";
  switch (c.kind) {
    case FieldKind::Byte: return "8 bits";
    case FieldKind::Short: return "16 bits";
    case FieldKind::Long: return "32 bits";
    default: return std::to_string(c.width) + " characters";
  }
}

std::string rangeText(const FieldDef& c) {
  if (!isNumber(c.kind) || isScaleName(c)) return "";
  FieldRange r = c.meaningfulRange();
  return std::to_string(r.min) + " to " + std::to_string(r.max);
}

const char* unitText(FieldUnit unit) {
  switch (unit) {
    case FieldUnit::Price: return "price, point dropped (1.99 is 199)";
    case FieldUnit::Weight: return "weight, point dropped (0.750 is 750)";
    case FieldUnit::Days: return "days";
    case FieldUnit::Grams: return "grams";
    case FieldUnit::Ounces: return "ounces";
    case FieldUnit::Kilocalories: return "kcal";
    case FieldUnit::Kilojoules: return "kJ";
    case FieldUnit::Percent: return "percent";
    case FieldUnit::ScaleName: return "the scale's configured name";
    default: return "";
  }
}

std::string noteText(const FieldDef& c) { return c.meaning.note != nullptr ? c.meaning.note : ""; }

std::string characters(const FieldDef& c) {
  if (c.lineLen == 0) return std::to_string(c.linePos) + " to the end of the line";
  if (c.lineLen == 1) return std::to_string(c.linePos);
  return std::to_string(c.linePos) + " to " + std::to_string(c.linePos + c.lineLen - 1);
}

std::string row(const std::vector<std::string>& cells) {
  std::string out = "|";
  for (const std::string& cell : cells) out += " " + cell + " |";
  return out + "\n";
}

std::string header(const std::vector<std::string>& names) {
  std::string rule = "|";
  for (size_t i = 0; i < names.size(); ++i) rule += "---|";
  return row(names) + rule + "\n";
}

std::string code(const std::string& text) { return "`" + text + "`"; }

std::string keywords(const std::vector<DataType>& types) {
  std::string out;
  for (DataType t : types) out += (out.empty() ? "" : ", ") + code(dataTypeKeyword(static_cast<int>(t)));
  return out;
}

std::string standardTable(int dataType, int mode) {
  Columns columns(dataType, mode);
  std::string out = header({"#", "Column", "Kind", "Width", "Range", "Unit", "Notes"});
  for (int i = 0; i < columns.table.count(); ++i) {
    const FieldDef& c = columns.at(i);
    out += row({std::to_string(i + 1), code(c.name), kindName(c), widthText(c), rangeText(c),
                unitText(c.meaning.unit), noteText(c)});
  }
  return out;
}

// The PLU columns move with the global "maxexmsg"; the others stay.
std::string fixedTable(int dataType) {
  Columns narrow(dataType, kModeAdd, kNarrowMaxExMsg);
  Columns wide(dataType, kModeAdd, kWideMaxExMsg);
  bool moves = false;
  for (int i = 0; i < narrow.table.count(); ++i) moves = moves || characters(narrow.at(i)) != characters(wide.at(i));
  std::vector<std::string> names = {"#", "Column", "Kind", "Width"};
  if (moves) {
    names.push_back("Characters, maxexmsg up to " + std::to_string(kNarrowMaxExMsg));
    names.push_back("Characters, maxexmsg " + std::to_string(kWideMaxExMsg) + " or more");
  } else {
    names.push_back("Characters");
  }
  names.insert(names.end(), {"Range", "Unit", "Notes"});
  std::string out = header(names);
  for (int i = 0; i < narrow.table.count(); ++i) {
    const FieldDef& c = narrow.at(i);
    std::vector<std::string> cells = {std::to_string(i + 1), code(c.name), kindName(c), widthText(c),
                                      characters(c)};
    if (moves) cells.push_back(characters(wide.at(i)));
    cells.insert(cells.end(), {rangeText(c), unitText(c.meaning.unit), noteText(c)});
    out += row(cells);
  }
  return out;
}

std::string wmsmartPluTable() {
  Columns plu(static_cast<int>(DataType::Plu), kModeAdd);
  std::string out = header({"Tag", "Column", "Range", "Unit"});
  for (const WmsTag& tag : kWmsPluTags) {
    const FieldDef* c = plu.find(tag.column);
    if (c == nullptr) continue;
    out += row({code(tag.tag), code(c->name), rangeText(*c), unitText(c->meaning.unit)});
  }
  return out;
}

void writeIntroduction(std::ostream& out) {
  out << "# Column reference\n\n"
         "<!-- Written by tolvan_columns from the driver's column tables. Do not edit:\n"
         "     change the tables and run `cmake --build build/dev --target columns-doc`. -->\n\n"
         "The columns of every import file, deletion file and export file, as the driver reads\n"
         "and writes them.\n\n"
         "- Column names are matched exactly: `Plu_No` is a column, `PLU_NO` and `plu_no` are not.\n"
         "  A delimited file names its columns in a header line, in any order; names the driver\n"
         "  does not know are skipped. A first line that starts with a character below `A` (a\n"
         "  digit, say) is data: the columns are then taken in the order of the table.\n"
         "- Separator: a comma, or a tab with `-t`. Fields may be quoted (`\"Smoked Ham\"`).\n"
         "- Prices and weights are whole numbers: the driver drops every decimal point of a\n"
         "  32-bit number, so `1.99` is read as 199 and `12.5` as 125. Give every value of a\n"
         "  column the same number of decimals: the driver applies none of its own.\n"
         "- Range: the values every scale model takes whole. A number beyond it does not reach\n"
         "  every scale as written: a scale field too narrow for it keeps only some of its\n"
         "  digits, and 8-bit and 16-bit numbers keep their low bits (`tolvandrv --check`\n"
         "  reports numbers outside 0 to 127 and 0 to 32767).\n"
         "- Width: how much a column stores. Texts keep at most that many characters.\n"
         "- Exports (`-v`) of received records use the delimited columns of their type, with\n"
         "  a header line.\n\n";
}

void writeFormats(std::ostream& out) {
  out << "## Formats\n\n"
      << header({"Format", "Option", "Data types", "Deletions (`-d`)"})
      << row({"delimited with a header line", code("-sstandard") + " (the default)", "every type that imports",
              "every type (`RecNo`)"})
      << row({"fixed width", code("-sseasia"),
              keywords({DataType::Plu, DataType::ExMsg, DataType::ExMsg2, DataType::ExMsg3, DataType::Coupon,
                        DataType::PriceCng}),
              "no"})
      << row({"tagged fields", code("-swmsmart"), keywords({DataType::Plu, DataType::ExMsg}), "PLU lines `p#`"})
      << row({"tops", code("-stops"), "none: the driver cannot read it (error 34)", "no"}) << "\n"
      << "With `-l` the description of a delimited file comes as font and text pairs: the\n"
         "header names `Font1` where `Desc` would stand, and every field from there on is a\n"
         "font (`0` to `9`, `A` to `D`; another keeps the previous font, first `3`) followed\n"
         "by a line of text.\n\n";
}

void writeType(std::ostream& out, const std::vector<DataType>& types, const char* what) {
  const int type = static_cast<int>(types.front());
  out << "## " << keywords(types) << "\n\n" << what << "\n\n### Delimited (`-sstandard`)\n\n"
      << standardTable(type, kModeAdd) << "\n";
  Columns fixed(type, kModeAdd, kWideMaxExMsg);
  if (fixed.table.count() == 0) return;
  out << "### Fixed width (`-sseasia`)\n\n"
         "One record a line, no header line; characters count from 0. Characters no column\n"
         "names are not read.\n\n"
      << fixedTable(type) << "\n";
  if (fixed.find("Desc") != nullptr) {
    out << "The description is up to three lines of 57 characters each, from the column's\n"
           "first character on. In each line characters 0 to 49 are the text, 51 `1` for\n"
           "attribute 1, 52 `1` for attribute 3, 53 to 55 the font bits (1, 2, 4), and\n"
           "character 56 of the first line `1` for description size 400 (else 600). Only\n"
           "complete 57-character lines are read.\n\n";
  }
}

void writeWmsmart(std::ostream& out) {
  out << "## Tagged fields (`-swmsmart`)\n\n"
         "Each record starts a line; fields are separated by the unit separator (character\n"
         "31) and start with a two-character tag. The first tag says what the line is:\n"
         "`bc` a PLU, `p#` the deletion of the PLU number behind it, `r#` an extra message\n"
         "(`exmsg`) whose second field is `rt` and its first text line. Other lines are\n"
         "skipped. A PLU's `dt` field is its first description line; each following line\n"
         "is a further description line, up to a line that starts with character 31 or 30.\n"
         "A number that does not read drops the whole record.\n\n"
         "PLU tags:\n\n"
      << wmsmartPluTable() << "\n";
}

void writeDeletions(std::ostream& out) {
  out << "## Deletions (`-d`)\n\n"
         "Every data type reads the same one-column file, with the header line `RecNo`.\n"
         "For the totals types the numbers are not read: the scales' totals are reset.\n\n"
      << standardTable(static_cast<int>(DataType::Plu), kModeDelete) << "\n";
}

void writeTotals(std::ostream& out) {
  out << "## Production totals (`-v` exports)\n\n"
         "Written by a receive of totals, never read: one line per total of every scale.\n"
         "The values are the scale's own whole numbers; the range is what its fields hold.\n\n";
  const std::vector<std::vector<DataType>> kinds = {
      {DataType::PluProd, DataType::NextDayProd, DataType::RewrapProd}, {DataType::HourlyProd}, {DataType::OpProd}};
  for (const auto& types : kinds) {
    out << "### " << keywords(types) << "\n\n" << standardTable(static_cast<int>(types.front()), kModeReceive) << "\n";
  }
}

std::string document() {
  std::ostringstream out;
  writeIntroduction(out);
  writeFormats(out);
  writeType(out, {DataType::Plu}, "PLU master records: one sellable item each, keyed by `Plu_No`.");
  writeType(out, {DataType::ExMsg, DataType::ExMsg2, DataType::ExMsg3, DataType::Coupon},
            "Extra messages (three sets) and coupon texts, keyed by `Message_No`.");
  writeType(out, {DataType::PriceCng}, "New unit prices of PLUs the scales already hold.");
  writeType(out, {DataType::MkdPriceCng}, "New markdown flags and prices of PLUs the scales already hold.");
  writeType(out, {DataType::Store}, "Store name and address texts, keyed by `Store_No`.");
  writeType(out, {DataType::Keyboard}, "One key of the scale's keyboard a line, keyed by `Key_No`.");
  writeType(out, {DataType::Nutrition},
            "Nutrition panels, keyed by `Nutrition_No`; nutrient lines 1 to 12 each have a content,\n"
            "a percentage and a unit.");
  writeWmsmart(out);
  writeDeletions(out);
  writeTotals(out);
  return out.str();
}

}  // namespace
}  // namespace tolvan

int main(int argc, char** argv) {
  const std::string text = tolvan::document();
  if (argc < 2) {
    std::cout << text;
    return 0;
  }
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file << text;
  if (!file.flush()) {
    std::cerr << "tolvan_columns: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}

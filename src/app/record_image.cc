#include "app/record_image.h"

#include <array>
#include <cstring>

#include "core/driver_options.h"
#include "dispatch/field_tables.h"
#include "dispatch/record_dispatch.h"
#include "files/export_writer.h"
#include "files/import_reader.h"

namespace tolvan {
namespace {

// The values a probe puts in a column, each compared with the first: the
// lowest digit (or last character) changed, then the highest (or first).
std::vector<std::string> probeValues(const FieldDef& column) {
  if (column.kind == FieldKind::Description) return {"A", "B"};
  if (column.kind == FieldKind::Text) {
    const std::string ones(column.width, '1');
    std::string last = ones;
    std::string first = ones;
    if (!ones.empty()) {
      last.back() = '2';
      first.front() = '2';
    }
    return {ones, last, first};
  }
  const FieldRange range = column.meaningfulRange();
  std::vector<std::string> values{std::to_string(range.min)};
  if (range.max > range.min) values.push_back(std::to_string(range.min + 1));
  int64_t top = 1;
  while (top <= range.max / 10) top *= 10;
  if (top > range.min + 1 && top <= range.max) values.push_back(std::to_string(top));
  return values;
}

}  // namespace

int32_t recordNumber(const void* record) {
  int32_t number = 0;
  std::memcpy(&number, record, sizeof number);
  return number;
}

RecordImager::RecordImager(int dataType) : dataType_(dataType) { buildFieldTable(columns_, dataType, kModeAdd); }

RecordImager::~RecordImager() { columns_.clearAndFree(); }

std::string RecordImager::image(const void* record) const {
  std::string line = formatRecordLine(columns_, record, '\0', false);
  line.resize(line.size() - 2);  // the line end
  return line;
}

std::vector<std::string> RecordImager::values(const std::string& image) {
  std::vector<std::string> out;
  size_t from = 0;
  for (size_t nul = image.find('\0'); nul != std::string::npos; nul = image.find('\0', from)) {
    out.push_back(image.substr(from, nul - from));
    from = nul + 1;
  }
  out.push_back(image.substr(from));
  return out;
}

std::vector<std::string> RecordImager::unseenColumns(const ScaleEntry& scale, const void* base, int length) const {
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(base), static_cast<const uint8_t*>(base) + length);
  std::vector<std::string> names;
  for (int c = 0; c < columns_.count(); ++c) {
    if (unseen(scale, *columns_.get(c), copy)) names.push_back(columns_.get(c)->name);
  }
  return names;
}

// Unseen when two probe values give different bytes on the wire and the
// same record back. A value the scale cannot take tells nothing.
bool RecordImager::unseen(const ScaleEntry& scale, const FieldDef& column, const std::vector<uint8_t>& base) const {
  struct Probe {
    std::vector<uint8_t> bytes;
    std::string image;
    bool taken = false;
  };
  auto probe = [&](std::string value) {
    std::vector<uint8_t> record = base;
    setFieldFromText(record.data(), column, value.data());
    Probe p;
    std::array<uint8_t, kMaxConvertedLen> wire{};
    int code = 0;
    int length = 0;
    RecordBlock back = asScaleHoldsIt(scale, record.data());
    if (back == nullptr || !convertRecord(scale, dataType_, kModeAdd, record.data(), code, wire, length)) return p;
    p.bytes.assign(wire.begin(), wire.begin() + length);
    p.image = image(back.get());
    p.taken = true;
    return p;
  };
  const std::vector<std::string> values = probeValues(column);
  const Probe first = probe(values.front());
  for (size_t v = 1; v < values.size(); ++v) {
    const Probe other = probe(values[v]);
    if (first.taken && other.taken && first.bytes != other.bytes && first.image == other.image) return true;
  }
  return false;
}

}  // namespace tolvan

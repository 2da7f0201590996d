#include "files/read_ahead.h"

namespace tolvan {
namespace {

// The options that decide which records a file gives.
bool readsAlike(const DriverOptions& a, const DriverOptions& b) {
  return a.dataFile == b.dataFile && a.dataFormat == b.dataFormat && a.dataType == b.dataType && a.mode == b.mode &&
         a.separator == b.separator && a.descFontPairs == b.descFontPairs && a.maxExMsg == b.maxExMsg;
}

}  // namespace

bool ReadAhead::start(const DriverOptions& options) {
  collector_.reset();
  complete_ = false;
  const bool keyOrder = options.dataFormat == kFormatStandard || options.dataFormat == kFormatSeasia;
  if (!keyOrder || !options.dataFile) return false;
  std::optional<FileStamp> stamp = fileStamp(*options.dataFile);
  if (!stamp) return false;
  basis_ = options;
  stamp_ = *stamp;
  collector_ = std::make_unique<RecordCollector>(RecordCollector::Order::ByKey);
  return true;
}

bool ReadAhead::handOver(const DriverOptions& options, RecordList& records, RecordHeaderList& headers) {
  if (!complete_ || !readsAlike(basis_, options) || fileStamp(*options.dataFile) != stamp_) return false;
  collector_->handOver(records, headers);
  collector_.reset();
  complete_ = false;
  return true;
}

}  // namespace tolvan

#include "sim/flood.h"

#include <array>
#include <cstdio>

#include "core/driver_options.h"
#include "core/scale_entry.h"
#include "dispatch/record_dispatch.h"
#include "plu/plu_record.h"
#include "records/data_types.h"

namespace tolvan::sim {

FloodRecords::FloodRecords(const ScaleProfile& profile) : entry_(std::make_unique<ScaleEntry>(profile.name, 0, 594)) {
  entry_->model = profile.model;
  entry_->version = profile.version;
  entry_->is8bit = profile.eightBit ? 1 : 0;
  entry_->maxExMsg = profile.maxExMsg;
  entry_->scaleNo = static_cast<uint32_t>(profile.scaleNo);
}

FloodRecords::~FloodRecords() = default;

Bytes FloodRecords::next() {
  PluRecord plu{};
  plu.pluNo = number_;
  plu.unitPrice = 100 + number_ % 900;
  std::snprintf(plu.desc, sizeof plu.desc, "Flood %d", number_);
  number_ = number_ > 1 ? number_ - 1 : kHighest;
  std::array<uint8_t, kMaxConvertedLen> buffer{};
  int code = 0;
  int length = 0;
  if (!convertRecord(*entry_, static_cast<int>(DataType::Plu), kModeAdd, &plu, code, buffer, length) || length < 0 ||
      static_cast<size_t>(length) > buffer.size()) {
    return {};
  }
  return Bytes(buffer.begin(), buffer.begin() + length);
}

bool floodsUploadOf(const FaultPlan& faults, int dataType) {
  return faults.flood && dataType == static_cast<int>(DataType::Plu);
}

}  // namespace tolvan::sim

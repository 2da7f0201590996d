#include "app/read_back.h"

#include <cstdlib>
#include <mutex>

#include "app/operation_runner.h"
#include "app/run_report.h"
#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "dispatch/support_table.h"
#include "files/work_files.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

// What one held record takes on the heap besides its images: the map's
// node and bucket.
constexpr int64_t kHeldRecordShare = 64 + sizeof(HeldRecord);

// Charges the run's received budget, so that however many scales flood a
// read-back the driver's memory stays bounded and the flooders fail.
void chargeHeld(Driver& driver, const HeldRecord& held) {
  const size_t images = held.fileImage.capacity() + held.scaleImage.capacity();
  driver.records.addReceivedBytes(kHeldRecordShare + static_cast<int64_t>(images));
}

// Runs on the scale's worker, under its guard, for each record it sends.
void compareArrival(Driver& driver, const ScaleEntry& scale, const FileIndex& file,
                    const RecordImager& imager, ScaleHolding& holding, void* received) {
  RecordBlock record(received);
  const int32_t number = recordNumber(record.get());
  if (holding.records.count(number) != 0) return;  // the first arrival stands
  HeldRecord& held = holding.records[number];
  const auto wanted = file.lastAddition.find(number);
  if (wanted == file.lastAddition.end()) {
    held.kind = file.deleted.count(number) != 0 ? HeldRecord::Deleted : HeldRecord::Extra;
    chargeHeld(driver, held);
    return;
  }
  std::string scaleImage = imager.image(record.get());
  RecordImage image;  // the worker's own: workers compare at the same time
  RecordBlock expected = asScaleHoldsIt(scale, driver.records.image(wanted->second, image));
  std::string fileImage = expected != nullptr ? imager.image(expected.get()) : std::string();
  if (expected != nullptr && fileImage == scaleImage) {
    held.kind = HeldRecord::Same;
  } else {
    held.kind = HeldRecord::Differs;
    held.fileImage = std::move(fileImage);
    held.scaleImage = std::move(scaleImage);
  }
  chargeHeld(driver, held);
}

std::string notReadText(const ScaleEntry& scale) {
  const ScaleReport report = reportScale(scale);
  std::string text = report.text.empty() ? "code " + std::to_string(report.code) : report.text;
  return report.cause.empty() ? text : text + " (" + report.cause + ")";
}

// The scale is read with its outcome set aside, so the read-back's own
// failure is judged alone.
void startReadBack(Driver& driver, ScaleEntry& scale, ScaleHolding& holding, const FileIndex& file,
                   const RecordImager& imager) {
  const int type = driver.options.dataType;
  scale.dataType = type;
  if (receiveOpFor(type) == ReceiveOp::None || !scaleSupports(scale, type, kModeReceive)) {
    holding.whyNot = std::string("does not give ") + dataTypeKeyword(type) + " records back";
    return;
  }
  if (file.firstAddition >= 0) {
    RecordImage image;
    const void* first = driver.records.image(file.firstAddition, image);
    holding.unseen = imager.unseenColumns(scale, first, recordLength(type, kModeAdd));
  }
  scale.outcome = ScaleOutcome{};
  scale.keepReceived = [&driver, &scale, &file, &imager, &holding](void* record) {
    compareArrival(driver, scale, file, imager, holding, record);
  };
  startScale(driver, scale, type, kModeReceive, false);
}

void finishReadBack(ScaleEntry& scale, ScaleHolding& holding) {
  {
    std::lock_guard lock(scale.guard);
    scale.keepReceived = nullptr;
  }
  if (!holding.whyNot.empty()) return;
  noteOutcome(scale);
  holding.read = scale.status.load(std::memory_order_acquire) == kStatusOk;
  if (!holding.read) holding.whyNot = notReadText(scale);
}

}  // namespace

FileIndex indexFile(const Driver& driver) {
  FileIndex file;
  const int type = driver.options.dataType;
  RecordImage image;
  for (int i = 0; i < driver.records.count(); ++i) {
    const RecordHeader* header = i < driver.headers.count() ? driver.headers.get(i) : nullptr;
    const int recordType = header != nullptr ? header->dataType : type;
    const int mode = header != nullptr ? header->mode : driver.options.mode;
    const void* record = driver.records.image(i, image);
    if (record == nullptr || recordType != type) continue;
    if (mode == kModeAdd) {
      file.lastAddition[recordNumber(record)] = i;
      if (file.firstAddition < 0) file.firstAddition = i;
    } else {
      const int32_t number = static_cast<const DeletionRecord*>(record)->recNo;
      file.deleted.insert(number);
      file.deletesAll = file.deletesAll || number == 0;
    }
  }
  for (int32_t number : file.deleted) file.lastAddition.erase(number);
  return file;
}

std::vector<ScaleHolding> readBackScales(Driver& driver, const FileIndex& file, const RecordImager& imager) {
  std::vector<ScaleHolding> holdings(static_cast<size_t>(driver.scales.count()));
  for (int i = 0; i < driver.scales.count(); ++i) {
    startReadBack(driver, *driver.scales.get(i), holdings[static_cast<size_t>(i)], file, imager);
  }
  waitForAllScales(driver);
  for (int i = 0; i < driver.scales.count(); ++i) {
    finishReadBack(*driver.scales.get(i), holdings[static_cast<size_t>(i)]);
  }
  return holdings;
}

}  // namespace tolvan

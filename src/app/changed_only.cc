#include "app/changed_only.h"

#include "app/operation_runner.h"
#include "core/driver.h"

namespace tolvan {
namespace {

std::string wholeFileReason(const FileIndex& file, const ScaleHolding& holding) {
  if (!holding.read) return "not read back: " + holding.whyNot;
  if (!holding.unseen.empty()) {
    std::string columns;
    for (const std::string& c : holding.unseen) columns += (columns.empty() ? "" : ", ") + c;
    return "the scale never gives back what the driver sends it in " + columns;
  }
  // A deletion of every record may come before or after any addition:
  // what the scale holds afterwards cannot be told from what it holds now.
  if (file.deletesAll) return "the file deletes every record of the type";
  return std::string();
}

}  // namespace

ChangedOnlyResult chooseRecords(int records, const FileIndex& file, const ScaleHolding& holding,
                                std::vector<bool>& send) {
  ChangedOnlyResult out;
  out.readBack = holding.read;
  out.wholeFile = wholeFileReason(file, holding);
  send.assign(static_cast<size_t>(records), true);
  out.selected = records;
  if (!out.wholeFile.empty()) return out;
  for (const auto& [number, position] : file.lastAddition) {
    const auto held = holding.records.find(number);
    if (held == holding.records.end() || held->second.kind != HeldRecord::Same) continue;
    send[static_cast<size_t>(position)] = false;
    ++out.skipped;
  }
  out.selected = records - out.skipped;
  return out;
}

MessageCode sendChangedOnly(Driver& driver, std::vector<ScaleReadBack>& readBack, std::FILE* err) {
  const FileIndex file = indexFile(driver);
  const RecordImager imager(driver.options.dataType);
  // The read-back's failures do not count against the scale: the send decides.
  std::vector<ScaleOutcome> before;
  for (int i = 0; i < driver.scales.count(); ++i) before.push_back(driver.scales.get(i)->outcome);
  const std::vector<ScaleHolding> holdings = readBackScales(driver, file, imager);
  std::vector<std::vector<bool>> choices(holdings.size());
  readBack.assign(holdings.size(), {});
  for (size_t i = 0; i < holdings.size(); ++i) {
    ScaleEntry& scale = *driver.scales.get(static_cast<int>(i));
    scale.outcome = before[i];
    ChangedOnlyResult chosen = chooseRecords(driver.records.count(), file, holdings[i], choices[i]);
    if (chosen.wholeFile.empty()) {
      scale.sendOnly = &choices[i];
    } else if (err != nullptr) {
      std::fprintf(err, "tolvandrv: %s: --changed-only: the whole file goes: %s\n", scale.name.c_str(),
                   chosen.wholeFile.c_str());
    }
    readBack[i].changedOnly = chosen;
  }
  MessageCode result = sendToAllScales(driver, true);
  for (int i = 0; i < driver.scales.count(); ++i) driver.scales.get(i)->sendOnly = nullptr;
  return result;
}

}  // namespace tolvan

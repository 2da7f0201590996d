// What a simulated scale holds: the records it was sent, as the raw bytes
// it received, keyed by data type and record number, and its production
// totals per PLU, per hour and per operator. Written out at exit as a plain
// text dump, and read from the same text as a seed:
//
//   record type=<data type> no=<record number> hex=<raw bytes>
//   totals plu no=<plu> quantity=<n> weight=<n> price=<n>
//   totals hour no=<hour> quantity=<n> weight=<n> price=<n>
//   totals op no=<operator> quantity=<n> weight=<n> amount=<n>
//          discountvalue=<n> discountquant=<n> upoverwritevalue=<n> upoverwritequant=<n>
//
// Lines are sorted by type and number; '#' starts a comment line.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/sim_bytes.h"

namespace tolvan::sim {

enum class TotalsKind { Plu = 0, Hour = 1, Operator = 2 };
inline constexpr int kTotalsKinds = 3;
inline constexpr size_t kTotalsValues = 7;
// Values of one totals row: quantity, weight, price (or amount), then for
// operators discount value and quantity, up-overwrite value and quantity.
using TotalsValues = std::array<int64_t, kTotalsValues>;

class RecordStore {
 public:
  using Key = std::pair<int, int64_t>;

  void put(int dataType, int64_t number, Bytes bytes);
  // Number 0 is the "delete all" form: every record of the type goes.
  void erase(int dataType, int64_t number);
  // The records of one type in number order.
  std::vector<const Bytes*> ofType(int dataType) const;
  const Bytes* find(int dataType, int64_t number) const;
  size_t size() const { return records_.size(); }

  void setTotals(TotalsKind kind, int64_t number, const TotalsValues& values);
  void resetTotals(TotalsKind kind);
  const std::map<int64_t, TotalsValues>& totals(TotalsKind kind) const {
    return totals_[static_cast<int>(kind)];
  }

  std::string dumpText() const;
  // Adds what the text holds; false with the line number in `error` on a
  // line it cannot read.
  bool loadText(std::string_view text, std::string& error);

 private:
  bool loadLine(std::string_view line);

  std::map<Key, Bytes> records_;
  std::array<std::map<int64_t, TotalsValues>, kTotalsKinds> totals_;
};

}  // namespace tolvan::sim

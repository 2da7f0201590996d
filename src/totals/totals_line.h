// The export line of one totals record, as it goes into the scale's work
// file: the scale's configured name, then the values of the data type's
// columns after the first, each a signed decimal number, all joined by the
// run's separator and ended by CR LF. No quoting, no header.
#pragma once

#include <string>
#include <string_view>

namespace tolvan {

// `record` is a PluTotals, HourlyTotals or OperatorTotals as `dataType`
// selects (see buildTotalsColumns); an empty text for any other type.
std::string formatTotalsLine(std::string_view scaleName, char separator, int dataType, const void* record);

}  // namespace tolvan

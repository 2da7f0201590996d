// The data types of the driver: their numbers and keywords, and the
// classes a run needs (run types 1..16, totals types 11..15).
#pragma once

namespace tolvan {

enum class DataType : int {
  Unknown = 0,
  Plu = 1,
  ExMsg = 2,
  ExMsg2 = 3,
  ExMsg3 = 4,
  Coupon = 5,
  PriceCng = 6,
  MkdPriceCng = 7,
  Store = 8,
  Keyboard = 9,
  Nutrition = 10,
  PluProd = 11,
  HourlyProd = 12,
  OpProd = 13,
  NextDayProd = 14,
  RewrapProd = 15,
  Prod = 16,
  All = 17,
  App = 18,
  Format = 19,
  Logo = 20,
  ELog = 21,
  BatchLabel = 22,
  Op = 23,
  Therm = 24,
  Reserved25 = 25,
  Reserved26 = 26,
  Reserved27 = 27,
  Reserved28 = 28,
  Reserved29 = 29,
  Title = 30,
  Camp = 31,
  Scroll = 32,
  Config = 33,
};

inline constexpr int kDataTypeCount = 34;

// Keyword of a data type number; 34 and above (and negatives) give "unknown".
const char* dataTypeKeyword(int dataType);
// Exact, case-sensitive lookup among entries 1..33; "" or no match gives 0.
int dataTypeFromKeyword(const char* keyword);

inline bool isTotalsType(int dataType) { return dataType >= 11 && dataType <= 15; }
inline bool isRunType(int dataType) { return dataType >= 1 && dataType <= 16; }
inline bool isExMsgType(int dataType) { return dataType >= 2 && dataType <= 5; }

}  // namespace tolvan

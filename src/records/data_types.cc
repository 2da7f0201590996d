#include "records/data_types.h"

#include <cstring>

namespace tolvan {

namespace {

// Indexed by data type number; 25 to 29 have no keyword.
constexpr const char* kKeywords[kDataTypeCount] = {
    "unknown",  "plu",        "exmsg",       "exmsg2",     "exmsg3", "coupon", "pricecng",
    "mkdpricecng", "store",   "keyboard",    "nutrition",  "pluprod", "hourlyprod", "opprod",
    "nextdayprod", "rewrapprod", "prod",     "all",        "app",    "format", "logo",
    "elog",     "batchlabel", "op",          "therm",      "",       "",       "",
    "",         "",           "title",       "camp",       "scroll", "config",
};

}  // namespace

const char* dataTypeKeyword(int dataType) {
  if (dataType < 0 || dataType >= kDataTypeCount) return kKeywords[0];
  return kKeywords[dataType];
}

int dataTypeFromKeyword(const char* keyword) {
  if (keyword == nullptr || keyword[0] == '\0') return 0;
  for (int type = 1; type < kDataTypeCount; ++type) {
    if (std::strcmp(keyword, kKeywords[type]) == 0) return type;
  }
  return 0;
}

}  // namespace tolvan

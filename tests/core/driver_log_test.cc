#include "core/driver_log.h"

#include <gtest/gtest.h>

#include <string>

#include "core/message_table.h"
#include "core/time_stamp.h"

namespace tolvan {
namespace {

TEST(MessageTable, TextsFormsAndLimits) {
  EXPECT_STRNE(messageText(43), "");  // the last message
  for (int outside : {44, 1000, -1}) EXPECT_STREQ(messageText(outside), "") << outside;
  std::string name(400, 'n');
  EXPECT_EQ(formatMessage(kMsgCannotOpenSetup, name.c_str()).size(), 255u);
  EXPECT_EQ(formatTimeStamp(LocalTime{2027, 1, 3, 7, 5, 9, 0}), "Sun Jan 03 07:05:09 2027");
}

}  // namespace
}  // namespace tolvan

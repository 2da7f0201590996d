// The real tolvandrv against simulated scales with extra messages and
// coupons: each type sent to a block and a message scale and exported back
// unchanged; and a "wmsmart" file mixing PLUs, PLU deletions and extra
// messages, sent whole to both families and kept whole for a refused scale.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace std::string_literals;
using testing::contains;

// The matches of the first group of `pattern` in `text`, in order.
std::vector<std::string> found(const std::string& text, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) out.push_back((*it)[1]);
  return out;
}

using ExMsgRun = testing::SimRunTest;

TEST_F(ExMsgRun, EachTypeComesBackAsItWentOutAndUnsupportedScalesStandAside) {
  const std::string messages = "Message_No,Desc\r\n7,Fresh today\r\n12,Half price\r\n";
  h.writeFile("messages.csv", messages);
  start("scale=Blk,port=0,model=vt30,version=nz,simdump=blk.dump\nscale=Msg,port=0,model=vt40\n");
  for (std::string type : {"exmsg", "exmsg2", "exmsg3", "coupon"}) {
    const bool block = type == "exmsg" || type == "coupon";
    // A scale that does not take the type makes either run a partial one: exit status 50.
    EXPECT_EQ(run({"-u", "-f" + type, "messages.csv"}).exitStatus, block ? 0 : 50) << h.driverLog();
    EXPECT_EQ(run({"-v", "-f" + type, type + ".csv"}).exitStatus, block ? 0 : 50) << h.driverLog();
    EXPECT_EQ(h.readFile(type + ".csv"), messages) << type;
    EXPECT_EQ(contains(h.driverLog(), " Error 0017:Import data type [" + type + "] not supported by scale : Blk"),
              !block);
  }
  stop();
  // Record code, message 7 in the two digits of "maxexmsg" 99, the text.
  EXPECT_EQ(found(h.readFile("blk.dump"), "type=[25] no=7 hex=([0-9a-f]{16})"),
            (std::vector<std::string>{"3335303130374672", "3631303230374672"}));
}

TEST_F(ExMsgRun, MixedWmsmartFileReachesBothFamiliesWholeAndARefusedScaleKeepsItWhole) {
  // PLU 1, deletion of PLU 2, PLU 3, extra message 7 over two lines.
  h.writeFile("mixed.txt", "bc0\x1fp#1\x1fu$1.00\x1f" "dtApple\r\n\x1e\r\np#2\r\nbc0\x1fp#3\x1fu$3.00\r\n"
                           "r#7\x1frtHello\r\nWorld\r\n\x1e\r\n");
  const std::string late = "scale=Late,port=0,model=vt40,resend=late.rsd";
  start("scale=Blk,port=0,model=vt30,version=usa,simdump=blk.dump\n"
        "scale=Msg,port=0,model=meriopro,simdump=msg.dump,simtranscript=msg.sim\n" + late + ",simfault=refuse\n");
  EXPECT_EQ(run({"-u", "-swmsmart", "mixed.txt"}).exitStatus, 50) << h.driverLog();
  stop();
  EXPECT_TRUE(contains(h.driverLog(), ":3 additions and 1 deletions imported: Data sent OK to 2 scale(s)."));
  // One message per connection: start, PLU, deletion, PLU, extra message, end.
  EXPECT_EQ(found(h.readFile("msg.sim"), "accepted[\\s\\S]*?Bytes\r\n([0-9a-f]{2}) "),
            (std::vector<std::string>{"80", "30", "00", "30", "32", "81"}));
  for (const char* dump : {"blk.dump", "msg.dump"}) {
    EXPECT_EQ(found(h.readFile(dump), "type=([0-9]+ no=[0-9]+) "),
              (std::vector<std::string>{"1 no=1", "1 no=3", "2 no=7"})) << dump;
  }

  // The resend file: entry headers (type, mode, length) and the records.
  const std::string resend = h.readFile("late.rsd");
  ASSERT_EQ(resend.size(), 2 * (12 + 2196) + (12 + 8) + (12 + 2056));
  EXPECT_EQ(resend.substr(2208, 20), "\x01\0\x02\0\x08\0\0\0\0\0\0\0\x01\0\0\0\x02\0\0\0"s);
  EXPECT_EQ(resend.substr(4436, 37),
            "\x02\0\x01\0\x08\x08\0\0\0\0\0\0\x07\0\0\0\x02\0\x3c\0\x1b" "C0Hello\x1b" "C0World\0"s);
  start(late + "\n");
  EXPECT_EQ(run({"-r", "-v", "-fexmsg", "back.csv"}).exitStatus, 0) << h.driverLog();
  stop();
  EXPECT_EQ(h.readFile("back.csv"), "Message_No,Desc\r\n7,\x1b" "C0Hello\x1b" "C0World\r\n");
}

}  // namespace
}  // namespace tolvan

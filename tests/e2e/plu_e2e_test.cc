// The real tolvandrv sending PLUs to simulated scales of both families and
// taking them back: what the scales keep after additions, deletions and
// delete-all; an export that holds every PLU once, whichever scale
// answered first and even when the scales disagree; scales that report
// errors or refuse connections, and their resend files sent first on a
// later run; and a large import cut into batches of 100 records, each on a
// connection of its own.

#include <algorithm>
#include <cstdio>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace std::string_literals;
using namespace testing;

// Three PLUs; in key order 101, 102, 205. As message-family records they
// are 8 + 82 + 12, 8 + 82 + 10 and 8 + 82 + 10 bytes long.
constexpr const char* kPluFile =
    "Plu_No,ItemCode,UnitPrice,Dept,Group,Tare,ShelfLife,SalesMode,PosCode,Desc\r\n"
    "205,205,1.95,2,20,0,2,1,2000205,\"Bread Roll\"\r\n"
    "101,101,4.99,1,10,5,3,0,2000101,\"Swiss Cheese\"\r\n"
    "102,102,12.50,1,10,5,5,0,2000102,\"Smoked Ham\"\r\n";

// The PLU numbers a scale's dump holds, in number order.
std::string pluNumbers(const std::string& dump) {
  std::string numbers;
  for (const std::string& n : found(dump, "record type=1 no=([0-9]+) ")) numbers += n + " ";
  return numbers;
}

// Block scales over TCP and UDP and two message scales.
const char* const kFour[][2] = {{"Tcp", "model=vt30,version=usa"}, {"Udp", "model=pmx,protocol=udp"},
                                {"Merio", "model=meriopro,simtranscript=merio.sim"}, {"Forty", "model=vt40"}};

class PluRun : public SimRunTest {
 protected:
  // Each seeded with what it held at the end of the run before when `seeded`.
  void startFour(bool seeded) {
    std::string config;
    for (const auto& [name, model] : kFour) {
      config += scaleLine(name, model + ",simdump="s + name + ".dump" + (seeded ? ",simseed="s + name + ".seed" : ""));
    }
    start(config);
  }
};

// File names with spaces and letters beyond ASCII, which Windows takes in
// UTF-16 and the driver in UTF-8.
TEST_F(PluRun, BothFamiliesKeepTheSameRecordsAndTheExportHoldsEachPluOnce) {
  h.writeFile("Käse Liste.csv", kPluFile);
  startFour(false);
  EXPECT_EQ(run({"-u", "Käse Liste.csv"}).exitStatus, 0) << h.driverLog();
  EXPECT_TRUE(
      contains(h.driverLog(), ":3 additions and 0 deletions imported: Data sent OK to all scales (4 scale(s)).\r\n"));
  stop();
  for (const auto& [name, model] : kFour) {
    EXPECT_EQ(pluNumbers(h.readFile(name + ".dump"s)), "101 102 205 ") << name;
  }
  // Record header of message 30 with a body of 94 bytes, then the PLU
  // number as 8 packed digits, the sales mode and the unit price.
  const std::vector<std::string> plu101 = found(h.readFile("Merio.dump"), "type=1 no=101 hex=([0-9a-f]*)");
  ASSERT_EQ(plu101.size(), 1u);
  EXPECT_EQ(plu101[0].substr(0, 34), "3000000000005e00" "00000101" "00" "00000499");
  EXPECT_EQ(plu101[0].size(), 2u * (8 + 82 + 12));
  EXPECT_EQ(found(h.readFile("Forty.dump"), "type=1 no=101 hex=([0-9a-f]*)"), plu101);
  // All three go in one message: header of message 30 with 302 bytes.
  EXPECT_TRUE(contains(h.readFile("merio.sim"), " Bytes\r\n30 00 00 00 2e 01 00 00 ")) << h.readFile("merio.sim");

  // The message scales disagree about the price of 101.
  for (const char* name : {"Tcp", "Udp", "Merio"}) h.writeFile(name + ".seed"s, h.readFile(name + ".dump"s));
  std::string other = h.readFile("Forty.dump");
  other.replace(other.find("no=101 hex=") + 11 + 26, 8, "00000777");
  h.writeFile("Forty.seed", other);
  h.writeFile("delete.csv", "RecNo\r\n102\r\n");
  startFour(true);
  EXPECT_EQ(run({"-d", "delete.csv"}).exitStatus, 0);
  EXPECT_TRUE(contains(h.driverLog(), "0 additions and 1 deletions imported: Data sent OK to all scales (4 scale(s))"));
  EXPECT_EQ(run({"-v", "-t", "Export ö.tsv"}).exitStatus, 0);
  EXPECT_EQ(run({"-a", "-fplu"}).exitStatus, 0);
  stop();
  for (const auto& [name, model] : kFour) EXPECT_EQ(pluNumbers(h.readFile(name + ".dump"s)), "");

  // No scale still holds 102; which copy of 101 arrives first depends on
  // the scales' timing.
  const std::string exported = h.readFile("Export ö.tsv");
  EXPECT_TRUE(exported.starts_with("Plu_No\tItemCode\tUnitPrice\t")) << exported;
  std::vector<std::string> plus = found(exported, "\n([0-9]+)\t");
  std::sort(plus.begin(), plus.end());
  EXPECT_EQ(plus, (std::vector<std::string>{"101", "205"})) << exported;
  const std::vector<std::string> price = found(exported, "\n101\t[0-9]+\t([0-9]+)\t");
  EXPECT_TRUE(price == std::vector<std::string>{"499"} || price == std::vector<std::string>{"777"}) << exported;
  EXPECT_TRUE(std::regex_search(exported, std::regex("\n205\t22000205\t195\t[0-9\t]+\tBread Roll\r\n"))) << exported;
}

// A scale that answers a batch with the error flag keeps nothing; its scale
// log tells why, and it gets no resend file (it was reached). A refused
// scale makes the per-scale report appear, naming all three; on the next
// run its resend file goes first and is deleted. Without a failed scale the
// summary names none, though the exit status tells of the refusal.
TEST_F(PluRun, ScalesReportingErrorsOrRefusingAreNamedAndTheResendFileGoesFirstNextTime) {
  h.writeFile("plu.csv", kPluFile);
  const std::string coded = "log=coded.log,resend=coded.rsd,simdump=coded.dump,simfault=error:";
  const std::string gone = "model=vt40,log=gone.log,resend=gone.rsd,";
  start(scaleLine("Good", "model=meriopro,simdump=good.dump") + scaleLine("Coded", "model=vt40," + coded + "7") +
        scaleLine("Counted", "model=meriopro,log=counted.log,simfault=counts:3:2:1,simdump=counted.dump") +
        scaleLine("Gone", gone + "simfault=refuse"));
  EXPECT_EQ(run({"-u", "plu.csv"}).exitStatus, 50);
  stop();
  std::string log = h.driverLog();
  EXPECT_TRUE(contains(log, ":3 additions and 0 deletions imported: Data sent OK to 3 scale(s). Errors ocurred on 1 "
                            "scale(s) (see below)\r\n")) << log;
  for (const char* name : {"Coded", "Counted", "Gone"}) {
    EXPECT_TRUE(contains(log, " Error 0032:Error occurred on scale ["s + name + "] - See scale log file for details\r"))
        << name;
  }
  EXPECT_FALSE(contains(log, "[Good]"));
  EXPECT_TRUE(contains(log, ":Tolvan scale driver completed OK\r\n"));
  EXPECT_TRUE(contains(h.readFile("coded.log"), " Error - Error occurred on scale (Error Code = 7)\r\n\r\n"));
  EXPECT_TRUE(contains(h.readFile("gone.log"), " Error - Cannot connect to scale: 127.0.0.1 (Port = "));
  EXPECT_TRUE(contains(h.readFile("counted.log"),
                       " Error - Data error reported by scale (Scale received 3 records with 1 errors)\r\n\r\n"));
  EXPECT_EQ(pluNumbers(h.readFile("good.dump")), "101 102 205 ");
  EXPECT_EQ(pluNumbers(h.readFile("coded.dump")), "");
  EXPECT_EQ(pluNumbers(h.readFile("counted.dump")), "");
  EXPECT_FALSE(h.fileExists("coded.rsd"));
  // Each entry: PLU (1), addition (1), 2196 bytes, reserved; then the
  // record, its number first, in key order.
  const std::string resend = h.readFile("gone.rsd");
  ASSERT_EQ(resend.size(), 3u * (12 + 2196));
  for (size_t entry = 0; entry < 3; ++entry) {
    EXPECT_EQ(resend.substr(entry * 2208, 12), "\x01\0\x01\0\x94\x08\0\0\0\0\0\0"s) << entry;
    EXPECT_EQ(static_cast<unsigned char>(resend[entry * 2208 + 12]), (std::vector<int>{101, 102, 205}[entry]));
  }

  h.writeFile("fresh.csv", "Plu_No,UnitPrice,Desc\r\n300,3.00,Fresh\r\n");
  h.writeFile(testing::SimHarness::kDriverLog, "");
  start(scaleLine("Coded", "model=meriopro," + coded + "9") + scaleLine("Gone", gone + "simdump=gone.dump"));
  EXPECT_EQ(run({"-r", "-u", "fresh.csv"}).exitStatus, 50);
  stop();
  EXPECT_TRUE(
      contains(h.driverLog(), ":1 additions and 0 deletions imported: Data sent OK to all scales (2 scale(s)).\r\n"));
  EXPECT_FALSE(contains(h.driverLog(), " Error 0032:")) << h.driverLog();
  EXPECT_TRUE(contains(h.readFile("coded.log"), " Error - Error occurred on scale (Error Code = 9)\r\n\r\n"));
  EXPECT_FALSE(h.fileExists("gone.rsd"));
  EXPECT_EQ(pluNumbers(h.readFile("gone.dump")), "101 102 205 300 ");
  // The three resent records go out before the run's own record (8 + 82 +
  // 6: the scale takes descriptions of even length).
  const std::string scaleLog = h.readFile("gone.log");
  const size_t resentAt = scaleLog.find(":Msg = 30 Size = 302\r\n");
  ASSERT_NE(resentAt, std::string::npos) << scaleLog;
  EXPECT_LT(resentAt, scaleLog.find(":Msg = 30 Size = 96\r\n"));
}

TEST_F(PluRun, ThousandPlusGoInTenBatchesOnConnectionsOfTheirOwn) {
  std::string plus = "Plu_No,UnitPrice,Desc\r\n";
  for (int n = 1; n <= 1000; ++n) {
    char line[64];
    std::snprintf(line, sizeof line, "%d,1.%02d,Item%04d\r\n", n, n % 100, n);
    plus += line;
  }
  h.writeFile("plu.csv", plus);
  start(scaleLine("Big", "model=vt40,simtranscript=big.sim,simdump=big.dump"));
  EXPECT_EQ(run({"-u", "plu.csv"}).exitStatus, 0) << h.driverLog();
  stop();
  const std::vector<std::string> kept = found(h.readFile("big.dump"), "type=1 no=[0-9]+ hex=([0-9a-f]*)");
  ASSERT_EQ(kept.size(), 1000u);
  // Every record: 8-byte record header, 82 bytes, the 8 description bytes.
  for (size_t i = 0; i < kept.size(); ++i) ASSERT_EQ(kept[i].size(), 2u * 98) << i;
  // Start of session, ten batches of 100 records of 98 bytes (a body of
  // 0x2648 bytes), end of session: twelve connections, each with the first
  // bytes the driver sent on it.
  std::vector<std::string> first = found(h.readFile("big.sim"), "accepted[\\s\\S]*?Bytes\r\n([0-9a-f ]{23})");
  std::vector<std::string> expected(12, "30 00 00 00 48 26 00 00");
  expected.front() = "80 00 00 00 00 00 00 00";
  expected.back() = "81 00 00 00 00 00 00 00";
  EXPECT_EQ(first, expected);
}

}  // namespace
}  // namespace tolvan

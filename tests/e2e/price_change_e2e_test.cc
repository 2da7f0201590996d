// The real tolvandrv against simulated scales of both families with price
// changes and markdown price changes: what each scale keeps, and how the
// scales that cannot take a kind, a deletion or a receive of it are
// reported while the others go on.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::DriverRun;
using testing::contains;
using testing::countOf;

// The records of one data type in a simulator dump: number to hex bytes.
std::map<long, std::string> dumpRecords(const std::string& dump, int dataType) {
  std::map<long, std::string> records;
  std::regex line("record type=([0-9]+) no=([0-9]+) hex=([0-9a-f]*)");
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), line); it != std::sregex_iterator(); ++it) {
    if (std::stoi((*it)[1]) == dataType) records[std::stol((*it)[2])] = (*it)[3];
  }
  return records;
}

std::string hexOf(const std::string& text) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

std::string scaleLine(const std::string& name, const std::string& settings) {
  return "scale=" + name + ",port=0,receivetimeout=10,log=" + name + ".log,simdump=" + name + ".dump," + settings +
         "\n";
}

// Five scales: three block scales of different versions (one over UDP) and
// both message models.
std::string fiveScales() {
  return scaleLine("Usa", "model=vt30,version=usa") + scaleLine("Nz", "model=pmx,version=nz,protocol=udp") +
         scaleLine("Thai", "model=lm50,version=thailand") + scaleLine("Forty", "model=vt40,version=nz") +
         scaleLine("Merio", "model=meriopro,version=nz");
}

std::string notSupported(const std::string& keyword, const std::string& scale) {
  return "Error 0017:Import data type [" + keyword + "] not supported by scale : " + scale + "\r\n";
}

constexpr const char* kRefused = "";  // the scale refuses the kind: message 17, nothing kept

struct KindCase {
  const char* keyword;
  int dataType;
  const char* importFile;
  std::map<std::string, std::string> recordOf42;  // by scale: hex of what it keeps, or kRefused
};

class PriceChangeRun : public testing::SimRunTest {};

TEST_F(PriceChangeRun, EachScaleKeepsTheRecordOfItsFamilyAndVersionOrRefusesTheKind) {
  const KindCase cases[] = {
      {"pricecng", 6, "Plu_No,UnitPrice\r\n42,1.99\r\n7,2.50\r\n",
       {{"Usa", hexOf("31000042000199")},
        {"Nz", hexOf("3101000042000199")},
        {"Thai", hexOf("660200004200000199")},
        {"Forty", "2300000000000900" "00000042" "00" "00000199"},
        {"Merio", kRefused}}},
      {"mkdpricecng", 7, "Plu_No,MarkFlag,MarkPrice\r\n42,1,1.50\r\n7,0,2\r\n",
       {{"Usa", hexOf("32000042100150")},
        {"Nz", hexOf("3201000042100150")},
        {"Thai", hexOf("67020000421000150")},
        {"Forty", kRefused},
        {"Merio", kRefused}}},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.keyword);
    h.writeFile("changes.csv", c.importFile);
    start(fiveScales());
    DriverRun r = run({"-u", std::string("-f") + c.keyword, "changes.csv"});
    stop();
    EXPECT_EQ(r.exitStatus, 0) << h.driverLog();
    const std::string log = h.driverLog();
    EXPECT_TRUE(contains(log, ":2 additions and 0 deletions imported: Data sent OK to all scales (5 scale(s)).\r\n"))
        << log;
    for (const auto& [scale, hex] : c.recordOf42) {
      std::map<long, std::string> kept = dumpRecords(h.readFile(scale + ".dump"), c.dataType);
      if (hex == kRefused) {
        EXPECT_TRUE(kept.empty()) << scale;
        EXPECT_TRUE(contains(log, notSupported(c.keyword, scale))) << scale;
      } else {
        EXPECT_EQ(kept.size(), 2u) << scale;
        EXPECT_EQ(kept[42], hex) << scale;
        EXPECT_FALSE(contains(log, notSupported(c.keyword, scale))) << scale;
      }
    }
  }
}

// The fixed-width format reads price changes too; deleting and receiving
// them is refused, per scale, without ending the run.
TEST_F(PriceChangeRun, FixedWidthImportThenRefusedDeletionAndReceive) {
  h.writeFile("changes.txt", "00004300002.50\r\n");
  h.writeFile("delete.csv", "RecNo\r\n43\r\n");
  start(scaleLine("Usa", "model=vt30,version=usa") + scaleLine("Forty", "model=vt40,version=nz"));
  DriverRun added = run({"-u", "-fpricecng", "-sseasia", "changes.txt"});
  EXPECT_EQ(added.exitStatus, 0) << h.driverLog();

  // The block scale refuses deletions of the kind outright; the message
  // scale is started and cannot convert the deletion.
  DriverRun deleted = run({"-d", "-fpricecng", "delete.csv"});
  EXPECT_EQ(deleted.exitStatus, 0) << h.driverLog();
  EXPECT_EQ(countOf(h.driverLog(), notSupported("pricecng", "Usa")), 1u) << h.driverLog();
  EXPECT_TRUE(contains(h.driverLog(),
                       ":0 additions and 1 deletions imported: Data sent OK to all scales (2 scale(s)).\r\n"));
  EXPECT_TRUE(contains(h.readFile("Forty.log"), " Error - Error converting to scale data format for line 1\r\n"))
      << h.readFile("Forty.log");

  // Neither scale can be asked for price changes: the message scale finds
  // that out in its worker and fails the receive.
  run({"-v", "-fpricecng", "export.csv"});
  stop();
  EXPECT_EQ(countOf(h.driverLog(), notSupported("pricecng", "Usa")), 2u);
  EXPECT_TRUE(contains(h.readFile("Forty.log"), " Error - Import data type [pricecng] not supported by scale : Forty"));
  EXPECT_TRUE(contains(h.driverLog(), ":Tolvan scale driver error : Error code 17\r\n")) << h.driverLog();

  EXPECT_EQ(dumpRecords(h.readFile("Usa.dump"), 6), (std::map<long, std::string>{{43, hexOf("31000043000250")}}));
  EXPECT_EQ(dumpRecords(h.readFile("Forty.dump"), 6),
            (std::map<long, std::string>{{43, "2300000000000900" "00000043" "00" "00000250"}}));
}

}  // namespace
}  // namespace tolvan

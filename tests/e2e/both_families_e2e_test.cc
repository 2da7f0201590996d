// The real tolvandrv against simulated scales of both families at once: a
// block scale over TCP ("vt30"), a block scale over UDP ("pmx") and a
// message scale ("vt40") take the same PLUs and give them back, and the
// export holds every PLU once, whichever scale answered first, even when
// the scales disagree about a PLU or one of them cannot be reached.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::DriverRun;
using testing::SimHarness;
using testing::contains;
using testing::countOf;

constexpr const char* kPluFile =
    "Plu_No,ItemCode,UnitPrice,Dept,Group,Tare,ShelfLife,SalesMode,PosCode,Desc\r\n"
    "101,101,4.99,1,10,5,3,0,2000101,\"Swiss Cheese\"\r\n"
    "102,102,12.50,1,10,5,5,0,2000102,\"Smoked Ham\"\r\n"
    "205,205,1.95,2,20,0,2,1,2000205,\"Bread Roll\"\r\n";

std::vector<std::string> split(const std::string& text, const std::string& by) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at = text.find(by); at != std::string::npos; at = text.find(by, from)) {
    parts.push_back(text.substr(from, at - from));
    from = at + by.size();
  }
  parts.push_back(text.substr(from));
  return parts;
}

// An export read back: its header columns and its lines by PLU number,
// counting how often each number came. Every line must end with CR LF.
struct ExportFile {
  std::vector<std::string> columns;
  std::map<std::string, std::vector<std::string>> byPlu;
  std::map<std::string, int> timesSeen;
  bool crLfOnly = false;

  ExportFile(const std::string& bytes, const std::string& separator) {
    crLfOnly = bytes.ends_with("\r\n") && countOf(bytes, "\n") == countOf(bytes, "\r\n") &&
               countOf(bytes, "\r") == countOf(bytes, "\r\n");
    std::vector<std::string> lines = split(bytes, "\r\n");
    for (size_t i = 0; i < lines.size(); ++i) {
      std::vector<std::string> fields = split(lines[i], separator);
      if (i == 0) columns = fields;
      if (i == 0 || lines[i].empty()) continue;
      byPlu[fields[0]] = fields;
      ++timesSeen[fields[0]];
    }
  }
  // The value of a named column on a PLU's line; empty when there is none.
  std::string column(const std::string& plu, const std::string& name) const {
    auto line = byPlu.find(plu);
    for (size_t i = 0; line != byPlu.end() && i < columns.size() && i < line->second.size(); ++i) {
      if (columns[i] == name) return line->second[i];
    }
    return "";
  }
};

class BothFamiliesRun : public testing::SimRunTest {
 protected:
  // The three scales, each with what it held at the end of a run before.
  static std::string threeScales(const std::string& seeds) {
    auto seed = [&](const std::string& name) { return seeds.empty() ? "" : ",simseed=" + name + seeds; };
    return "scale=Tcp,port=0,model=vt30,version=usa,receivetimeout=10,simdump=tcp.dump" + seed("tcp") + "\n" +
           "scale=Udp,port=0,model=pmx,protocol=udp,receivetimeout=10,simdump=udp.dump" + seed("udp") + "\n" +
           "scale=Msg,port=0,model=vt40,receivetimeout=10,simdump=msg.dump" + seed("msg") + "\n";
  }
  void sendSamplePlus() {
    h.writeFile("plu.csv", kPluFile);
    DriverRun sent = run({"-u", "plu.csv"});
    EXPECT_EQ(sent.exitStatus, 0) << h.driverLog();
    EXPECT_TRUE(
        contains(h.driverLog(), ":3 additions and 0 deletions imported: Data sent OK to all scales (3 scale(s)).\r\n"))
        << h.driverLog();
  }
};

TEST_F(BothFamiliesRun, SentPlusComeBackOnceFromAllThreeScales) {
  start(threeScales(""));
  sendSamplePlus();
  DriverRun received = run({"-v", "export.csv"});
  stop();
  EXPECT_EQ(received.exitStatus, 0) << h.driverLog();
  EXPECT_TRUE(contains(h.driverLog(), ":Receive plu data from scales and export to file export.csv\r\n"));

  ExportFile exported(h.readFile("export.csv"), ",");
  EXPECT_TRUE(exported.crLfOnly);
  ASSERT_FALSE(exported.columns.empty());
  EXPECT_EQ(exported.columns.front(), "Plu_No");
  EXPECT_EQ(exported.timesSeen, (std::map<std::string, int>{{"101", 1}, {"102", 1}, {"205", 1}}))
      << h.readFile("export.csv");
  EXPECT_EQ(exported.column("101", "UnitPrice"), "499");
  EXPECT_EQ(exported.column("102", "UnitPrice"), "1250");
  EXPECT_EQ(exported.column("205", "Desc"), "Bread Roll");
  EXPECT_EQ(exported.column("101", "Tare"), "5");
}

// Gives the message scale's copy of PLU 101 another unit price (the body
// holds the price as 8 packed digits behind the number and the sales mode).
std::string withOtherPrice(const std::string& dump) {
  std::string changed;
  for (const std::string& line : split(dump, "\n")) {
    if (line.empty()) continue;
    std::string copy = line;
    const std::string key = "record type=1 no=101 hex=";
    if (copy.rfind(key, 0) == 0 && copy.size() >= key.size() + 34) copy.replace(key.size() + 26, 8, "00000777");
    changed += copy + "\n";
  }
  return changed;
}

TEST_F(BothFamiliesRun, DisagreeingAndRefusingScalesStillGiveOneLinePerPlu) {
  start(threeScales(""));
  sendSamplePlus();
  stop();
  h.writeFile("tcp.seed", h.readFile("tcp.dump"));
  h.writeFile("udp.seed", h.readFile("udp.dump"));
  std::string other = withOtherPrice(h.readFile("msg.dump"));
  ASSERT_TRUE(contains(other, "hex=3000000000005e00000001010000000777")) << other;
  h.writeFile("msg.seed", other);

  start(threeScales(".seed") + "scale=Gone,port=0,model=vt30,receivetimeout=10,log=gone.log,simfault=refuse\n");
  DriverRun received = run({"-v", "-t", "export.tsv"});
  stop();
  EXPECT_EQ(received.exitStatus, 50) << h.driverLog();
  std::string log = h.driverLog();
  EXPECT_TRUE(contains(log, ": Error 0032:Error occurred on scale [Gone] - See scale log file for details\r\n")) << log;
  EXPECT_EQ(countOf(log, " Error 0032:"), 1u) << log;
  EXPECT_TRUE(contains(h.readFile("gone.log"), " Error - Cannot connect to scale: 127.0.0.1 (Port = "));

  std::string bytes = h.readFile("export.tsv");
  EXPECT_FALSE(contains(bytes, ",")) << bytes;
  ExportFile exported(bytes, "\t");
  EXPECT_TRUE(exported.crLfOnly);
  ASSERT_GT(exported.columns.size(), 3u);
  EXPECT_EQ(exported.columns[0], "Plu_No");
  EXPECT_EQ(exported.columns[2], "UnitPrice");
  EXPECT_EQ(exported.timesSeen, (std::map<std::string, int>{{"101", 1}, {"102", 1}, {"205", 1}})) << bytes;
  // Which copy of 101 arrives first depends on the scales' timing.
  std::string price = exported.column("101", "UnitPrice");
  EXPECT_TRUE(price == "499" || price == "777") << price;
  EXPECT_EQ(exported.column("102", "UnitPrice"), "1250");
}

}  // namespace
}  // namespace tolvan

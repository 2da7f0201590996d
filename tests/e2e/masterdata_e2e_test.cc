// The real tolvandrv with every kind of master data against one simulated
// store of block- and message-family scales: what each scale keeps after
// an import, which scales stand aside with 17 while the others go on, and
// that what a receive exports imports again as it was; and a "wmsmart" file
// mixing PLUs, PLU deletions and extra messages.

#include <algorithm>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace std::string_literals;
using namespace testing;

const char* const kStore[][2] = {
    {"Usa", "model=vt30,version=usa"},        {"Nz", "model=pmx,version=nz,protocol=udp"},
    {"Chn", "model=pmx,version=china"},       {"Thai", "model=lm50,version=thailand"},
    {"Forty", "model=vt40,version=china"},    {"Merio", "model=meriopro,version=usa"},
};

struct Row {
  const char* type;
  const char* format;  // empty: the standard one
  std::string file;
  const char* imported;  // the run's exit status and the scales that answered 17
  const char* kept;      // each scale's records: type.number/size
  const char* received;  // null: the type is not received
  const char* exported;  // null: the import file again, in any order; else a line it must hold
  const char* keptAfterDeleteAll = nullptr;  // null: no delete-all run
};

const std::string kMessages = "Message_No,Desc\r\n7,Fresh today\r\n12,Half price\r\n";

const char* const kPriceChanges = "Usa 6 no=7/14 6 no=42/14; Nz 6 no=7/16 6 no=42/16; Chn 6 no=7/16 6 no=42/16; "
                                  "Thai 6 no=7/18 6 no=42/18; Forty 6 no=7/17 6 no=42/17; ";

const Row kRows[] = {
    {"pricecng", "standard", "Plu_No,UnitPrice\r\n42,1.99\r\n7,2.50\r\n", "50: Merio", kPriceChanges, nullptr, nullptr},
    {"pricecng", "seasia", "00004200001.99\r\n00000700002.50\r\n", "50: Merio", kPriceChanges, nullptr, nullptr},
    {"mkdpricecng", "", "Plu_No,MarkFlag,MarkPrice\r\n42,1,1.50\r\n7,0,2\r\n", "50: Forty Merio",
     "Usa 7 no=7/14 7 no=42/14; Nz 7 no=7/16 7 no=42/16; Chn 7 no=7/16 7 no=42/16; Thai 7 no=7/17 7 no=42/17; ",
     nullptr, nullptr},
    // One key page on "meriopro": keys 89 and 100 are refused line by line.
    {"keyboard", "", "Key_No,Type,Data\r\n5,1,123\r\n100,2,7\r\n89,3,45\r\n", "50:",
     "Usa 9 no=5/12 9 no=89/12 9 no=100/12; Nz 9 no=5/14 9 no=89/14 9 no=100/14; Chn 9 no=5/14 9 no=89/14 "
     "9 no=100/14; Thai 9 no=5/14 9 no=89/14 9 no=100/14; Forty 9 no=5/14 9 no=89/14 9 no=100/14; Merio 9 no=5/14; ",
     "50: Usa Nz Chn Thai", nullptr},
    // Block scales stop sending at store 11, the first they cannot take.
    {"store", "",
     "Store_No,Name_Font,Name_FontType,Name,Addr_Font,Addr_FontType,Address\r\n"
     "3,2,0,Bigmart,1,2,Main St\r\n11,1,0,Far Shop,1,0,North Road\r\n",
     "50:", "Usa 8 no=3/87; Nz 8 no=3/89; Chn 8 no=3/106; Thai 8 no=3/150; Forty 8 no=3/212 8 no=11/212; "
     "Merio 8 no=3/212 8 no=11/212; ", "50: Usa Nz Chn Thai", nullptr, ""},
    // Texts come back as the scales hold them: right-aligned, cut to their
    // fields; calories and energy only where the layout keeps them.
    {"nutrition", "",
     "Nutrition_No,ServeSize,ServeCont,ServeGram,ServeOz,Calories,EnergyKj,Content1,Percent1,Unit1,"
     "Content5,Percent5,Unit5,Percent12\r\n"
     "40,2 slices,4,56,2,120,502,1,2,1,20,1,0,0\r\n12,1 cup,2,228,8,250,1046,5,8,1,300,10,0,99\r\n",
     "50: Nz Chn", "Usa 10 no=12/126 10 no=40/126; Thai 10 no=12/43 10 no=40/43; Forty 10 no=12/99 10 no=40/99; "
     "Merio 10 no=12/99 10 no=40/99; ", "50: Nz Chn Thai", "\r\n12,     1 cup,   2,228,8,0,0,0,  5,8,1,",
     "Thai 10 no=12/43 10 no=40/43; "},
    // Block scales keep all three sets of extra messages as one type.
    {"exmsg", "", kMessages, "0:",
     "Usa 2 no=7/15 2 no=12/14; Nz 2 no=7/17 2 no=12/16; Chn 2 no=7/17 2 no=12/16; Thai 2 no=7/17 2 no=12/16; "
     "Forty 2 no=7/26 2 no=12/24; Merio 2 no=7/26 2 no=12/24; ", "0:", nullptr},
    {"exmsg2", "", kMessages, "50: Usa Nz Chn Thai", "Forty 3 no=7/26 3 no=12/24; Merio 3 no=7/26 3 no=12/24; ",
     "50: Usa Nz Chn Thai", nullptr},
    {"coupon", "", kMessages, "0:",
     "Usa 5 no=7/15 5 no=12/14; Nz 5 no=7/17 5 no=12/16; Chn 5 no=7/17 5 no=12/16; Thai 5 no=7/17 5 no=12/16; "
     "Forty 5 no=7/26 5 no=12/24; Merio 5 no=7/26 5 no=12/24; ", "0:", nullptr},
};

void startStore(SimHarness& h, const std::string& dump, const std::string& seed) {
  std::string config;
  for (const auto& [name, settings] : kStore) {
    const std::string seeded = seed.empty() ? "" : ",simseed="s + name + seed;
    config += testing::scaleLine(name, settings + ",simdump="s + name + dump + seeded);
  }
  ASSERT_TRUE(h.startSim(config)) << h.simOutput();
}

// Runs the driver on a fresh log: its exit status and the scales that did
// not take the type.
std::string outcome(SimHarness& h, const std::vector<std::string>& args) {
  h.writeFile(SimHarness::kDriverLog, "");
  std::string said = std::to_string(h.runDriver(args, 60).exitStatus) + ":";
  for (const auto& [name, settings] : kStore) {
    if (contains(h.driverLog(), "] not supported by scale : "s + name + "\r\n")) said += " "s + name;
  }
  return said;
}

// Every scale's records as its dump holds them.
std::string held(const SimHarness& h, const std::string& dump) {
  std::string all;
  for (const auto& [name, settings] : kStore) {
    std::string records;
    for (const std::string& r : found(h.readFile(name + dump), "record (type=[0-9]+ no=[0-9]+ hex=[0-9a-f]*)")) {
      records.append(" ").append(r, 5, r.find(" hex=") - 5).append("/");
      records.append(std::to_string((r.size() - r.find("hex=") - 4) / 2));
    }
    if (!records.empty()) all += name + records + "; ";
  }
  return all;
}

std::vector<std::string> sortedLines(const std::string& text) {
  std::vector<std::string> lines = found(text, "([^\n]*\n)");
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(MasterDataRun, EveryTypeReachesTheScalesThatTakeItAndComesBackAsImported) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.type + " "s + row.format);
    SimHarness h;
    h.writeFile("in.txt", row.file);
    startStore(h, ".dump", "");
    std::vector<std::string> args{"-u", "-f"s + row.type, "in.txt"};
    if (*row.format) args.insert(args.begin() + 2, "-s"s + row.format);
    EXPECT_EQ(outcome(h, args), row.imported) << h.driverLog();
    ASSERT_EQ(h.stopSim(), 0);
    EXPECT_EQ(held(h, ".dump"), row.kept);
    if (row.received == nullptr) continue;

    startStore(h, ".after", ".dump");
    EXPECT_EQ(outcome(h, {"-v", "-f"s + row.type, "out.txt"}), row.received) << h.driverLog();
    if (row.exported == nullptr) {
      EXPECT_EQ(sortedLines(h.readFile("out.txt")), sortedLines(row.file)) << h.readFile("out.txt");
    } else {
      EXPECT_TRUE(contains(h.readFile("out.txt"), row.exported)) << h.readFile("out.txt");
    }
    if (row.keptAfterDeleteAll != nullptr) outcome(h, {"-a", "-f"s + row.type});
    ASSERT_EQ(h.stopSim(), 0);
    if (row.keptAfterDeleteAll != nullptr) {
      EXPECT_EQ(held(h, ".after"), row.keptAfterDeleteAll);
    }
  }
}

TEST(MasterDataRun, MixedWmsmartFileReachesBothFamiliesWholeAndARefusedScaleKeepsItWhole) {
  SimHarness h;
  // PLU 1, deletion of PLU 2, PLU 3, extra message 7 over two lines.
  h.writeFile("mixed.txt", "bc0\x1fp#1\x1fu$1.00\x1f" "dtApple\r\n\x1e\r\np#2\r\nbc0\x1fp#3\x1fu$3.00\r\n"
                           "r#7\x1frtHello\r\nWorld\r\n\x1e\r\n");
  const std::string late = "scale=Late,port=0,model=vt40,resend=late.rsd";
  ASSERT_TRUE(h.startSim("scale=Blk,port=0,model=vt30,version=usa,simdump=blk.dump\n"
                         "scale=Msg,port=0,model=meriopro,simdump=msg.dump,simtranscript=msg.sim\n" +
                         late + ",simfault=refuse\n"));
  EXPECT_EQ(h.runDriver({"-u", "-swmsmart", "mixed.txt"}).exitStatus, 50) << h.driverLog();
  EXPECT_EQ(h.stopSim(), 0);
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
  ASSERT_TRUE(h.startSim(late + "\n"));
  EXPECT_EQ(h.runDriver({"-r", "-v", "-fexmsg", "back.csv"}).exitStatus, 0) << h.driverLog();
  EXPECT_EQ(h.stopSim(), 0);
  EXPECT_EQ(h.readFile("back.csv"), "Message_No,Desc\r\n7,\x1b" "C0Hello\x1b" "C0World\r\n");
}

}  // namespace
}  // namespace tolvan

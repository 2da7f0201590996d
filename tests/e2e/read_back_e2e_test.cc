// --verify and --changed-only against simulated scales of both families,
// for every type they give back: a scale seeded with part of a file, one
// record changed and one the file lacks. The verify must name each
// difference; --changed-only must send only the changed and missing
// records and leave each scale holding what a full send leaves.

#include <nlohmann/json.hpp>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace std::string_literals;
using namespace testing;

struct Row {
  const char* type;
  const char* header;
  const char* first;     // the file's line; the scale first holds `old` in its place
  const char* old;
  const char* second;    // held as the file has it
  const char* third;     // missing on the scale
  const char* extra;     // on the scale, not in the file
  const char* differs;   // what the verify says of the first record on the message scale
  const char* found;     // per scale: missing/differing/extra before, or why it is not read
  const char* sent;      // records --changed-only sends each scale
};

const Row kRows[] = {
    {"plu", "Plu_No,UnitPrice,Desc", "101,4.99,Swiss Cheese", "101,5.49,Swiss Cheese", "102,12.50,Smoked Ham",
     "205,1.95,Bread Roll", "999,1.00,Gone", R"(101 differs: UnitPrice file "499", scale "549")",
     "Blk 1/1/1 Msg 1/1/1", "Blk 2 Msg 2"},
    {"exmsg", "Message_No,Desc", "7,Fresh today", "7,Fresh yesterday", "12,Half price", "15,New", "40,Gone",
     R"(7 differs: Desc file "Fresh today", scale "Fresh yesterday")", "Blk 1/1/1 Msg 1/1/1", "Blk 2 Msg 2"},
    {"coupon", "Message_No,Desc", "7,Fresh today", "7,Fresh yesterday", "12,Half price", "15,New", "40,Gone",
     R"(7 differs: Desc file "Fresh today", scale "Fresh yesterday")", "Blk 1/1/1 Msg 1/1/1", "Blk 2 Msg 2"},
    {"exmsg3", "Message_No,Desc", "7,Fresh today", "7,Fresh yesterday", "12,Half price", "15,New", "40,Gone",
     R"(7 differs: Desc file "Fresh today", scale "Fresh yesterday")", "Blk - Msg 1/1/1", "Blk 0 Msg 2"},
    {"store", "Store_No,Name_Font,Name_FontType,Name,Addr_Font,Addr_FontType,Address", "3,2,0,Bigmart,1,2,Main St",
     "3,2,0,Bigmart,1,2,Old St", "5,1,0,Corner,1,0,Side Rd", "7,1,0,Far Shop,1,0,North Rd", "9,1,0,Shut,1,0,Nowhere",
     R"(3 differs: Address file "Main St", scale "Old St")", "Blk - Msg 1/1/1", "Blk 3 Msg 2"},
    {"keyboard", "Key_No,Type,Data", "5,1,123", "5,1,124", "6,2,7", "7,3,45", "9,1,1",
     R"(5 differs: Data file "123", scale "124")", "Blk - Msg 1/1/1", "Blk 3 Msg 2"},
    {"nutrition", "Nutrition_No,ServeSize,ServeGram,Content1,Percent1", "40,2 slices,56,1,2", "40,2 slices,57,1,2",
     "12,1 cup,228,5,8", "13,1 jar,300,2,9", "50,1 can,400,3,3", R"(40 differs: ServeGram file "56", scale "57")",
     "Blk 1/1/1 Msg 1/1/1", "Blk 2 Msg 2"},
};

// The record lines of a dump.
std::string records(const std::string& dump) {
  std::string out;
  for (const std::string& r : found(dump, "(record [^\n]*\n)")) out += r;
  return out;
}

// Per scale of a report: missing/differing/extra, or "-" when not read back.
std::string verified(const nlohmann::json& report) {
  std::string out;
  for (const auto& s : report["scales"]) {
    const auto& v = s["verify"];
    out += (out.empty() ? "" : " ") + s["name"].get<std::string>().substr(0, 3) + " ";
    out += v["readBack"] ? std::to_string(v["missing"].get<int>()) + "/" + std::to_string(v["differing"].get<int>()) +
                               "/" + std::to_string(v["extra"].get<int>())
                         : "-";
  }
  return out;
}

class ReadBackRun : public SimRunTest, public ::testing::WithParamInterface<Row> {
 protected:
  // Scales A are read back, scales B take the full file as the reference.
  void startStore() {
    std::string config;
    for (const char* set : {"A", "B"}) {
      config += scaleLine("Blk"s + set, "model=vt30,version=usa,simdump=Blk"s + set + ".dump");
      config += scaleLine("Msg"s + set, "model=vt40,simdump=Msg"s + set + ".dump");
    }
    start(config);
    const std::string all = h.readFile(SimHarness::kDriverConfig);
    for (const char* set : {"A", "B"}) {
      h.writeFile(set + ".cfg"s, found(all, "(scale=Blk"s + set + "[^\n]*\n)")[0] +
                                    found(all, "(scale=Msg"s + set + "[^\n]*\n)")[0]);
    }
  }
  nlohmann::json report(const char* name) { return nlohmann::json::parse(h.readFile(name), nullptr, false); }
};

TEST_P(ReadBackRun, VerifyNamesEveryDifferenceAndChangedOnlySendsOnlyThemToTheSameEnd) {
  const Row& row = GetParam();
  const std::string type = "-f"s + row.type;
  const std::string nl = "\r\n";
  h.writeFile("seed.csv", row.header + nl + row.old + nl + row.second + nl + row.extra + nl);
  h.writeFile("file.csv", row.header + nl + row.first + nl + row.second + nl + row.third + nl);
  startStore();
  run({"-u", type, "seed.csv"});

  DriverRun verify = run({"--verify", type, "file.csv", "A.cfg", "--report", "v.json"});
  EXPECT_EQ(verify.exitStatus, 50) << verify.output;
  EXPECT_EQ(verified(report("v.json")), row.found);
  EXPECT_TRUE(contains(verify.output, "MsgA: "s + row.differs + "\n")) << verify.output;

  DriverRun changed = run({"--changed-only", "-u", type, "file.csv", "A.cfg", "--report", "c.json"});
  EXPECT_EQ(changed.exitStatus, run({"-u", type, "file.csv", "B.cfg"}).exitStatus) << changed.output;
  std::string sent;
  const nlohmann::json changedReport = report("c.json");
  for (const auto& s : changedReport["scales"]) {
    sent += (sent.empty() ? "" : " ") + s["name"].get<std::string>().substr(0, 3) + " ";
    sent += std::to_string(s["sent"].get<int>());
  }
  EXPECT_EQ(sent, row.sent);
  stop();
  for (const char* scale : {"Blk", "Msg"}) {
    EXPECT_EQ(records(h.readFile(scale + "A.dump"s)), records(h.readFile(scale + "B.dump"s))) << scale;
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, ReadBackRun, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.type); });

}  // namespace
}  // namespace tolvan

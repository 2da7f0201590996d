// The real tolvandrv with store texts against simulated scales of both
// families: what each scale keeps, what a receive exports (block scales
// answer 17 and the others go on; the export is the import file again),
// and delete-all.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::contains;

constexpr const char* kStoreFile =
    "Store_No,Name_Font,Name_FontType,Name,Addr_Font,Addr_FontType,Address\r\n"
    "3,2,0,Bigmart,1,2,Main St\r\n"
    "11,1,0,Far Shop,1,0,North Road\r\n";

struct ScaleCase {
  const char* name;
  const char* settings;
  std::map<long, size_t> kept;  // store number to record size after the import
  bool receives;
};

// Block scales stop sending at store 11, the first they cannot take.
const std::vector<ScaleCase> kScales = {
    {"Blk", "model=vt30,version=usa", {{3, 87}}, false},
    {"Chn", "model=pmx,version=china", {{3, 106}}, false},
    {"Msg", "model=vt40,version=usa", {{3, 212}, {11, 212}}, true},
};

class StoreTextRun : public testing::SimRunTest {
 protected:
  void startScales(const std::string& suffix, bool seeded) {
    std::string config;
    for (const ScaleCase& s : kScales) {
      config += "scale=" + std::string(s.name) + ",port=0,receivetimeout=10," + s.settings + ",simdump=" + s.name +
                suffix + ".dump" + (seeded ? ",simseed=" + std::string(s.name) + ".dump" : "") + "\n";
    }
    start(config);
  }
  // Store number to record size, as the scale's dump holds them.
  std::map<long, size_t> kept(const ScaleCase& s, const std::string& suffix) {
    const std::string text = h.readFile(s.name + suffix + ".dump");
    std::map<long, size_t> sizes;
    std::regex line("record type=8 no=([0-9]+) hex=([0-9a-f]*)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it) {
      sizes[std::stol((*it)[1])] = (*it)[2].length() / 2;
    }
    return sizes;
  }
};

TEST_F(StoreTextRun, ImportReceiveReimportAndDeleteAll) {
  h.writeFile("store.csv", kStoreFile);
  startScales("", false);
  // The block scales' sends stopped early: exit status 50.
  EXPECT_EQ(run({"-u", "-fstore", "store.csv"}).exitStatus, 50) << h.driverLog();
  stop();
  for (const ScaleCase& s : kScales) EXPECT_EQ(kept(s, ""), s.kept) << s.name;

  startScales("-rx", true);
  run({"-v", "-fstore", "export.csv"});
  stop();
  for (const ScaleCase& s : kScales) {
    const std::string refusal = "Error 0017:Import data type [store] not supported by scale : " + std::string(s.name);
    EXPECT_EQ(contains(h.driverLog(), refusal), !s.receives) << h.driverLog();
  }
  // The export is the import file itself, so it imports again without loss.
  EXPECT_EQ(h.readFile("export.csv"), kStoreFile);

  startScales("-all", true);
  EXPECT_EQ(run({"-a", "-fstore"}).exitStatus, 0) << h.driverLog();
  stop();
  for (const ScaleCase& s : kScales) EXPECT_TRUE(kept(s, "-all").empty()) << s.name;
}

}  // namespace
}  // namespace tolvan

// The real tolvandrv against simulated scales of both families with price
// changes and markdown price changes: which scales keep them under their
// PLU numbers, and that the scales that cannot take a kind are reported
// while the others go on. The record bytes are pinned by the unit tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::contains;

class PriceChangeRun : public testing::SimRunTest {};

TEST_F(PriceChangeRun, EachScaleKeepsTheChangesOrRefusesTheKind) {
  const std::vector<std::string> scales{"Usa,model=vt30,version=usa", "Nz,model=pmx,version=nz,protocol=udp",
                                        "Thai,model=lm50,version=thailand", "Forty,model=vt40", "Merio,model=meriopro"};
  std::string config;
  for (const std::string& s : scales) config += "scale=" + s + ",port=0,simdump=" + s.substr(0, s.find(',')) + "\n";
  const std::tuple<std::string, std::string, std::string, std::vector<bool>> cases[] = {
      {"-fpricecng", "-sstandard", "Plu_No,UnitPrice\r\n42,1.99\r\n7,2.50\r\n", {true, true, true, true, false}},
      {"-fpricecng", "-sseasia", "00004200001.99\r\n00000700002.50\r\n", {true, true, true, true, false}},
      {"-fmkdpricecng", "-sstandard", "Plu_No,MarkFlag,MarkPrice\r\n42,1,1.50\r\n7,0,2\r\n",
       {true, true, true, false, false}},
  };
  for (const auto& [type, format, file, takes] : cases) {
    h.writeFile("changes.txt", file);
    h.writeFile(testing::SimHarness::kDriverLog, "");
    start(config);
    run({"-u", type, format, "changes.txt"});
    stop();
    const std::string log = h.driverLog();
    EXPECT_TRUE(contains(log, ":2 additions and 0 deletions imported: Data sent OK to all scales (5 scale(s))"));
    const std::string record = "record type=" + std::string(type == "-fpricecng" ? "6" : "7");
    for (size_t i = 0; i < scales.size(); ++i) {
      const std::string name = scales[i].substr(0, scales[i].find(','));
      const std::string dump = h.readFile(name);
      EXPECT_EQ(contains(dump, record + " no=7 ") && contains(dump, record + " no=42 "), takes[i]) << type << name;
      EXPECT_EQ(contains(log, "not supported by scale : " + name + "\r\n"), !takes[i]) << type << " " << name;
    }
  }
}

}  // namespace
}  // namespace tolvan

// The real tolvandrv with nutrition panels against simulated scales of both
// families and all three layouts: which scales take an import, a receive
// and a delete-all (the others answer 17 and never stop the rest), and that
// the export imports again to the same bytes wherever the layout carries
// the exported columns ("lm50" alone keeps calories and energy).
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::contains;
using testing::countOf;

constexpr const char* kNutritionFile =
    "Nutrition_No,ServeSize,ServeCont,ServeGram,ServeOz,Calories,EnergyKj,Content1,Percent1,Unit1,"
    "Content5,Percent5,Unit5,Percent12\r\n"
    "40,2 slices,4,56,2,120,502,1,2,1,20,1,0,0\r\n"
    "12,1 cup,2,228,8,250,1046,5,8,1,300,10,0,99\r\n";

struct ScaleCase {
  const char* name;
  const char* settings;
  size_t recordSize;
  bool imports;
  bool receives;  // and deletes
};

const std::vector<ScaleCase> kScales = {
    {"Vt30", "model=vt30,version=usa", 126, true, true},     {"Lm50", "model=lm50,version=china", 43, true, false},
    {"Pmx", "model=pmx,version=china", 0, false, false},     {"Merio", "model=meriopro,version=usa", 99, true, true},
    {"Forty", "model=vt40,version=china", 99, true, true},
};

class NutritionPanelRun : public testing::SimRunTest {
 protected:
  // One run on freshly started scales; each scale that does not take it is
  // named once with 17.
  void runOn(const std::string& suffix, bool seeded, const std::vector<std::string>& args, bool ScaleCase::*takes) {
    std::string config;
    for (const ScaleCase& s : kScales) {
      config += "scale=" + std::string(s.name) + ",port=0,receivetimeout=10," + s.settings + ",simdump=" + s.name +
                suffix + ".dump" + (seeded ? ",simseed=" + std::string(s.name) + ".dump" : "") + "\n";
    }
    start(config);
    h.writeFile(h.kDriverLog, "");
    run(args);
    stop();
    for (const ScaleCase& s : kScales) {
      const bool refused = contains(h.driverLog(), "Error 0017:Import data type [nutrition] not supported by scale : " +
                                                       std::string(s.name) + "\r\n");
      EXPECT_EQ(refused, !(s.*takes)) << s.name << h.driverLog();
    }
  }
  // Panel number to record size, as the scale's dump holds them.
  std::map<long, size_t> kept(const ScaleCase& s, const std::string& suffix) {
    const std::string dump = h.readFile(s.name + suffix + ".dump");
    std::map<long, size_t> sizes;
    std::regex line("record type=10 no=([0-9]+) hex=([0-9a-f]*)");
    for (auto it = std::sregex_iterator(dump.begin(), dump.end(), line); it != std::sregex_iterator(); ++it) {
      sizes[std::stol((*it)[1])] = (*it)[2].length() / 2;
    }
    return sizes;
  }
};

TEST_F(NutritionPanelRun, EachLayoutTakesWhatItSupports) {
  h.writeFile("nutrition.csv", kNutritionFile);
  runOn("", false, {"-u", "-fnutrition", "nutrition.csv"}, &ScaleCase::imports);
  for (const ScaleCase& s : kScales) {
    std::map<long, size_t> both = {{12, s.recordSize}, {40, s.recordSize}};
    if (!s.imports) both.clear();
    EXPECT_EQ(kept(s, ""), both) << s.name;
  }

  runOn("-rx", true, {"-v", "-fnutrition", "export.csv"}, &ScaleCase::receives);
  const std::string exported = h.readFile("export.csv");
  EXPECT_EQ(countOf(exported, "\r\n"), 3u) << exported;
  // Texts come back as the scales hold them: right-aligned, cut to their fields.
  EXPECT_TRUE(contains(exported, "\r\n12,     1 cup,   2,228,8,0,0,0,  5,8,1,")) << exported;

  runOn("-again", false, {"-u", "-fnutrition", "export.csv"}, &ScaleCase::imports);
  runOn("-all", true, {"-a", "-fnutrition"}, &ScaleCase::receives);
  for (const ScaleCase& s : kScales) {
    if (s.receives) {
      EXPECT_EQ(h.readFile(s.name + std::string("-again.dump")), h.readFile(s.name + std::string(".dump")));
    }
    EXPECT_EQ(kept(s, "-all").size(), s.imports && !s.receives ? 2u : 0u) << s.name;
  }
}

}  // namespace
}  // namespace tolvan

// The folders under src/ form layers: a folder includes only folders below
// it, never one above it or beside it. This reads every source file's
// includes and fails on the first that climbs, so a circle can never creep in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Top to bottom; the record kinds share one layer and stay out of each other.
const std::map<std::string, int> kLayer = {
    {"app", 8},  {"link", 7},        {"files", 6},  {"dispatch", 5}, {"plu", 4}, {"masterdata", 4},
    {"totals", 4}, {"records", 3}, {"text", 2}, {"core", 1},     {"platform", 0},
};

struct Climb {
  std::string file;
  std::string included;
};

std::vector<Climb> climbsIn(const fs::path& srcRoot) {
  std::vector<Climb> climbs;
  const std::regex include(R"re(^\s*#\s*include\s+"([a-z_]+)/)re");
  for (const auto& entry : fs::recursive_directory_iterator(srcRoot)) {
    if (!entry.is_regular_file()) continue;
    auto ext = entry.path().extension();
    if (ext != ".h" && ext != ".cc") continue;
    std::string folder = fs::relative(entry.path(), srcRoot).begin()->string();
    std::ifstream in(entry.path());
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
      if (!std::regex_search(line, m, include)) continue;
      std::string target = m[1];
      if (target == folder) continue;
      auto from = kLayer.find(folder);
      auto to = kLayer.find(target);
      if (from == kLayer.end() || to == kLayer.end() || to->second >= from->second) {
        climbs.push_back({fs::relative(entry.path(), srcRoot).string(), target});
      }
    }
  }
  return climbs;
}

TEST(Layers, EveryFolderHasAPlaceInTheOrder) {
  for (const auto& entry : fs::directory_iterator(fs::path(TOLVAN_SOURCE_DIR) / "src")) {
    if (!entry.is_directory()) continue;
    EXPECT_TRUE(kLayer.count(entry.path().filename().string())) << entry.path();
  }
}

TEST(Layers, NoFolderIncludesOneAboveOrBesideIt) {
  for (const Climb& c : climbsIn(fs::path(TOLVAN_SOURCE_DIR) / "src")) {
    ADD_FAILURE() << c.file << " includes " << c.included << "/, which is not below it";
  }
}

TEST(Layers, AClimbingIncludeIsFound) {
  tolvan::testing::TempDir root;
  fs::create_directories(root.path() / "core");
  root.write("core/bad.h", "#include \"app/entry.h\"\n#include \"platform/clock.h\"\n");
  auto climbs = climbsIn(root.path());
  ASSERT_EQ(climbs.size(), 1u);
  EXPECT_EQ(climbs[0].included, "app");
}

}  // namespace

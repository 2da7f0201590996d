// The real tolvandrv against simulated scales of both families with
// keyboard layouts: which keys each scale keeps, and the keys that come
// back from the message scales as they were imported. The record bytes
// are pinned by the unit tests.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::contains;
using testing::countOf;

std::set<int> keysIn(const std::string& dump) {
  std::set<int> keys;
  std::regex line("record type=9 no=([0-9]+) ");
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), line); it != std::sregex_iterator(); ++it) {
    keys.insert(std::stoi((*it)[1]));
  }
  return keys;
}

class KeyboardRun : public testing::SimRunTest {};

TEST_F(KeyboardRun, KeysReachEveryScaleAndComeBackFromMessageScalesAsImported) {
  const std::map<std::string, std::set<int>> expected = {
      {"Usa,model=vt30,version=usa", {5, 89, 100}},
      {"Nz,model=pmx,version=nz,protocol=udp", {5, 89, 100}},
      {"Forty,model=vt40", {5, 89, 100}},
      {"Merio,model=meriopro", {5}},  // one key page: 89 and 100 are refused
  };
  std::string config;
  for (const auto& [s, keys] : expected) {
    const std::string name = s.substr(0, s.find(','));
    config += "scale=" + s + ",port=0,log=Log" + name + ",simdump=" + name + "\n";
  }
  const std::string keys = "Key_No,Type,Data\r\n5,1,123\r\n100,2,7\r\n89,3,45\r\n";
  h.writeFile("keys.csv", keys);
  start(config);
  run({"-u", "-fkeyboard", "keys.csv"});
  EXPECT_EQ(countOf(h.readFile("LogMerio"), "Error converting to scale data format for line "), 2u);
  run({"-v", "-fkeyboard", "export.csv"});
  stop();
  const std::string log = h.driverLog();
  EXPECT_TRUE(contains(log, "Error 0017:Import data type [keyboard] not supported by scale : Usa\r\n")) << log;
  EXPECT_TRUE(contains(log, "Error 0017:Import data type [keyboard] not supported by scale : Nz\r\n"));
  EXPECT_EQ(countOf(log, ":Tolvan scale driver completed OK\r\n"), 2u);
  for (const auto& [s, held] : expected) EXPECT_EQ(keysIn(h.readFile(s.substr(0, s.find(',')))), held) << s;
  // Every key once, whichever message scale answered first, as imported.
  const std::string exported = h.readFile("export.csv");
  EXPECT_EQ(exported.size(), keys.size()) << exported;
  for (const char* line : {"Key_No,Type,Data\r\n", "\n5,1,123\r\n", "\n100,2,7\r\n", "\n89,3,45\r\n"}) {
    EXPECT_EQ(countOf(exported, line), 1u) << line;
  }
}

}  // namespace
}  // namespace tolvan

// The real tolvandrv against simulated scales of both families with
// keyboard layouts: what each scale keeps of the keys sent, the keys that
// come back from the message scales and import again unchanged, and
// deletions, which a block scale takes only for its whole keyboard.
#include <gtest/gtest.h>

#include <algorithm>
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

constexpr int kKeyboardType = 9;

std::map<long, std::string> keysIn(const std::string& dump) {
  std::map<long, std::string> records;
  std::regex line("record type=([0-9]+) no=([0-9]+) hex=([0-9a-f]*)");
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), line); it != std::sregex_iterator(); ++it) {
    if (std::stoi((*it)[1]) == kKeyboardType) records[std::stol((*it)[2])] = (*it)[3];
  }
  return records;
}

std::string hexOf(const std::string& text) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

// The lines of a text file, sorted, without their CR LF.
std::vector<std::string> sortedLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string scaleLine(const std::string& name, const std::string& settings, const std::string& seed = "") {
  return "scale=" + name + ",port=0,receivetimeout=10,log=" + name + ".log,simdump=" + name + ".dump," + settings +
         (seed.empty() ? "" : ",simseed=" + seed) + "\n";
}

std::string fourScales(bool seeded = false) {
  auto seed = [&](const std::string& name) { return seeded ? name + ".seed" : ""; };
  return scaleLine("Usa", "model=vt30,version=usa", seed("Usa")) +
         scaleLine("Nz", "model=pmx,version=nz,protocol=udp", seed("Nz")) +
         scaleLine("Forty", "model=vt40", seed("Forty")) + scaleLine("Merio", "model=meriopro", seed("Merio"));
}

constexpr const char* kKeys = "Key_No,Type,Data\r\n5,1,123\r\n100,2,7\r\n89,3,45\r\n";

class KeyboardRun : public testing::SimRunTest {
 protected:
  void carryOver() {
    for (const char* name : {"Usa", "Nz", "Forty", "Merio"}) {
      h.writeFile(std::string(name) + ".seed", h.readFile(std::string(name) + ".dump"));
    }
  }
};

TEST_F(KeyboardRun, KeysReachEveryScaleAndComeBackFromTheMessageScales) {
  h.writeFile("keys.csv", kKeys);
  start(fourScales());
  DriverRun sent = run({"-u", "-fkeyboard", "keys.csv"});
  EXPECT_EQ(sent.exitStatus, 0) << h.driverLog();
  // "meriopro" has no second page: keys 89 and 100 are skipped there.
  EXPECT_EQ(countOf(h.readFile("Merio.log"), " Error - Error converting to scale data format for line "), 2u)
      << h.readFile("Merio.log");

  run({"-v", "-fkeyboard", "export.csv"});
  stop();
  const std::string log = h.driverLog();
  EXPECT_TRUE(contains(log, "Error 0017:Import data type [keyboard] not supported by scale : Usa\r\n")) << log;
  EXPECT_TRUE(contains(log, "Error 0017:Import data type [keyboard] not supported by scale : Nz\r\n"));

  const std::map<std::string, std::map<long, std::string>> expected = {
      {"Usa", {{5, hexOf("640051000123")}, {89, hexOf("641013000045")}, {100, hexOf("641122000007")}}},
      {"Nz", {{5, hexOf("38020051000123")}, {89, hexOf("38021013000045")}, {100, hexOf("38021122000007")}}},
      {"Forty",
       {{5, "3600000000000600" "0501" "00000123"},
        {89, "3600000000000600" "5903" "00000045"},
        {100, "3600000000000600" "6402" "00000007"}}},
      {"Merio", {{5, "3600000000000600" "0501" "00000123"}}},
  };
  for (const auto& [scale, keys] : expected) EXPECT_EQ(keysIn(h.readFile(scale + ".dump")), keys) << scale;

  // Every key once, whichever message scale answered first, as imported.
  EXPECT_EQ(sortedLines(h.readFile("export.csv")), sortedLines(kKeys)) << h.readFile("export.csv");
  // The refusing block scales do not fail the receive.
  EXPECT_EQ(countOf(log, ":Tolvan scale driver completed OK\r\n"), 2u) << log;

  // The export imports again without loss.
  start(scaleLine("Again", "model=vt40"));
  DriverRun again = run({"-u", "-fkeyboard", "export.csv"});
  stop();
  EXPECT_EQ(again.exitStatus, 0) << h.driverLog();
  EXPECT_EQ(keysIn(h.readFile("Again.dump")), expected.at("Forty"));
}

TEST_F(KeyboardRun, BlockScalesClearOnlyTheWholeKeyboardMessageScalesSingleKeys) {
  h.writeFile("keys.csv", "Key_No,Type,Data\r\n5,1,123\r\n100,2,7\r\n");
  h.writeFile("delete.csv", "RecNo\r\n5\r\n");
  start(fourScales());
  run({"-u", "-fkeyboard", "keys.csv"});
  DriverRun deleted = run({"-d", "-fkeyboard", "delete.csv"});
  stop();
  EXPECT_EQ(deleted.exitStatus, 0) << h.driverLog();
  EXPECT_TRUE(contains(h.driverLog(),
                       ":0 additions and 1 deletions imported: Data sent OK to all scales (4 scale(s)).\r\n"));
  EXPECT_EQ(keysIn(h.readFile("Usa.dump")).size(), 2u);
  EXPECT_EQ(keysIn(h.readFile("Nz.dump")).size(), 2u);
  EXPECT_EQ(keysIn(h.readFile("Forty.dump")).count(5), 0u);
  EXPECT_EQ(keysIn(h.readFile("Forty.dump")).size(), 1u);
  EXPECT_TRUE(keysIn(h.readFile("Merio.dump")).empty());

  carryOver();
  start(fourScales(true));
  DriverRun cleared = run({"-a", "-fkeyboard"});
  stop();
  EXPECT_EQ(cleared.exitStatus, 0) << h.driverLog();
  EXPECT_TRUE(contains(h.driverLog(), ":Delete all records of type: keyboard\r\n"));
  for (const char* scale : {"Usa", "Nz", "Forty", "Merio"}) {
    EXPECT_TRUE(keysIn(h.readFile(std::string(scale) + ".dump")).empty()) << scale;
  }
}

}  // namespace
}  // namespace tolvan

// The real tolvandrv against simulated scales of the message family
// ("meriopro", "vt40"): what the scales keep after additions, deletions and
// delete-all, how scales that report errors or refuse connections show in
// the logs and resend files, how a resend file is sent on a later run, and
// how a large import is cut into batches of 100 records, each on a
// connection of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::DriverRun;
using testing::SimHarness;
using testing::contains;
using testing::countOf;

// Three PLUs; in key order 101, 102, 205. As message-family records they
// are 8 + 82 + 12, 8 + 82 + 10 and 8 + 82 + 10 bytes long.
constexpr const char* kPluFile =
    "Plu_No,ItemCode,UnitPrice,Dept,Group,Tare,ShelfLife,SalesMode,PosCode,Desc\r\n"
    "205,205,1.95,2,20,0,2,1,2000205,\"Bread Roll\"\r\n"
    "101,101,4.99,1,10,5,3,0,2000101,\"Swiss Cheese\"\r\n"
    "102,102,12.50,1,10,5,5,0,2000102,\"Smoked Ham\"\r\n";

// The records of one data type in a simulator dump: number to hex bytes.
std::map<long, std::string> dumpRecords(const std::string& dump, int dataType) {
  std::map<long, std::string> records;
  std::regex line("record type=([0-9]+) no=([0-9]+) hex=([0-9a-f]*)");
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), line); it != std::sregex_iterator(); ++it) {
    if (std::stoi((*it)[1]) == dataType) records[std::stol((*it)[2])] = (*it)[3];
  }
  return records;
}

std::vector<long> numbersOf(const std::map<long, std::string>& records) {
  std::vector<long> numbers;
  for (const auto& [number, hex] : records) numbers.push_back(number);
  return numbers;
}

std::vector<long> pluNumbers(const std::string& dump) { return numbersOf(dumpRecords(dump, 1)); }

std::string scaleLine(const std::string& name, const std::string& model, const std::string& extra) {
  return "scale=" + name + ",port=0,model=" + model + ",receivetimeout=10," + extra + "\n";
}

class MessageFamilyRun : public testing::SimRunTest {
 protected:
  // Keeps what the scales hold for the next simulator start.
  void carryOver(const std::vector<std::string>& names) {
    for (const std::string& name : names) h.writeFile(name + ".seed", h.readFile(name + ".dump"));
  }
};

TEST_F(MessageFamilyRun, AdditionsDeletionsAndDeleteAllReachBothModels) {
  h.writeFile("plu.csv", kPluFile);
  start(scaleLine("Merio", "meriopro", "simdump=merio.dump,simtranscript=merio.sim") +
        scaleLine("Forty", "vt40", "simdump=forty.dump"));
  DriverRun sent = run({"-u", "plu.csv"});
  EXPECT_EQ(sent.exitStatus, 0) << h.driverLog();
  EXPECT_TRUE(
      contains(h.driverLog(), ":3 additions and 0 deletions imported: Data sent OK to all scales (2 scale(s)).\r\n"));
  stop();
  const std::vector<long> all{101, 102, 205};
  EXPECT_EQ(pluNumbers(h.readFile("merio.dump")), all);
  EXPECT_EQ(pluNumbers(h.readFile("forty.dump")), all);
  // Record header of message 30 with a body of 94 bytes, then the PLU
  // number as 8 packed digits, the sales mode and the unit price.
  std::string plu101 = dumpRecords(h.readFile("merio.dump"), 1)[101];
  EXPECT_EQ(plu101.substr(0, 34), "3000000000005e00" "00000101" "00" "00000499");
  EXPECT_EQ(plu101.size(), 2u * (8 + 82 + 12));
  EXPECT_EQ(dumpRecords(h.readFile("forty.dump"), 1)[101], plu101);
  // All three go in one message: header of message 30 with 302 bytes.
  EXPECT_TRUE(contains(h.readFile("merio.sim"), " Bytes\r\n30 00 00 00 2e 01 00 00 ")) << h.readFile("merio.sim");

  carryOver({"merio", "forty"});
  h.writeFile("delete.csv", "RecNo\r\n102\r\n");
  start(scaleLine("Merio", "meriopro", "simseed=merio.seed,simdump=merio.dump") +
        scaleLine("Forty", "vt40", "simseed=forty.seed,simdump=forty.dump"));
  DriverRun deleted = run({"-d", "delete.csv"});
  EXPECT_EQ(deleted.exitStatus, 0) << h.driverLog();
  EXPECT_TRUE(
      contains(h.driverLog(), ":0 additions and 1 deletions imported: Data sent OK to all scales (2 scale(s)).\r\n"));
  stop();
  EXPECT_EQ(pluNumbers(h.readFile("merio.dump")), (std::vector<long>{101, 205}));
  EXPECT_EQ(pluNumbers(h.readFile("forty.dump")), (std::vector<long>{101, 205}));

  carryOver({"merio", "forty"});
  start(scaleLine("Merio", "meriopro", "simseed=merio.seed,simdump=merio.dump") +
        scaleLine("Forty", "vt40", "simseed=forty.seed,simdump=forty.dump"));
  DriverRun cleared = run({"-a", "-fplu"});
  EXPECT_EQ(cleared.exitStatus, 0) << h.driverLog();
  EXPECT_TRUE(contains(h.driverLog(), ":Delete all records of type: plu\r\n"));
  stop();
  EXPECT_TRUE(pluNumbers(h.readFile("merio.dump")).empty()) << h.readFile("merio.dump");
  EXPECT_TRUE(pluNumbers(h.readFile("forty.dump")).empty()) << h.readFile("forty.dump");
}

// A scale that answers a batch with the error flag keeps nothing; its scale
// log tells why, and it gets no resend file (it was reached). A refused
// scale among them makes the per-scale report appear, naming both.
TEST_F(MessageFamilyRun, ScalesReportingErrorsAreNamedWhileOthersGetTheData) {
  h.writeFile("plu.csv", kPluFile);
  start(scaleLine("Good", "meriopro", "simdump=good.dump") +
        scaleLine("Coded", "vt40", "log=coded.log,resend=coded.rsd,simfault=error:7,simdump=coded.dump") +
        scaleLine("Counted", "meriopro", "log=counted.log,simfault=counts:3:2:1,simdump=counted.dump") +
        scaleLine("Gone", "vt40", "log=gone.log,resend=gone.rsd,simfault=refuse"));
  DriverRun r = run({"-u", "plu.csv"});
  stop();
  EXPECT_EQ(r.exitStatus, 50) << h.driverLog();
  std::string log = h.driverLog();
  EXPECT_TRUE(contains(log, ":3 additions and 0 deletions imported: Data sent OK to 3 scale(s). Errors ocurred on 1 "
                            "scale(s) (see below)\r\n")) << log;
  EXPECT_TRUE(contains(log, ": Error 0032:Error occurred on scale [Coded] - See scale log file for details\r\n"))
      << log;
  EXPECT_TRUE(contains(log, ": Error 0032:Error occurred on scale [Counted] - See scale log file for details\r\n"));
  EXPECT_TRUE(contains(log, ": Error 0032:Error occurred on scale [Gone] - See scale log file for details\r\n"));
  EXPECT_FALSE(contains(log, "[Good]"));
  EXPECT_TRUE(contains(log, ":Tolvan scale driver completed OK\r\n"));

  EXPECT_TRUE(contains(h.readFile("coded.log"), " Error - Error occurred on scale (Error Code = 7)\r\n\r\n"))
      << h.readFile("coded.log");
  EXPECT_TRUE(contains(h.readFile("counted.log"),
                       " Error - Data error reported by scale (Scale received 3 records with 1 errors)\r\n\r\n"))
      << h.readFile("counted.log");
  EXPECT_EQ(pluNumbers(h.readFile("good.dump")), (std::vector<long>{101, 102, 205}));
  EXPECT_TRUE(pluNumbers(h.readFile("coded.dump")).empty());
  EXPECT_TRUE(pluNumbers(h.readFile("counted.dump")).empty());
  EXPECT_FALSE(h.fileExists("coded.rsd"));
  EXPECT_EQ(h.readFile("gone.rsd").size(), 3u * (12 + 2196));
}

// Without a failed scale no per-scale report is written: a scale that
// reported an error counts as sent in the summary, and only its scale log
// shows the error.
TEST_F(MessageFamilyRun, ScaleErrorAloneLeavesTheSummaryClean) {
  h.writeFile("plu.csv", kPluFile);
  start(scaleLine("Good", "vt40", "simdump=good.dump") +
        scaleLine("Coded", "meriopro", "log=coded.log,resend=coded.rsd,simfault=error:9"));
  DriverRun r = run({"-u", "plu.csv"});
  stop();
  // The log names no failed scale, but the exit status tells of the refusal.
  EXPECT_EQ(r.exitStatus, 50) << h.driverLog();
  std::string log = h.driverLog();
  EXPECT_TRUE(contains(log, ":3 additions and 0 deletions imported: Data sent OK to all scales (2 scale(s)).\r\n"))
      << log;
  EXPECT_FALSE(contains(log, " Error 0032:")) << log;
  EXPECT_TRUE(contains(h.readFile("coded.log"), " Error - Error occurred on scale (Error Code = 9)\r\n\r\n"));
  EXPECT_FALSE(h.fileExists("coded.rsd"));
  EXPECT_EQ(pluNumbers(h.readFile("good.dump")), (std::vector<long>{101, 102, 205}));
}

TEST_F(MessageFamilyRun, ResendFileOfARefusedRunIsSentFirstAndDeleted) {
  h.writeFile("plu.csv", kPluFile);
  const std::string late = "log=late.log,resend=late.rsd,";
  start(scaleLine("Late", "vt40", late + "simfault=refuse"));
  DriverRun refused = run({"-u", "plu.csv"});
  stop();
  EXPECT_EQ(refused.exitStatus, 50) << h.driverLog();
  std::string resend = h.readFile("late.rsd");
  ASSERT_EQ(resend.size(), 3u * (12 + 2196));
  for (size_t entry = 0; entry < 3; ++entry) {
    // PLU (1), addition (1), 2196 bytes, reserved.
    EXPECT_EQ(resend.substr(entry * (12 + 2196), 12),
              std::string("\x01\x00\x01\x00\x94\x08\x00\x00\x00\x00\x00\x00", 12))
        << entry;
  }

  h.writeFile("fresh.csv", "Plu_No,UnitPrice,Desc\r\n300,3.00,Fresh\r\n");
  start(scaleLine("Late", "vt40", late + "simdump=late.dump"));
  ASSERT_TRUE(h.fileExists("late.rsd"));
  DriverRun resent = run({"-r", "-u", "fresh.csv"});
  stop();
  EXPECT_EQ(resent.exitStatus, 0) << h.driverLog();
  EXPECT_FALSE(h.fileExists("late.rsd"));
  EXPECT_EQ(pluNumbers(h.readFile("late.dump")), (std::vector<long>{101, 102, 205, 300}));
  // The three resent records go out before the run's own record.
  std::string scaleLog = h.readFile("late.log");
  size_t resentAt = scaleLog.find(":Msg = 30 Size = 302\r\n");
  // 8 + 82 + 6: the scale takes descriptions of even length.
  size_t freshAt = scaleLog.find(":Msg = 30 Size = 96\r\n");
  ASSERT_NE(resentAt, std::string::npos) << scaleLog;
  ASSERT_NE(freshAt, std::string::npos) << scaleLog;
  EXPECT_LT(resentAt, freshAt);
  EXPECT_TRUE(
      contains(h.driverLog(), ":1 additions and 0 deletions imported: Data sent OK to all scales (1 scale(s)).\r\n"));
}

// Connections as the simulator's transcript shows them, each with what
// the driver sent on it.
std::vector<std::string> connectionsOf(const std::string& transcript) {
  std::vector<std::string> parts;
  std::regex accepted("Connection [0-9]+ accepted");
  std::vector<size_t> starts;
  for (auto it = std::sregex_iterator(transcript.begin(), transcript.end(), accepted); it != std::sregex_iterator();
       ++it) {
    starts.push_back(static_cast<size_t>(it->position()));
  }
  for (size_t i = 0; i < starts.size(); ++i) {
    size_t end = i + 1 < starts.size() ? starts[i + 1] : transcript.size();
    parts.push_back(transcript.substr(starts[i], end - starts[i]));
  }
  return parts;
}

TEST_F(MessageFamilyRun, ThousandPlusGoInTenBatchesOnConnectionsOfTheirOwn) {
  std::string plus = "Plu_No,UnitPrice,Desc\r\n";
  for (int n = 1; n <= 1000; ++n) {
    char line[64];
    std::snprintf(line, sizeof line, "%d,1.%02d,Item%04d\r\n", n, n % 100, n);
    plus += line;
  }
  h.writeFile("plu.csv", plus);
  start(scaleLine("Big", "vt40", "log=big.log,simtranscript=big.sim,simdump=big.dump"));
  DriverRun r = run({"-u", "plu.csv"});
  stop();
  EXPECT_EQ(r.exitStatus, 0) << h.driverLog();
  std::map<long, std::string> kept = dumpRecords(h.readFile("big.dump"), 1);
  ASSERT_EQ(kept.size(), 1000u);
  EXPECT_EQ(kept.begin()->first, 1);
  EXPECT_EQ(kept.rbegin()->first, 1000);
  // Every record: 8-byte record header, 82 bytes, the 8 description bytes.
  for (const auto& [number, hex] : kept) ASSERT_EQ(hex.size(), 2u * 98) << number;

  // 100 records of 98 bytes: a body of 9800 bytes (0x2648) per batch.
  std::string scaleLog = h.readFile("big.log");
  EXPECT_EQ(countOf(scaleLog, ":Msg = 30 Size = 9800\r\n"), 10u);
  EXPECT_EQ(countOf(scaleLog, ":Msg = 30 Size = "), 10u);
  EXPECT_EQ(countOf(scaleLog, " Send 8 Bytes\r\n30 00 00 00 48 26 00 00 "), 10u);

  // Start of session, ten batches, end of session: twelve connections, and
  // each batch alone on its own.
  std::vector<std::string> connections = connectionsOf(h.readFile("big.sim"));
  ASSERT_EQ(connections.size(), 12u);
  EXPECT_TRUE(contains(connections.front(), " Bytes\r\n80 00 00 00 00 00 00 00 "));
  EXPECT_TRUE(contains(connections.back(), " Bytes\r\n81 00 00 00 00 00 00 00 "));
  for (size_t i = 1; i <= 10; ++i) {
    EXPECT_EQ(countOf(connections[i], " Bytes\r\n30 00 00 00 48 26 00 00 "), 1u) << "connection " << i;
  }
}

}  // namespace
}  // namespace tolvan

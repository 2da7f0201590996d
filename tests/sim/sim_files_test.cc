// The simulator's files: the dump and seed text of what a scale holds and
// the configuration it reads and writes back; and its command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "platform/clock.h"
#include "sim/record_store.h"
#include "sim/sim_config.h"
#include "sim/sim_server.h"
#include "support/sim_harness.h"
#include "support/temp_dir.h"

namespace tolvan::sim {
namespace {

TEST(SimRecordStore, DumpListsRecordsAndTotalsInOrderAndSeedsReadBack) {
  RecordStore store;
  store.put(2, 7, Bytes{0x41});
  store.put(1, 200, Bytes{0x02, 0xff});
  store.put(1, 3, Bytes{});
  store.setTotals(TotalsKind::Plu, 123, {4, 750, 596});
  store.setTotals(TotalsKind::Operator, 2, {1, 2, -3, 4, 5, 6, 7});
  const std::string dump =
      "record type=1 no=3 hex=\n"
      "record type=1 no=200 hex=02ff\n"
      "record type=2 no=7 hex=41\n"
      "totals plu no=123 quantity=4 weight=750 price=596\n"
      "totals op no=2 quantity=1 weight=2 amount=-3 discountvalue=4 discountquant=5 upoverwritevalue=6 "
      "upoverwritequant=7\n";
  EXPECT_EQ(store.dumpText(), dump);
  RecordStore again;
  std::string error;
  ASSERT_TRUE(again.loadText("# seeded by hand\r\n\n" + dump, error)) << error;
  EXPECT_EQ(again.dumpText(), dump);
  EXPECT_EQ(*again.find(1, 200), (Bytes{0x02, 0xff}));
  // A seed line it cannot read is named.
  EXPECT_FALSE(store.loadText("totals plu no=1 quantity=2\nrecord type=1 no=2 hex=abc\n", error));
  EXPECT_EQ(error, "cannot read line 2");
  EXPECT_FALSE(store.loadText("totals plu no=1 amount=2\n", error));  // PLU totals have a price
  EXPECT_FALSE(store.loadText("totals day no=1\n", error));
}

TEST(SimConfigFaults, ReadsEveryFaultAndRefusesOthers) {
  FaultPlan f;
  ASSERT_TRUE(applyFault("busy", f) && applyFault("counts:10:8:2", f) && applyFault("error:7", f));
  EXPECT_EQ(f.busyStarts, -1);
  EXPECT_EQ(f.countAccepted, 8);
  EXPECT_EQ(f.errorCode, 7);
  ASSERT_TRUE(applyFault("busy:3", f) && applyFault("NAK:2", f) && applyFault("refuse", f));
  EXPECT_EQ(f.busyStarts, 3);
  EXPECT_EQ(f.nakBlock, 2);
  EXPECT_TRUE(f.refuse);
  ASSERT_TRUE(applyFault("okcounts:9:1:2", f) && applyFault("reseterror:7", f));
  EXPECT_TRUE(f.okCounts && f.okReceived == 9 && f.okAccepted == 1 && f.resetErrorCode == 7);
  for (const char* bad : {"nak", "nak:0", "drop:x", "counts:1:2", "refuse:1", "slow:0", "sluggish", "busy:-1", "okcounts:1:2",
                          "reseterror", "nondigit:1"}) {
    FaultPlan g;
    EXPECT_FALSE(applyFault(bad, g)) << bad;
  }
}

// Two scales on one datagram port would each get half of every driver's
// datagrams; the system must give each scale a port of its own.
TEST(SimConfigRewrite, FiveHundredUdpScalesGetPortsOfTheirOwn) {
  testing::TempDir dir;
  std::string lines;
  for (int i = 0; i < 500; ++i) lines += "scale=U" + std::to_string(i) + ",port=0,model=vt30,protocol=udp\n";
  dir.write("cfg.txt", lines);
  SimConfig config;
  std::string error;
  ASSERT_TRUE(loadSimConfig(dir.file("cfg.txt"), config, error)) << error;
  SystemClock clock;
  SimServer server(config, clock);
  ASSERT_TRUE(server.open(error)) << error;
  std::set<uint16_t> ports;  // as written back for the driver
  for (const auto& scale : config.scales) ports.insert(scale->port);
  EXPECT_EQ(ports.size(), 500u);
}

// Addresses and ports already written are replaced where they stand.
TEST(SimConfigRewrite, SetsThePortAndLoopbackAddress) {
  EXPECT_EQ(rewriteScaleLine("scale=A, port=0,model=vt30,ip=10.0.0.5 ,simdump=a.d", 4711),
            "scale=A, port=4711,model=vt30,ip=127.0.0.1,simdump=a.d");
}

TEST(SimConfigLoad, ReadsScaleSettingsAndSimulatorItemsAndRefusesTypos) {
  testing::TempDir dir;
  dir.write("seed.txt", "totals hour no=9 quantity=1 weight=2 price=3\n");
  dir.write("cfg.txt",
            "; simulated store\r\n"
            "scale=Deli,port=0,model=vt30,version=usa,protocol=udp,is8bit=no,simfault=nak:2,simfault=drop:3,"
            "simseed=" + dir.file("seed.txt") + ",simdump=deli.dump\r\n"
            "\r\n"
            "scale=Meat,port=0,model=meriopro,protocol=udp,simtranscript=meat.txt\r\n");
  testing::CurrentDir inside(dir.path());
  // A driver's unexported totals: the simulator must not take them with it.
  dir.write("DeliWrk.txt", "Deli,5,2,750,500\r\n");
  SimConfig config;
  std::string error;
  ASSERT_TRUE(loadSimConfig(dir.file("cfg.txt"), config, error)) << error;
  EXPECT_EQ(dir.read("DeliWrk.txt"), "Deli,5,2,750,500\r\n");
  ASSERT_EQ(config.scales.size(), 2u);
  const SimScale& deli = *config.scales[0];
  EXPECT_EQ(deli.profile.family, Family::Block);
  EXPECT_TRUE(deli.profile.udp);
  EXPECT_FALSE(deli.profile.eightBit);
  EXPECT_EQ(deli.store.totals(TotalsKind::Hour).size(), 1u);
  const SimScale& meat = *config.scales[1];
  EXPECT_EQ(meat.profile.family, Family::Message);
  EXPECT_FALSE(meat.profile.udp);  // message scales always speak TCP
  ASSERT_EQ(config.lines.size(), 3u);
  EXPECT_EQ(config.lines[0].scale, -1);
  EXPECT_EQ(config.lines[2].scale, 1);
  // A typing error in a simulator item, or a line the driver refuses, stops the simulator.
  dir.write("typo.txt", "scale=A,port=0,model=vt30,simfualt=nak:1\n");
  dir.write("model.txt", "scale=A,port=0,model=merio\n");
  SimConfig a, b;
  EXPECT_FALSE(loadSimConfig(dir.file("typo.txt"), a, error));
  EXPECT_NE(error.find("simfualt"), std::string::npos);
  EXPECT_FALSE(loadSimConfig(dir.file("model.txt"), b, error));
  EXPECT_NE(error.find("14"), std::string::npos);
}

// --help and --version answer on standard output with status 0, as the
// driver's do: a person asking for help is no error.
TEST(SimCommandLine, HelpAndVersionAnswerOnStandardOutput) {
  const std::pair<const char*, const char*> cases[] = {{"--help", "Usage: tolvansim CONFIG"},
                                                       {"--version", "Tolvan Scale Simulator Version 1.2\n"}};
  testing::SimHarness h;
  for (const auto& [option, says] : cases) {
    testing::DriverRun run = h.runProgram(TOLVANSIM_PATH, {option}, 20, {}, h.path("err"));
    EXPECT_EQ(run.exitStatus, 0) << option;
    EXPECT_EQ(run.output.rfind(says, 0), 0u) << run.output;
  }
}

}  // namespace
}  // namespace tolvan::sim

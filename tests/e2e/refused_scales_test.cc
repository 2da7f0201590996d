// The real tolvandrv against scales that refuse every connection: nothing
// can be sent, so every scale fails and keeps its records in its resend
// file, and the run still completes (exit status 50).
#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::SimHarness;
using testing::countOf;

TEST(RefusedScale, ImportKeepsRecordsInResendFileAndLogsTheRefusal) {
  SimHarness h;
  ASSERT_TRUE(h.startSim("scale=Deli,port=0,model=vt40,log=Deli.log,resend=Deli.rsd,simfault=refuse\n"));
  h.writeFile("plu.csv", "Plu_No,UnitPrice\r\n7,1.25\r\n3,2.50\r\n");
  EXPECT_EQ(h.runDriver({"-u", "plu.csv"}).exitStatus, 50);
  h.stopSim();

  std::string log = h.driverLog();
  EXPECT_NE(log.find(":Import plu data from file plu.csv\r\n"), std::string::npos);
  EXPECT_NE(log.find(":2 additions and 0 deletions imported: Data sent OK to 0 scale(s). Errors ocurred on 1 "
                     "scale(s) (see below)\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(": Error 0032:Error occurred on scale [Deli] - See scale log file for details\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(":Tolvan scale driver completed OK\r\n"), std::string::npos);
  EXPECT_NE(h.readFile("Deli.log").find(" Error - Cannot connect to scale: 127.0.0.1 (Port = "), std::string::npos);

  std::string resend = h.readFile("Deli.rsd");
  ASSERT_EQ(resend.size(), 2u * (12 + 2196));
  const std::string header("\x01\x00\x01\x00\x94\x08\x00\x00\x00\x00\x00\x00", 12);
  EXPECT_EQ(resend.substr(0, 12), header);
  EXPECT_EQ(resend.substr(12, 12), std::string("\x03\x00\x00\x00\x00\x00\x00\x00\xFA\x00\x00\x00", 12));  // key order
  EXPECT_EQ(resend.substr(12 + 2196, 12), header);
  EXPECT_EQ(resend[12 + 2196 + 12], 7);
}

}  // namespace
}  // namespace tolvan

// The real tolvandrv against scales whose ports have no listener: nothing
// can be sent, so every scale fails, keeps its records in its resend file,
// and the run still completes (exit status 50).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "platform/socket.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::TempDir;

// A loopback port that was free a moment ago; nobody listens there now.
uint16_t unusedPort() {
  SocketHandle probe = socketListen(SocketKind::Stream, 0);
  uint16_t port = socketLocalPort(probe);
  socketClose(probe);
  return port;
}

int runDriver(const TempDir& dir, const std::string& args) {
  std::string command = "cd '" + dir.path().string() + "' && '" TOLVANDRV_PATH "' " + args + " >console.txt 2>&1";
  int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

size_t countOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(RefusedScale, ImportKeepsRecordsInResendFileAndLogsTheRefusal) {
  TempDir dir;
  uint16_t port = unusedPort();
  dir.write("TolvanDrvConfig.txt", "scale=Deli,ip=127.0.0.1,port=" + std::to_string(port) +
                                       ",model=vt40,log=Deli.log,resend=Deli.rsd\r\n");
  dir.write("plu.csv", "Plu_No,UnitPrice\r\n7,1.25\r\n3,2.50\r\n");
  EXPECT_EQ(runDriver(dir, "-u plu.csv"), 50);

  std::string log = dir.read("TolvanDrvLog.txt");
  EXPECT_NE(log.find(":Import plu data from file plu.csv\r\n"), std::string::npos);
  EXPECT_NE(log.find(":2 additions and 0 deletions imported: Data sent OK to 0 scale(s). Errors ocurred on 1 "
                     "scale(s) (see below)\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(": Error 0032:Error occurred on scale [Deli] - See scale log file for details\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(":Tolvan scale driver completed OK\r\n"), std::string::npos);

  std::string scaleLog = dir.read("Deli.log");
  EXPECT_NE(scaleLog.find(" Error - Cannot connect to scale: 127.0.0.1 (Port = " + std::to_string(port) +
                          ")\r\n\r\n"),
            std::string::npos);

  std::string resend = dir.read("Deli.rsd");
  ASSERT_EQ(resend.size(), 2u * (12 + 2196));
  const std::string header("\x01\x00\x01\x00\x94\x08\x00\x00\x00\x00\x00\x00", 12);
  EXPECT_EQ(resend.substr(0, 12), header);
  EXPECT_EQ(resend.substr(12, 12), std::string("\x03\x00\x00\x00\x00\x00\x00\x00\xFA\x00\x00\x00", 12));  // key order
  EXPECT_EQ(resend.substr(12 + 2196, 12), header);
  EXPECT_EQ(resend[12 + 2196 + 12], 7);
}

TEST(RefusedScale, FiftyRefusingScalesAreEachReported) {
  TempDir dir;
  std::string config;
  for (int i = 0; i < 50; ++i) {
    config += "scale=S" + std::to_string(i) + ",ip=127.0.0.1,port=" + std::to_string(unusedPort()) +
              (i % 2 ? ",model=vt30" : ",model=meriopro") + "\r\n";
  }
  dir.write("TolvanDrvConfig.txt", config);
  dir.write("plu.csv", "Plu_No\r\n1\r\n");
  EXPECT_EQ(runDriver(dir, "-u plu.csv"), 50);
  std::string log = dir.read("TolvanDrvLog.txt");
  EXPECT_NE(log.find("Data sent OK to 0 scale(s). Errors ocurred on 50 scale(s) (see below)"), std::string::npos);
  EXPECT_EQ(countOf(log, " Error 0032:"), 50u);
}

}  // namespace
}  // namespace tolvan

// A report or scale file named like another file of the run, or a lock
// file the driver cannot trust, stops the run before it touches anything;
// exports and scale logs that are links, pipes or devices go where they lead.
#include <filesystem>

#include "e2e/e2e_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolvan {
namespace {

using namespace testing;
namespace fs = std::filesystem;

struct StopRow {
  const char* config;  // of the folder the run is in
  std::vector<std::string> args;
  int exitStatus;
  const char* says;
  const char* kept;              // a file of the test folder that keeps its bytes
  const char* folder = ".";      // where the run is started
  bool lockLeadsToKept = false;  // TolvanDrv.lock is a link to `kept`, which must not appear
};

const char* const kDeli = "scale=Deli,ip=127.0.0.1,port=9,model=vt30,resend=deli.rsd\n";
const StopRow kStopRows[] = {
    {kDeli, {"-r", "--report", "deli.rsd"}, 64, "--report deli.rsd names scale \"Deli\"'s resend file", "deli.rsd"},
    {kDeli, {"-u", "plu.csv", "--report", "plu.csv"}, 64, "--report plu.csv names the import file", "plu.csv"},
    {kDeli, {"-v", "TolvanDrvConfig.txt"}, 64, "the export file is the configuration file", "deli.rsd"},
    {kDeli, {"-a", "--report", "TolvanDrvPending.txt"}, 64, "names the record of pending work files",
     "TolvanDrvPending.txt"},
    {"scale=Deli,ip=127.0.0.1,port=9,log=plu.csv\n", {"-u", "plu.csv"}, 14,
     "Invalid setup parameter value on line 1 : log=plu.csv", "plu.csv"},
    {"scale=../outside,ip=127.0.0.1,port=9\n", {"-a"}, 14,
     "Invalid setup parameter value on line 1 : scale=../outside", "outsideWrk.txt", "sub"},
    {kDeli, {"-a"}, 73, "TolvanDrv.lock (it is a symbolic link)", "elsewhere", ".", true},
};

TEST(OwnFiles, ARunThatWouldOverwriteAnotherFileOfItsOwnStopsBeforeTouchingAny) {
  for (const StopRow& row : kStopRows) {
    SCOPED_TRACE(row.says);
#ifdef _WIN32
    if (row.lockLeadsToKept) continue;  // the C++ library makes no links on Windows
#endif
    SimHarness h;
    fs::create_directory(h.path("sub"));
    h.writeFile(std::string(row.folder) + "/TolvanDrvConfig.txt", row.config);
    row.lockLeadsToKept ? fs::create_symlink(row.kept, h.path("TolvanDrv.lock")) : h.writeFile(row.kept, "kept");
    h.runIn(row.folder);
    DriverRun run = h.runDriver(row.args, 20);
    EXPECT_EQ(run.exitStatus, row.exitStatus) << run.output;
    EXPECT_TRUE(contains(run.output, row.says)) << run.output;
    EXPECT_EQ(h.fileExists(row.kept) ? h.readFile(row.kept) : "none", row.lockLeadsToKept ? "none" : "kept");
  }
}

// An export and a scale log that are symbolic links replace or fill the
// file the link leads to and the link stays; a pipe gets the export
// written into it.
TEST_F(SimRunTest, ExportsAndScaleLogsGoWhereTheirLinksAndPipesLead) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no pipes in folders, and links only for administrators: devices below";
#else
  start("scale=Deli,port=0,model=vt30\n");
  h.writeFile("TolvanDrvConfig.txt", h.readFile("TolvanDrvConfig.txt") + "scale=Deli2,port=9,log=deli.log\n");
  fs::create_directory(h.path("kept"));
  h.writeFile("kept/deli.log", "the last run's traffic\r\n");
  fs::create_symlink("kept/deli.log", h.path("deli.log"));
  fs::create_symlink("kept/plu.csv", h.path("plu.csv"));
  ASSERT_EQ(::mkfifo(h.path("pipe.csv").c_str(), 0644), 0);
  const int reader = ::open(h.path("pipe.csv").c_str(), O_RDONLY | O_NONBLOCK);
  EXPECT_EQ(run({"-v", "plu.csv"}).exitStatus, 50);  // Deli2 cannot be reached
  EXPECT_EQ(run({"-v", "pipe.csv"}).exitStatus, 50);
  stop();
  EXPECT_TRUE(fs::is_symlink(h.path("plu.csv")) && fs::is_symlink(h.path("deli.log")));
  EXPECT_TRUE(fs::is_fifo(h.path("pipe.csv")));
  EXPECT_TRUE(h.readFile("kept/plu.csv").starts_with("Plu_No,ItemCode,")) << h.readFile("kept/plu.csv");
  const std::string log = h.readFile("kept/deli.log");
  EXPECT_TRUE(contains(log, "Cannot connect to scale") && !contains(log, "the last run's")) << log;
  char piped[17] = {};
  EXPECT_TRUE(::read(reader, piped, 16) == 16 && std::string(piped) == "Plu_No,ItemCode,") << piped;
  ::close(reader);
#endif
}

// Never run against a driver that replaces what it writes: as root it
// would put regular files where /dev/full and /dev/null are.
TEST_F(SimRunTest, DevicesAreWrittenThroughAndStayDevices) {
  start("scale=Deli,port=0,model=vt30\n");
  h.writeFile("TolvanDrvConfig.txt", h.readFile("TolvanDrvConfig.txt") + "scale=Deli2,port=9,log=" + kNullDevice + "\n");
  DriverRun out = run({"-v", kStandardOutput});
#ifndef _WIN32
  EXPECT_EQ(run({"-v", "/dev/full"}).exitStatus, 15);  // Windows has no device that is always full
#endif
  stop();
  EXPECT_TRUE(out.exitStatus == 50 && contains(out.output, "\nPlu_No,ItemCode,")) << out.output;
#ifdef _WIN32
  EXPECT_FALSE(fs::is_regular_file(h.path("NUL")) || fs::is_regular_file(h.path("CON")));
#else
  EXPECT_TRUE(fs::is_character_file("/dev/full") && fs::is_character_file("/dev/null"));
#endif
}

}  // namespace
}  // namespace tolvan

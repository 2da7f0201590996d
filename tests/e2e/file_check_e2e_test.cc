// The real tolvandrv looking at its files: --check lists the findings on
// standard output, contacts no scale and leaves every file as it was; an
// ordinary run shows the same findings on standard error and otherwise
// logs and sends exactly what it does for a file without findings.
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>

#include "e2e/e2e_support.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tolvan {
namespace {

using namespace testing;

struct Captured { int status = -1; std::string out, err; };

class FileCheckRun : public testing::SimRunTest {
 protected:
  // Runs the driver in the run's folder; its two streams land outside it.
  Captured runCaptured(const std::string& args) {
    std::istringstream words(args);
    std::vector<std::string> list{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    DriverRun run = h.runProgram(TOLVANDRV_PATH, list, 60, {}, streams_.file("err"));
    return Captured{run.exitStatus, run.output, streams_.read("err")};
  }
  std::map<std::string, std::string> folder() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(h.dir())) {
      const std::string name = entry.path().filename().string();
      files[name] = entry.is_directory() ? "(a folder)" : h.readFile(name);
    }
    return files;
  }
  // A check that found something: status 60 and `listed` on standard output.
  static void expectFound(const Captured& run, const std::string& listed) {
    EXPECT_EQ(run.status, 60);
    EXPECT_TRUE(contains(run.out, listed)) << run.out;
  }

  testing::TempDir streams_;
};

TEST_F(FileCheckRun, CheckListsFindingsAndChangesNothing) {
  start("scale=Deli,port=0,model=vt30,log=deli.log,simtranscript=deli.sim.txt\n");
  h.writeFile("deli.log", "the last run's traffic\r\n");
  h.writeFile("DeliWrk.txt", "the last run's totals\r\n");
  h.writeFile(testing::SimHarness::kDriverLog, "the last run's log\r\n");
  h.writeFile("plu.txt", "Plu_No,UnitPirce\r\n1,2\r\n");
  const auto before = folder();

  Captured found = runCaptured("--check -e -u plu.txt");
  expectFound(found,
              "plu.txt:1: column 2 header \"UnitPirce\" matches no column (nearest known name: \"UnitPrice\"); the "
              "driver skips this column\n1 finding\n");
  EXPECT_EQ(found.err, "");
  EXPECT_EQ(folder(), before);

  h.writeFile("plu.txt", "Plu_No,UnitPrice\r\n1,2\r\n");
  Captured clean = runCaptured("--check -u plu.txt");
  EXPECT_EQ(clean.status, 0) << clean.out;
  EXPECT_TRUE(contains(clean.out, "\n0 findings\n"));
  EXPECT_EQ(runCaptured("--check -u missing.txt").status, 15);
  stop();
  const std::string transcript = h.readFile("deli.sim.txt");
  EXPECT_TRUE(contains(transcript, "Scale Deli on port")) << transcript;
  EXPECT_FALSE(contains(transcript, "Connection")) << transcript;
}

// A receive's export, looked at as the run would before it contacts a
// scale: a finding for a name that cannot be created; none for a new file,
// a device or a pipe (not opened: its reader would take the close for the
// end). Nothing is left behind.
TEST_F(FileCheckRun, CheckFindsAnExportTheReceiveCannotCreate) {
  h.writeFile(testing::SimHarness::kDriverConfig, "scale=Deli,ip=127.0.0.1,model=vt30\n");
  h.writeFile("plu.txt", "");
  std::filesystem::create_directory(h.path("sub"));
  const auto before = folder();
  const std::string stops = "; the run stops with message 15 before it contacts any scale\n1 finding\n";
  std::vector<std::pair<std::string, std::string>> rows = {
      {"missing/out.csv", "missing/out.csv:0: the export file's folder does not exist" + stops},
      {"plu.txt/out.csv", "plu.txt/out.csv:0: the export file's folder does not exist" + stops},
      {"sub", "sub:0: the export file's name is a folder" + stops},
      {"", "(no export file given):0: a receive needs the name of its export file" + stops},
      {"sub/out.csv", "\n0 findings\n"}, {kNullDevice, "\n0 findings\n"}};
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(streams_.file("pipe").c_str(), 0644), 0);
  rows.emplace_back(streams_.file("pipe"), "\n0 findings\n");
#endif
  for (const auto& [exportFile, finding] : rows) {
    SCOPED_TRACE(exportFile);
    Captured checked = runCaptured("--check -v -fpluprod " + exportFile);
    EXPECT_EQ(checked.status, contains(finding, "0 findings") ? 0 : 60);
    EXPECT_TRUE(contains(checked.out, finding)) << checked.out;
  }
  EXPECT_EQ(folder(), before);
  EXPECT_TRUE(std::filesystem::is_empty(h.path("sub")));
}

// Without an operation the file is read as additions; what the scales of
// the configuration would make of its numbers and texts is found, and so
// is a file that gives the run nothing to send.
TEST_F(FileCheckRun, CheckWithoutAnOperationReadsAdditionsAsTheConfiguredScalesWould) {
  start("scale=Deli,port=0,model=vt30\nscale=Meat,port=0,model=meriopro\n");
  h.writeFile("plu.csv", "Plu_No,UnitPrice,Desc\r\n1,123456.78,K\xC3\xA4se\r\n");
  expectFound(runCaptured("--check plu.csv"),
              "\nno operation given: plu.csv is checked as additions (-u)\n"
              "plu.csv:2: UnitPrice \"123456.78\" has 8 digits; a vt30 keeps the first 6 and shows 1234.56\n"
              "plu.csv:2: Desc holds \"\xC3\xA4\" (C3 A4), beyond ASCII; the file looks like UTF-8: \"\xC3\xA4\" is "
              "two characters on the scale; the driver sends the bytes as they are\n2 findings\n");
  EXPECT_TRUE(contains(runCaptured("--check -fpluprod plu.csv").out,
                       "\nno operation given: pluprod takes no additions, so plu.csv is not read\n0 findings\n"));
  h.writeFile("plu.csv", "Plu_No,UnitPrice\r\n");
  expectFound(runCaptured("--check -u plu.csv"),
              "plu.csv:1: the file holds the header line and no row; the run stops with error 16 (\"No data in import "
              "text file : plu.csv\")\n1 finding\n");
  stop();
}

TEST_F(FileCheckRun, OrdinaryRunWarnsOnStandardErrorAndRunsAsWithoutFindings) {
  std::string files[2] = {"Plu_No,UnitPrice\r\n", "Plu_No,UnitPrice\r\n"};
  for (int n = 1; n <= 25; ++n) {
    files[0] += std::to_string(n) + ",100\r\n";
    files[1] += std::to_string(n) + "a,100\r\n";  // "1a" is read as 1
  }
  const std::regex stamp("[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9:]{8} [0-9]{4}:");
  std::string logs[2];
  std::string dumps[2];
  Captured runs[2];
  for (int i = 0; i < 2; ++i) {
    h.writeFile(testing::SimHarness::kDriverLog, "");
    start("scale=Deli,port=0,model=vt30,simdump=deli.dump\n");
    h.writeFile("plu.txt", files[i]);
    runs[i] = runCaptured("-u plu.txt");
    stop();
    logs[i] = std::regex_replace(h.driverLog(), stamp, "");
    dumps[i] = h.readFile("deli.dump");
  }
  EXPECT_EQ(runs[0].err, "");
  EXPECT_EQ(countOf(runs[1].err, "warning: plu.txt:"), 20u) << runs[1].err;
  EXPECT_TRUE(contains(runs[1].err,
                       "warning: plu.txt:2: Plu_No \"1a\" has characters behind the number; the driver reads 1\n"));
  EXPECT_TRUE(contains(runs[1].err, "\ntolvandrv: warning: ... and 5 more\n"));
  EXPECT_EQ(runs[1].out, runs[0].out);
  EXPECT_EQ(runs[1].status, runs[0].status);
  EXPECT_TRUE(contains(logs[1], "25 additions and 0 deletions imported")) << logs[1];
  EXPECT_EQ(logs[1], logs[0]);
  EXPECT_EQ(dumps[1], dumps[0]);
}

// A line holding a NUL byte is dropped whole: cut at the NUL it would send
// PLU 101 with price 0 and no description.
TEST_F(FileCheckRun, ALineHoldingANulByteIsDroppedWithAWarning) {
  start("scale=Deli,port=0,model=vt30,simdump=deli.dump\n");
  h.writeFile("plu.txt", "Plu_No,UnitPrice,Desc\r\n7,1.25,Seven\r\n101" + std::string(1, '\0') + ",4.99,Cheese\r\n");
  const std::string finding = "plu.txt:3: the line holds a NUL byte; the driver drops the whole line\n";
  Captured checked = runCaptured("--check -u plu.txt");
  EXPECT_EQ(checked.status, 60);
  EXPECT_TRUE(contains(checked.out, finding + "1 finding\n")) << checked.out;
  Captured sent = runCaptured("-u plu.txt");
  stop();
  EXPECT_EQ(sent.status, 0);
  EXPECT_EQ(sent.err, "tolvandrv: warning: " + finding);
  EXPECT_TRUE(contains(h.readFile("deli.dump"), "no=7 ")) << h.readFile("deli.dump");
  EXPECT_FALSE(contains(h.readFile("deli.dump"), "no=101 ")) << h.readFile("deli.dump");
}

}  // namespace
}  // namespace tolvan

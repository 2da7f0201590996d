// Setting aside what an unfinished totals receive left: only the work files
// a record names move, flat, and never into a folder an earlier set-aside
// of the same second filled.
#include "files/pending_work_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/file_test_support.h"

namespace tolvan {
namespace {

using namespace testing;

TEST(PendingWorkFiles, EverySetAsideGetsAFolderOfItsOwnAndOnlyWorkFilesMove) {
  DriverInTempDir run;  // its clock stands still: both set-asides fall in one second
  CurrentDir inside(run.dir.path());
  std::filesystem::create_directory("sub");
  for (const std::string round : {"1", "2"}) {
    SCOPED_TRACE(round);
    run.write("DeliWrk.txt", "round " + round);
    run.write("sub/BakeryWrk.txt", "bakery");
    run.write("notes.txt", "not a work file");
    // A damaged record: no start line, a name that is no work file, one gone.
    run.write(kPendingWorkFiles, "DeliWrk.txt\r\nnotes.txt\r\nGoneWrk.txt\r\nsub/BakeryWrk.txt\r\n");
    FindingList findings;
    findPendingWorkFiles(findings);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].text.substr(0, 74),
              "a totals receive started at an unknown time did not finish and left 2 work");
    std::optional<KeptFiles> kept;
    std::FILE* err = std::tmpfile();
    ASSERT_EQ(keepPendingWorkFiles(run.driver, kept, err), kMsgOk);
    std::fclose(err);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->folder, "TolvanDrvKept/2026-12-04_135624" + std::string(round == "1" ? "" : "~2"));
    EXPECT_EQ(kept->files, std::vector<std::string>({"DeliWrk.txt", "sub_BakeryWrk.txt"}));
    EXPECT_TRUE(run.dir.exists(kept->folder + "/" + kPendingWorkFiles));
    EXPECT_TRUE(run.dir.exists("notes.txt"));
    EXPECT_FALSE(run.dir.exists("DeliWrk.txt") || run.dir.exists(kPendingWorkFiles));
  }
  EXPECT_EQ(run.dir.read("TolvanDrvKept/2026-12-04_135624/DeliWrk.txt"), "round 1");
  FindingList none;
  findPendingWorkFiles(none);
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace tolvan

#include "platform/folder_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tolvan {
namespace {

// A user who may only read the lock file opens it for reading, which locks
// just the same: runs stay apart whoever starts them. That user is a child
// that gives up root, whom no permission stops.
TEST(FolderLock, AUserWhoMayOnlyReadTheLockFileStillLocksWithIt) {
#ifdef _WIN32
  GTEST_SKIP() << "a test cannot become another user on Windows: see AReadOnlyLockFileStillLocks";
#else
  testing::TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  const std::string path = dir.file("TolvanDrv.lock");
  auto asAnotherUser = [&path] {
    pid_t child = ::fork();
    FolderLock lock;
    if (child == 0) ::_exit(::setgid(65534) || ::setuid(65534) ? 99 : static_cast<int>(lock.tryTake(path, "2\n")));
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  auto held = std::make_unique<FolderLock>();
  ASSERT_EQ(held->tryTake(path, "first run\n"), FolderLock::Outcome::Taken);
  EXPECT_EQ(asAnotherUser(), static_cast<int>(FolderLock::Outcome::HeldByAnother));
  held.reset();
  EXPECT_EQ(asAnotherUser(), static_cast<int>(FolderLock::Outcome::Taken));
  EXPECT_EQ(dir.read("TolvanDrv.lock"), "first run\n");
#endif
}

// A lock file that may only be read (on Windows: read-only, whoever runs)
// is opened for reading and locks the same.
TEST(FolderLock, AReadOnlyLockFileStillLocks) {
  testing::TempDir dir;
  dir.write("TolvanDrv.lock", "an earlier run\n");
  namespace fs = std::filesystem;
  fs::permissions(dir.file("TolvanDrv.lock"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  FolderLock first, second;
  EXPECT_EQ(first.tryTake(dir.file("TolvanDrv.lock"), "first run\n"), FolderLock::Outcome::Taken);
  EXPECT_EQ(second.tryTake(dir.file("TolvanDrv.lock"), "second run\n"), FolderLock::Outcome::HeldByAnother);
  fs::permissions(dir.file("TolvanDrv.lock"), fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
}  // namespace tolvan

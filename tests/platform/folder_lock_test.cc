#include "platform/folder_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "support/temp_dir.h"

namespace tolvan {
namespace {

// A user who may only read the lock file opens it for reading, which locks
// just the same: runs stay apart whoever starts them. That user is a child
// that gives up root, whom no permission stops.
TEST(FolderLock, AUserWhoMayOnlyReadTheLockFileStillLocksWithIt) {
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
}

}  // namespace
}  // namespace tolvan

// The single-instance guard: a second holder is refused while the first
// lives, and a crashed holder does not block the next start.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "app/single_instance.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

// Tries the guard in a fresh process; true when it was acquired.
bool AcquiredInChild(const std::string& lock) {
  const pid_t pid = fork();
  if (pid == 0) {
    SingleInstanceGuard guard;
    _exit(guard.Acquire(lock) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SingleInstance, SecondStartIsRefusedUntilTheFirstEnds) {
  test::TempDir dir;
  const std::string lock = dir.File("SharedExists.lock");
  {
    SingleInstanceGuard first;
    ASSERT_TRUE(first.Acquire(lock));
    EXPECT_FALSE(AcquiredInChild(lock));
  }
  EXPECT_TRUE(AcquiredInChild(lock));
}

TEST(SingleInstance, ACrashedInstanceDoesNotBlockTheNext) {
  test::TempDir dir;
  const std::string lock = dir.File("SharedExists.lock");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    SingleInstanceGuard guard;
    const char ok = guard.Acquire(lock) ? 'y' : 'n';
    (void)!write(ready[1], &ok, 1);
    pause();  // killed below, without any clean-up
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  EXPECT_FALSE(AcquiredInChild(lock));
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(AcquiredInChild(lock));
  close(ready[0]);
  close(ready[1]);
}

TEST(SingleInstance, LockPathIsPerUserAndNamed) {
  const std::string path = SingleInstanceLockPath("SharedExists");
  EXPECT_NE(path.find("SharedExists-" + std::to_string(getuid())), std::string::npos) << path;
}

}  // namespace
}  // namespace tessalin

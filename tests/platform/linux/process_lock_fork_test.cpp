#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/util/clock.h"
#include "platform/process_lock.h"

namespace z7 {
namespace {

// The child holds the lock until the parent closes the pipe, or dies holding it.
TEST(ProcessLockAcrossProcesses, AnotherProcessIsExcludedAndADeadHolderReleasesTheLock) {
    const auto file = std::filesystem::temp_directory_path() / "z7-lock-fork" / "x.lock";
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(release[1]);  // or the parent's close would never reach the child as EOF
        SystemClock clock;
        LockAttempt held = AcquireProcessLock(file, Millis(0), clock);
        const char c = held.status == LockStatus::kAcquired ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        char ignored;
        (void)!::read(release[0], &ignored, 1);
        ::_exit(0);  // dies with the lock held: the kernel must drop it
    }
    ::close(release[0]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    VirtualClock clock;
    EXPECT_EQ(AcquireProcessLock(file, Millis(200), clock).status, LockStatus::kBusy);

    ::close(release[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(AcquireProcessLock(file, Millis(0), clock).status, LockStatus::kAcquired);
}

}  // namespace
}  // namespace z7

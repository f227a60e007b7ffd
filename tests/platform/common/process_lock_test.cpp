#include <gtest/gtest.h>

#include <filesystem>

#include "core/util/clock.h"
#include "platform/process_lock.h"

namespace z7 {
namespace {

std::filesystem::path TempLockFile(const char* name) {
    const auto folder = std::filesystem::temp_directory_path() / "z7-lock-test" /
                        ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder);
    return folder / "sub" / name;
}

TEST(ProcessLock, ASecondHolderWaitsItsTimeoutThenReportsBusyAndGetsTheLockOnceReleased) {
    VirtualClock clock;
    const auto file = TempLockFile("data.lock");
    LockAttempt first = AcquireProcessLock(file, Millis(0), clock);
    ASSERT_EQ(first.status, LockStatus::kAcquired);
    EXPECT_TRUE(std::filesystem::exists(file));  // the folder was made for it

    std::string error;
    LockAttempt second = AcquireProcessLock(file, Millis(500), clock, &error);
    EXPECT_EQ(second.status, LockStatus::kBusy);
    EXPECT_EQ(second.lock, nullptr);
    EXPECT_NE(error.find("another program"), std::string::npos);
    EXPECT_EQ(clock.TotalSlept(), Millis(500));  // bounded by the timeout, not more

    first.lock.reset();
    EXPECT_EQ(AcquireProcessLock(file, Millis(0), clock).status, LockStatus::kAcquired);
}

TEST(ProcessLock, AnUncreatableLockFileIsAnErrorNotAWait) {
    VirtualClock clock;
    const auto blocker = TempLockFile("plain-file");
    std::filesystem::create_directories(blocker.parent_path());
    {
        std::FILE* f = std::fopen(blocker.string().c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    std::string error;
    const LockAttempt attempt = AcquireProcessLock(blocker / "x.lock", Millis(1000), clock, &error);
    EXPECT_EQ(attempt.status, LockStatus::kError);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(clock.TotalSlept(), Millis(0));
}

}  // namespace
}  // namespace z7

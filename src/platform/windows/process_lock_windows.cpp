#include <windows.h>

#include <algorithm>

#include "platform/process_lock.h"
#include "platform/windows/win32_io.h"

namespace z7 {
namespace {

class FileRangeLock final : public ProcessLock {
  public:
    FileRangeLock(std::filesystem::path path, HANDLE file)
        : ProcessLock(std::move(path)), file_(file) {}
    ~FileRangeLock() override {
        OVERLAPPED at{};
        UnlockFileEx(file_, 0, 1, 0, &at);
        CloseHandle(file_);
    }

  private:
    HANDLE file_;
};

}  // namespace

LockAttempt AcquireProcessLock(const std::filesystem::path& lockFile, Millis timeout, Clock& clock,
                               std::string* error) {
    std::error_code ec;
    if (lockFile.has_parent_path()) std::filesystem::create_directories(lockFile.parent_path(), ec);
    const HANDLE file = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error)
            *error = "cannot open the lock file " + lockFile.string() + ": " +
                     SystemMessage(GetLastError());
        return {LockStatus::kError, nullptr};
    }
    const Clock::TimePoint deadline = clock.Now() + timeout;
    Millis pause(2);
    for (;;) {
        OVERLAPPED at{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
            return {LockStatus::kAcquired, std::make_unique<FileRangeLock>(lockFile, file)};
        const DWORD code = GetLastError();
        if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) {
            if (error) *error = "cannot lock " + lockFile.string() + ": " + SystemMessage(code);
            CloseHandle(file);
            return {LockStatus::kError, nullptr};
        }
        const Clock::TimePoint now = clock.Now();
        if (now >= deadline) break;
        clock.Sleep(std::min(pause, std::chrono::duration_cast<Millis>(deadline - now)));
        pause = std::min(pause * 2, Millis(50));
    }
    CloseHandle(file);
    if (error) *error = "another program holds " + lockFile.string();
    return {LockStatus::kBusy, nullptr};
}

}  // namespace z7

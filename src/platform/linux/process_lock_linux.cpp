#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/process_lock.h"

namespace z7 {
namespace {

class FlockLock final : public ProcessLock {
  public:
    FlockLock(std::filesystem::path path, int fd) : ProcessLock(std::move(path)), fd_(fd) {}
    ~FlockLock() override { ::close(fd_); }  // closing the only descriptor releases the flock

  private:
    int fd_;
};

void SetError(std::string* error, const char* what, const std::filesystem::path& path, int code) {
    if (error) *error = std::string(what) + " " + path.string() + ": " + std::strerror(code);
}

}  // namespace

LockAttempt AcquireProcessLock(const std::filesystem::path& lockFile, Millis timeout, Clock& clock,
                               std::string* error) {
    std::error_code ec;
    if (lockFile.has_parent_path()) std::filesystem::create_directories(lockFile.parent_path(), ec);
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetError(error, "cannot open the lock file", lockFile, errno);
        return {LockStatus::kError, nullptr};
    }
    const Clock::TimePoint deadline = clock.Now() + timeout;
    Millis pause(2);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return {LockStatus::kAcquired, std::make_unique<FlockLock>(lockFile, fd)};
        const int code = errno;
        if (code != EWOULDBLOCK && code != EINTR) {
            ::close(fd);
            SetError(error, "cannot lock", lockFile, code);
            return {LockStatus::kError, nullptr};
        }
        const Clock::TimePoint now = clock.Now();
        if (now >= deadline) break;
        clock.Sleep(std::min(pause, std::chrono::duration_cast<Millis>(deadline - now)));
        pause = std::min(pause * 2, Millis(50));
    }
    ::close(fd);
    if (error) *error = "another program holds " + lockFile.string();
    return {LockStatus::kBusy, nullptr};
}

}  // namespace z7

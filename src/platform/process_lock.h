#pragma once
// An exclusive lock that every process on this machine honours, held on a lock file (flock on
// Linux, LockFileEx on Windows). The operating system drops it when the holder exits or
// crashes, so a killed program never leaves the data folder or the mouse locked.
//
// Two ProcessLock objects on one file exclude each other even inside one process, so a thread
// that already holds the lock must not wait for it again.
#include <filesystem>
#include <memory>
#include <string>

#include "core/util/clock.h"

namespace z7 {

class ProcessLock {
  public:
    virtual ~ProcessLock() = default;
    const std::filesystem::path& path() const { return path_; }

  protected:
    explicit ProcessLock(std::filesystem::path path) : path_(std::move(path)) {}

  private:
    std::filesystem::path path_;
};

enum class LockStatus {
    kAcquired,
    kBusy,   // another holder kept it for the whole wait
    kError,  // the lock file could not be created or locked; `error` says why
};

struct LockAttempt {
    LockStatus status = LockStatus::kError;
    std::unique_ptr<ProcessLock> lock;  // set when acquired; the lock lasts as long as it
};

// Creates `lockFile` (and its folder) when missing and waits up to `timeout` for the lock,
// trying again every few milliseconds on `clock`. A zero timeout tries once.
[[nodiscard]] LockAttempt AcquireProcessLock(const std::filesystem::path& lockFile, Millis timeout,
                                             Clock& clock, std::string* error = nullptr);

}  // namespace z7

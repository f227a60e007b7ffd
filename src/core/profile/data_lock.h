#pragma once
// One writer at a time in a data folder: every program that loads, changes and saves profiles
// or libraries holds this lock for the whole of it, so that no process undoes another's change
// and recovery never touches another writer's staged files. The lock file lives beside the
// profile and library folders; saves never remove it and a backup may leave it out.
#include <filesystem>
#include <string>

#include "core/util/clock.h"
#include "platform/process_lock.h"

namespace z7 {

inline constexpr char kDataLockFileName[] = "data.lock";
// How long a program waits for another one's save before it gives up.
inline constexpr Millis kDataLockWait{10000};

// Data folder + "Kesta/Z7 Laser/data.lock".
std::filesystem::path DataLockFile(const std::filesystem::path& dataFolder);

// Waits up to `wait` for the data folder's lock. On kBusy and kError `error` says so in words a
// user can act on.
[[nodiscard]] LockAttempt LockDataFolder(const std::filesystem::path& dataFolder, Clock& clock,
                                         std::string* error, Millis wait = kDataLockWait);

}  // namespace z7

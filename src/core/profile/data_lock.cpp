#include "core/profile/data_lock.h"

#include "core/profile/settings.h"
#include "core/util/text.h"

namespace z7 {

std::filesystem::path DataLockFile(const std::filesystem::path& dataFolder) {
    return DataRoot(dataFolder) / kDataLockFileName;
}

LockAttempt LockDataFolder(const std::filesystem::path& dataFolder, Clock& clock,
                           std::string* error, Millis wait) {
    std::string detail;
    LockAttempt attempt = AcquireProcessLock(DataLockFile(dataFolder), wait, clock, &detail);
    if (!error) return attempt;
    if (attempt.status == LockStatus::kBusy)
        *error = "another program is still changing the data folder " + PathToUtf8(dataFolder) +
                 " (waited " + std::to_string((wait.count() + 999) / 1000) + " s); try again";
    else if (attempt.status == LockStatus::kError)
        *error = "cannot lock the data folder: " + detail;
    return attempt;
}

}  // namespace z7

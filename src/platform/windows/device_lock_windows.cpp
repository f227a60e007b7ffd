#include <system_error>

#include "platform/device_lock.h"

namespace z7 {

std::filesystem::path DeviceLockFolder() {
    // The user's own temporary folder (GetTempPathW): the lock files are per user, as the
    // locks of the other programs of this user are.
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec) temp = std::filesystem::current_path(ec);
    return temp / L"kesta-z7";
}

}  // namespace z7

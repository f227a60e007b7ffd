#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/device_lock.h"

namespace z7 {

std::filesystem::path DeviceLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    // The XDG rules ignore relative values.
    if (runtime && *runtime == '/') return std::filesystem::path(runtime) / "kesta-z7";
    return std::filesystem::path("/tmp") / ("kesta-z7-" + std::to_string(::getuid()));
}

}  // namespace z7

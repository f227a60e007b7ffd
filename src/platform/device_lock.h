#pragma once
// Where the lock files live that keep one mouse to one program at a time: a folder of this
// user's that every program of the user finds in the same place.
#include <filesystem>

namespace z7 {

// $XDG_RUNTIME_DIR/kesta-z7 on Linux (else /tmp/kesta-z7-UID); %TEMP%\kesta-z7 on Windows.
// Not created here: the lock primitive creates it with the first lock file.
std::filesystem::path DeviceLockFolder();

}  // namespace z7

#include "sim/sim_state_store.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

#include "sim/sim_factory.h"
#include "sim/sim_state_file.h"

namespace z7 {
namespace {

// Unique within this process by the counter, across processes by the random part.
std::string TempSuffix() {
    static std::atomic<uint32_t> counter{0};
    static const uint64_t seed = [] {
        std::random_device device;
        return (uint64_t{device()} << 32) ^ device() ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }();
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, ".%016llx-%u.tmp", static_cast<unsigned long long>(seed),
                  static_cast<unsigned>(counter++));
    return buffer;
}

}  // namespace

bool ReadSimStateFile(FileSystem& fs, const std::filesystem::path& path, SimState& state,
                      std::string& error) {
    if (!fs.Exists(path)) {
        state = FactorySimState();
        return true;
    }
    std::vector<uint8_t> bytes;
    std::string why;
    if (!fs.ReadFile(path, bytes, kSimStateMaxBytes, &why)) {
        error = "cannot read the simulator state " + path.string() + ": " + why;
        return false;
    }
    if (!LoadSimState(bytes, state)) {
        error = "the simulator state " + path.string() + " is damaged";
        return false;
    }
    return true;
}

bool WriteSimStateFile(FileSystem& fs, const std::filesystem::path& path, const SimState& state,
                       std::string& error) {
    const std::vector<uint8_t> bytes = SaveSimState(state);
    std::filesystem::path temp = path;
    temp += TempSuffix();
    std::string why;
    const std::filesystem::path folder = path.parent_path();
    if ((!folder.empty() && !fs.IsDirectory(folder) && !fs.CreateDirectories(folder, &why)) ||
        !fs.WriteFile(temp, bytes, &why) || !fs.Rename(temp, path, &why)) {
        std::string ignored;
        if (fs.Exists(temp)) (void)fs.Remove(temp, &ignored);
        error = "cannot write the simulator state " + path.string() + ": " + why;
        return false;
    }
    return true;
}

std::filesystem::path SimStateLockFile(const std::filesystem::path& statePath) {
    std::filesystem::path lock = statePath;
    lock += ".lock";
    return lock;
}

LockAttempt LockSimState(const std::filesystem::path& statePath, Millis wait, Clock& clock,
                         std::string* error) {
    LockAttempt attempt = AcquireProcessLock(SimStateLockFile(statePath), wait, clock, error);
    if (attempt.status == LockStatus::kBusy && error)
        *error = "another program is using the simulated mouse " + statePath.string() +
                 " (a `sim serve` of it is reached with --simulate unix:SOCKET)";
    return attempt;
}

}  // namespace z7

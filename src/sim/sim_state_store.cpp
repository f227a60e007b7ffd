#include "sim/sim_state_store.h"

#include "sim/sim_factory.h"
#include "sim/sim_state_file.h"

namespace z7 {

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
    temp += ".tmp";
    std::string why;
    const std::filesystem::path folder = path.parent_path();
    if ((!folder.empty() && !fs.IsDirectory(folder) && !fs.CreateDirectories(folder, &why)) ||
        !fs.WriteFile(temp, bytes, &why) || !fs.Rename(temp, path, &why)) {
        error = "cannot write the simulator state " + path.string() + ": " + why;
        return false;
    }
    return true;
}

}  // namespace z7

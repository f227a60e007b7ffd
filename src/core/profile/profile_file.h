#pragma once
// The profile file ("*.profile") and the profile list ("pfList.dat"), byte for byte.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "core/profile/profile_record.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr uint8_t kProfileMagic[4] = {0xB9, 0x52, 0x33, 0x01};
inline constexpr size_t kMaxProfileFileBytes = 16 << 20;

// Fails (nullopt) only for a bound copy of more than 255 events, which the format cannot hold.
std::optional<std::vector<uint8_t>> SerializeProfile(const ProfileRecord& record);
// Reads every stored field into `record`; on a wrong magic, a short or damaged file, or bytes
// after the last field it returns false and leaves `record` untouched. filePath and the default
// values are not touched.
[[nodiscard]] bool ParseProfile(std::span<const uint8_t> bytes, ProfileRecord& record);

[[nodiscard]] bool WriteProfileFile(FileSystem& fs, const ProfileRecord& record,
                                    const std::filesystem::path& path, std::string* error);
// 1 on success; 0 when the file cannot be read or is not a profile (record untouched).
[[nodiscard]] int ReadProfileFile(FileSystem& fs, const std::filesystem::path& path,
                                  ProfileRecord& record);

struct ProfileListEntry {
    uint8_t slot = 0;
    std::u16string path;
    friend bool operator==(const ProfileListEntry&, const ProfileListEntry&) = default;
};
std::vector<uint8_t> SerializeProfileList(const std::vector<ProfileListEntry>& entries);
// False on a list that is not exactly well-formed (truncated, bytes after the last entry);
// `out` is then untouched.
[[nodiscard]] bool ParseProfileList(std::span<const uint8_t> bytes,
                                    std::vector<ProfileListEntry>& out);

}  // namespace z7

#pragma once
// The backup file itself: a zip archive that ordinary tools open, written and read through
// libarchive, and the SHA-256 checksums of its members. Builds without libarchive (the Windows
// cross build) have none of it: BackupArchiveAvailable() is false there and every call fails
// saying so.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace z7 {

bool BackupArchiveAvailable();
// What a build without the archive library says instead of backing up or restoring.
inline constexpr char kBackupUnavailable[] =
    "backup and restore are not available in this build (it was built without libarchive)";

struct ArchiveMember {
    std::string name;  // UTF-8, "/" between folders
    std::vector<uint8_t> bytes;
};

// A zip archive (deflate, UTF-8 names, regular files of mode 0644) of `members`, in memory.
[[nodiscard]] bool WriteZipArchive(const std::vector<ArchiveMember>& members,
                                   std::vector<uint8_t>& out, std::string* error);

// What a reader accepts. `memberLimit` decides for each regular file (by its normalised name)
// whether it may be in the archive at all (nullopt: refused) and how large it may be;
// `folderAllowed` decides for each folder entry.
struct ArchiveLimits {
    size_t maxEntries = 0;
    size_t maxTotalBytes = 0;
    std::function<std::optional<size_t>(const std::string& name)> memberLimit;
    std::function<bool(const std::string& name)> folderAllowed;
};

// Reads a zip or (gzip-compressed) tar archive. Refuses, with `error` saying why: links of
// either kind, devices and other special files, names that are absolute or climb out with
// "..", members the limits refuse or that are larger than they allow (declared or actual),
// more entries or more bytes in all than allowed, a name given twice, encrypted or damaged
// members. `out` is unchanged on failure.
[[nodiscard]] bool ReadArchive(std::span<const uint8_t> archive, const ArchiveLimits& limits,
                               std::vector<ArchiveMember>& out, std::string* error);

// Lower-case hex SHA-256 of `bytes`; empty where the build has no archive support.
std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace z7

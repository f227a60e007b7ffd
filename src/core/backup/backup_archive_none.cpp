// Builds without libarchive (the Windows cross build): no backup file can be written or read.
#include "core/backup/backup_archive.h"

namespace z7 {

bool BackupArchiveAvailable() {
    return false;
}

bool WriteZipArchive(const std::vector<ArchiveMember>&, std::vector<uint8_t>&, std::string* error) {
    if (error) *error = kBackupUnavailable;
    return false;
}

bool ReadArchive(std::span<const uint8_t>, const ArchiveLimits&, std::vector<ArchiveMember>&,
                 std::string* error) {
    if (error) *error = kBackupUnavailable;
    return false;
}

std::string Sha256Hex(std::span<const uint8_t>) {
    return {};
}

}  // namespace z7

// The restore's reader: the archive listing with its limits, the manifest and the checksum
// list, as a restore meets them in a file of unknown origin.
#include <cstdint>
#include <cstdlib>

#include "core/backup/backup.h"
#include "platform/fake/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static z7::MemoryFileSystem fs;
    const std::span<const uint8_t> bytes(data, size);

    z7::BackupContents contents;
    if (z7::ParseBackup(fs, bytes, contents, nullptr)) {
        // What a restore goes on with: files of the tree's folders under plain names only.
        for (const z7::BackupFile& f : contents.files)
            if (f.folder >= z7::kTreeFolderCount || f.name != f.name.filename() ||
                f.name == ".." || f.name.empty())
                std::abort();
    }

    z7::BackupManifest manifest;
    (void)z7::ParseManifest(bytes, manifest, nullptr);

    z7::ChecksumList sums;
    if (z7::ParseChecksums(bytes, sums, nullptr)) {
        z7::ChecksumList again;
        if (!z7::ParseChecksums(z7::EncodeChecksums(sums), again, nullptr) || again != sums)
            std::abort();
    }
    return 0;
}

// The firmware package's description (config.ini) decides which file is read as the image:
// whatever it says, only a file inside the package folder is read, and a package that loads is
// one the updater can use.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/firmware/firmware_package.h"
#include "platform/fake/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::MemoryFileSystem fs;
    std::string ignored;
    const std::filesystem::path folder = "/p/Firmware Updates";
    (void)fs.CreateDirectories(folder, &ignored);
    (void)fs.WriteFile(folder / "config.ini", {data, data + size}, &ignored);
    const std::vector<uint8_t> payload(300, 0x5A);
    const auto image = z7::BuildFirmwareImageFile(payload, 105);
    (void)fs.WriteFile(folder / "Z7_V1.05.bin", image, &ignored);
    (void)fs.WriteFile("/p/outside_V1.05.bin", image, &ignored);

    z7::FirmwarePackage package;
    if (z7::LoadFirmwarePackage(fs, folder, package) != z7::FirmwareLoadError::None) return 0;
    if (!z7::AcceptDescription(package.description)) std::abort();
    const std::u16string& name = package.description.name;
    if (name.find_first_of(u"/\\") != std::u16string::npos || name == u"..") std::abort();
    if (package.image.blocks.empty() ||
        package.image.computedChecksum != package.image.headerChecksum)
        std::abort();
    return 0;
}

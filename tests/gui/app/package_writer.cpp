#include "package_writer.h"

#include <vector>

#include "core/firmware/firmware_package.h"

namespace z7::test {

bool WriteTestFirmwarePackage(const std::filesystem::path& folder, uint16_t version,
                              std::string& error) {
    const std::vector<uint8_t> payload(3000, 0x5A);
    std::string imageName;
    return WriteFirmwarePackage(LocalFileSystem(), folder, payload, version, &imageName, &error);
}

}  // namespace z7::test

#include <cstdint>
#include <cstdlib>

#include "core/firmware/firmware_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::FirmwareImage image;
    if (z7::ParseFirmwareImage({data, size}, image) != z7::FirmwareLoadError::None) return 0;
    if (image.blocks.empty() || image.blocks.size() > z7::kMaxFirmwareBlocks) std::abort();
    if (image.payloadLength > image.blocks.size() * z7::kFirmwareBlockSize) std::abort();
    return 0;
}

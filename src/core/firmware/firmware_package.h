#pragma once
// The firmware package shipped beside the program: "Firmware Updates/config.ini" naming an image
// file whose 68-byte header describes the payload the boot loader receives in 1024-byte blocks.
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace z7 {

inline constexpr char kFirmwareFolderName[] = "Firmware Updates";
inline constexpr char kFirmwareDescriptionName[] = "config.ini";
inline constexpr char16_t kFirmwareSection[] = u"Firmware";

inline constexpr size_t kFirmwareHeaderSize = 68;
inline constexpr size_t kFirmwareChecksumOffset = 10;   // u32, byte sum of the payload
inline constexpr size_t kFirmwareVendorOffset = 30;     // u16
inline constexpr size_t kFirmwareProductOffset = 32;    // u16, the normal-mode product id
inline constexpr size_t kFirmwareHeaderVersionOffset = 38;    // u16, hundredths
inline constexpr size_t kFirmwareBlockSize = 1024;
inline constexpr size_t kMaxFirmwareBlocks = 120;
inline constexpr uint16_t kMouseVendorId = 0x22D4;
inline constexpr uint16_t kMouseProductId = 0x1206;
inline constexpr uint16_t kBootProductId = 0x1205;

using FirmwareBlock = std::array<uint8_t, kFirmwareBlockSize>;

struct FirmwareDescription {
    std::u16string version;  // "Version", e.g. "1.05"
    std::u16string name;     // "Name", the image's file name in the same folder
};

// The version text must occur in the name, and its first occurrence must not start the name.
bool AcceptDescription(const FirmwareDescription& description);

struct FirmwareImage {
    uint32_t headerChecksum = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;  // hundredths: 105 is 1.05
    size_t payloadLength = 0;
    uint32_t computedChecksum = 0;
    std::vector<FirmwareBlock> blocks;  // the last one zero-filled

    bool IsForThisMouse() const { return vendorId == kMouseVendorId && productId == kMouseProductId; }
};

enum class FirmwareLoadError {
    None,
    Description,  // no description, or one that is not accepted
    Unreadable,   // the image file cannot be read
    NotAFile,     // the image is a folder, a device or a FIFO, not a regular file
    TooShort,     // shorter than its header
    TooLarge,     // more than 120 blocks of payload
    Empty,        // no payload at all
    Checksum,     // header checksum differs from the payload's byte sum
};
const char* FirmwareLoadErrorText(FirmwareLoadError error);

// Parses a whole image file; `out` is untouched on failure.
FirmwareLoadError ParseFirmwareImage(std::span<const uint8_t> file, FirmwareImage& out);

struct FirmwarePackage {
    FirmwareDescription description;
    FirmwareImage image;
};
// Reads `folder`/config.ini and the image it names.
FirmwareLoadError LoadFirmwarePackage(FileSystem& fs, const std::filesystem::path& folder,
                                      FirmwarePackage& out);

uint32_t PayloadChecksum(std::span<const uint8_t> bytes);
uint16_t BlockSum16(const FirmwareBlock& block);
// "%.2f" of hundredths / 100: 105 -> "1.05".
std::string FirmwareVersionText(uint16_t hundredths);
// "1.05" -> 105; false for text that is not a version of at most two decimals.
bool ParseFirmwareVersion(const std::string& text, uint16_t& hundredths);

// An image file (header + payload) for this mouse carrying `version`.
std::vector<uint8_t> BuildFirmwareImageFile(std::span<const uint8_t> payload, uint16_t version);
// Writes config.ini and the image file into `folder`; returns the image's file name.
[[nodiscard]] bool WriteFirmwarePackage(FileSystem& fs, const std::filesystem::path& folder,
                                        std::span<const uint8_t> payload, uint16_t version,
                                        std::string* imageName, std::string* error);

}  // namespace z7

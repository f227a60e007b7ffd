#include "core/firmware/firmware_package.h"

#include <cstdio>
#include <cstring>

#include "core/profile/ini_file.h"
#include "core/util/text.h"

namespace z7 {

namespace {
constexpr size_t kMaxImageFileBytes = kFirmwareHeaderSize + kMaxFirmwareBlocks * kFirmwareBlockSize;

uint16_t U16At(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t U32At(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

bool AcceptDescription(const FirmwareDescription& d) {
    if (d.version.empty()) return false;
    const size_t at = d.name.find(d.version);
    return at != std::u16string::npos && at >= 1;
}

const char* FirmwareLoadErrorText(FirmwareLoadError error) {
    switch (error) {
        case FirmwareLoadError::None: return "ok";
        case FirmwareLoadError::Description: return "the firmware description (config.ini) is missing or does not name an image";
        case FirmwareLoadError::Unreadable: return "the firmware image file cannot be read";
        case FirmwareLoadError::NotAFile:
            return "the firmware image is not a regular file";
        case FirmwareLoadError::TooShort: return "the firmware image file is shorter than its header";
        case FirmwareLoadError::TooLarge: return "the firmware image is larger than 120 blocks";
        case FirmwareLoadError::Empty: return "the firmware image holds no payload";
        case FirmwareLoadError::Checksum: return "the firmware image checksum does not match";
    }
    return "unknown";
}

uint32_t PayloadChecksum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (uint8_t b : bytes) sum += b;
    return sum;
}

uint16_t BlockSum16(const FirmwareBlock& block) {
    uint32_t sum = 0;
    for (uint8_t b : block) sum += b;
    return static_cast<uint16_t>(sum);
}

FirmwareLoadError ParseFirmwareImage(std::span<const uint8_t> file, FirmwareImage& out) {
    if (file.size() < kFirmwareHeaderSize) return FirmwareLoadError::TooShort;
    const std::span<const uint8_t> payload = file.subspan(kFirmwareHeaderSize);
    if (payload.empty()) return FirmwareLoadError::Empty;
    const size_t count = (payload.size() + kFirmwareBlockSize - 1) / kFirmwareBlockSize;
    if (count > kMaxFirmwareBlocks) return FirmwareLoadError::TooLarge;

    FirmwareImage image;
    image.headerChecksum = U32At(file, kFirmwareChecksumOffset);
    image.vendorId = U16At(file, kFirmwareVendorOffset);
    image.productId = U16At(file, kFirmwareProductOffset);
    image.version = U16At(file, kFirmwareHeaderVersionOffset);
    image.payloadLength = payload.size();
    image.blocks.assign(count, FirmwareBlock{});
    for (size_t i = 0; i < count; ++i) {
        const size_t n = std::min(kFirmwareBlockSize, payload.size() - i * kFirmwareBlockSize);
        std::memcpy(image.blocks[i].data(), payload.data() + i * kFirmwareBlockSize, n);
    }
    image.computedChecksum = PayloadChecksum(payload);
    if (image.computedChecksum != image.headerChecksum) return FirmwareLoadError::Checksum;
    out = std::move(image);
    return FirmwareLoadError::None;
}

FirmwareLoadError LoadFirmwarePackage(FileSystem& fs, const std::filesystem::path& folder,
                                      FirmwarePackage& out) {
    IniFile ini;
    if (!LoadIniFile(fs, folder / kFirmwareDescriptionName, ini)) return FirmwareLoadError::Description;
    FirmwareDescription d{ini.GetString(kFirmwareSection, u"Version", u""),
                          ini.GetString(kFirmwareSection, u"Name", u"")};
    // The values were read into 260-character buffers.
    if (d.version.size() > 259) d.version.resize(259);
    if (d.name.size() > 259) d.name.resize(259);
    if (!AcceptDescription(d)) return FirmwareLoadError::Description;
    // The name is a file inside the package folder, never a path leading elsewhere.
    if (d.name.find_first_of(u"/\\") != std::u16string::npos || d.name == u"..")
        return FirmwareLoadError::Description;

    const std::filesystem::path imagePath = folder / PathFromUtf16(d.name);
    std::vector<uint8_t> bytes;
    if (!fs.ReadFile(imagePath, bytes, kMaxImageFileBytes + 1, nullptr)) {
        // Tell a file that is merely too large from a missing one and from a device or FIFO,
        // whose endless bytes are no image at all.
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::status(imagePath, ec);
        if (!fs.Exists(imagePath)) return FirmwareLoadError::Unreadable;
        if (!ec && std::filesystem::is_regular_file(status)) {
            const uintmax_t size = std::filesystem::file_size(imagePath, ec);
            return !ec && size > kMaxImageFileBytes ? FirmwareLoadError::TooLarge
                                                    : FirmwareLoadError::Unreadable;
        }
        return FirmwareLoadError::NotAFile;
    }
    FirmwareImage image;
    const FirmwareLoadError e = ParseFirmwareImage(bytes, image);
    if (e != FirmwareLoadError::None) return e;
    out = FirmwarePackage{std::move(d), std::move(image)};
    return FirmwareLoadError::None;
}

std::string FirmwareVersionText(uint16_t hundredths) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2f", hundredths / 100.0);
    return buf;
}

bool ParseFirmwareVersion(const std::string& text, uint16_t& hundredths) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    const std::string frac = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 3 || frac.size() > 2) return false;
    for (char c : whole + frac)
        if (c < '0' || c > '9') return false;
    unsigned value = static_cast<unsigned>(std::stoul(whole)) * 100;
    if (!frac.empty()) value += static_cast<unsigned>(std::stoul(frac)) * (frac.size() == 1 ? 10 : 1);
    if (value > 0xFFFF) return false;
    hundredths = static_cast<uint16_t>(value);
    return true;
}

std::vector<uint8_t> BuildFirmwareImageFile(std::span<const uint8_t> payload, uint16_t version) {
    std::vector<uint8_t> file(kFirmwareHeaderSize, 0);
    PutU32(file, kFirmwareChecksumOffset, PayloadChecksum(payload));
    PutU16(file, kFirmwareVendorOffset, kMouseVendorId);
    PutU16(file, kFirmwareProductOffset, kMouseProductId);
    PutU16(file, kFirmwareHeaderVersionOffset, version);
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

bool WriteFirmwarePackage(FileSystem& fs, const std::filesystem::path& folder,
                          std::span<const uint8_t> payload, uint16_t version, std::string* imageName,
                          std::string* error) {
    const std::string versionText = FirmwareVersionText(version);
    const std::string name = "Z7_Firmware_V" + versionText + ".bin";
    if (!fs.CreateDirectories(folder, error)) return false;
    if (!fs.WriteFile(folder / name, BuildFirmwareImageFile(payload, version), error)) return false;
    IniFile ini;
    ini.Set(kFirmwareSection, u"Version", Utf8ToUtf16(versionText));
    ini.Set(kFirmwareSection, u"Name", Utf8ToUtf16(name));
    if (!SaveIniFile(fs, folder / kFirmwareDescriptionName, ini, error)) return false;
    if (imageName) *imageName = name;
    return true;
}

}  // namespace z7

#include "gui/pages/firmware/firmware_offer.h"

#include <cstdlib>

#include "core/firmware/firmware_package.h"
#include "core/profile/ini_file.h"
#include "core/util/text.h"

namespace z7 {

uint16_t PackagedFirmwareVersion(FileSystem& fs, const std::filesystem::path& folder) {
    IniFile ini;
    if (!LoadIniFile(fs, folder / kFirmwareDescriptionName, ini)) return 0;
    FirmwareDescription description;
    description.version = ini.GetString(kFirmwareSection, u"Version", u"");
    description.name = ini.GetString(kFirmwareSection, u"Name", u"");
    if (!AcceptDescription(description)) return 0;
    // "[Firmware] Version × 100, truncated": 1.059 gives 105.
    const std::string text = Utf16ToUtf8(description.version);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || value <= 0 || value * 100 > 0xFFFF) return 0;
    return static_cast<uint16_t>(value * 100 + 1e-9);
}

bool FirmwareOffer::ShouldOffer(uint16_t mouseVersion, uint16_t packagedVersion) {
    if (packagedVersion == 0 || mouseVersion >= packagedVersion) return false;
    return offered_.emplace(mouseVersion, packagedVersion).second;
}

}  // namespace z7

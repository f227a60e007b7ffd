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

QString FirmwareUpdateHint(const std::filesystem::path& folder, uint16_t packagedVersion) {
    if (packagedVersion == 0) {
        return QString::fromUtf8("没有找到可用的固件更新包。\n更新包应放在：\n%1")
            .arg(QString::fromStdString(folder.string()));
    }
    const QString version =
        QStringLiteral("V") + QString::fromStdString(FirmwareVersionText(packagedVersion));
    const QString where = QString::fromStdString(folder.string());
    return QString::fromUtf8(
               "新固件 %1 的更新包在：\n%2\n\n"
               "请保持鼠标连接，在终端运行：\n"
               "z7ctl firmware update \"%2\"")
        .arg(version, where);
}

}  // namespace z7

#include "gui/ui/skin.h"

#include <QFile>

#include "core/profile/ini_file.h"
#include "core/util/text.h"
#include "gui/ui/skin_layout.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace z7 {
namespace {
// Larger than any sheet we ship by far; refuses to decode something absurd.
constexpr qint64 kMaxSkinFileBytes = 32 * 1024 * 1024;
constexpr size_t kMaxLanguageFileBytes = 4 * 1024 * 1024;
// The lookup returns at most what the original 1024-character buffer held.
constexpr int kMaxTextLength = 1023;

QString QtPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(PathToUtf16(path));
}
}  // namespace

QImage LoadSkinImage(const std::filesystem::path& path) {
    QFile file(QtPath(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() <= 0 || file.size() > kMaxSkinFileBytes) {
        return {};
    }
    return DecodeSkinImage(file.readAll());
}

QImage DecodeSkinImage(const QByteArray& bytes) {
    QImage image;
    if (bytes.isEmpty() || !image.loadFromData(bytes)) return {};
    return image;
}

SkinStore::SkinStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

QImage SkinStore::Sheet(const QString& fileName) {
    std::lock_guard lock(mutex_);
    const auto it = sheets_.constFind(fileName);
    if (it != sheets_.constEnd()) return *it;
    // Only the skin's own file names reach the disk.
    QImage image;
    for (const char* name : SkinFileNames()) {
        if (fileName == QLatin1String(name)) {
            image = LoadSkinImage(folder_ / PathFromUtf16(fileName.toStdU16String()));
            break;
        }
    }
    sheets_.insert(fileName, image);
    return image;
}

QImage SkinStore::SkinPart(int element, int state, int left, int top, int right, int bottom) {
    const QString fileName = SkinFileFor(element, state);
    if (fileName.isEmpty()) return {};
    const QImage sheet = Sheet(fileName);
    if (sheet.isNull()) return {};
    if (IsWholeImageElement(element)) return sheet.copy();
    const QRect area(left, top, right - left, bottom - top);
    if (area.isEmpty() || !sheet.rect().contains(area)) return {};
    return sheet.copy(area);
}

QImage SkinStore::SkinPart(int element, int state) {
    const QRect r = ElementRect(element);
    if (r.isNull()) return {};
    return SkinPart(element, state, r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

SkinStore& ProgramSkin() {
    static SkinStore store(FindAsset("Z7_CN_Skins"));
    return store;
}

QImage SkinPart(int element, int state, int left, int top, int right, int bottom) {
    return ProgramSkin().SkinPart(element, state, left, top, right, bottom);
}

QImage SkinPart(int element, int state) {
    return ProgramSkin().SkinPart(element, state);
}

bool LanguageTable::Load(const std::filesystem::path& path) {
    texts_.clear();
    std::vector<uint8_t> bytes;
    if (!LocalFileSystem().ReadFile(path, bytes, kMaxLanguageFileBytes, nullptr)) return false;
    LoadBytes(bytes);
    return true;
}

void LanguageTable::LoadBytes(std::span<const uint8_t> bytes) {
    texts_.clear();
    const IniFile ini = IniFile::Parse(bytes);
    for (const std::u16string& key : ini.sectionKeys(u"Text")) {
        const std::u16string value = ini.GetString(u"Text", key, u"");
        if (value.empty()) continue;
        texts_.insert(QString::fromStdU16String(key),
                      QString::fromStdU16String(value).left(kMaxTextLength));
    }
}

QString LanguageTable::Text(const QString& key, const QString& builtIn) const {
    const auto it = texts_.constFind(key.trimmed());
    return it == texts_.constEnd() ? builtIn : *it;
}

QString LanguageText(const QString& key, const QString& builtIn) {
    static const LanguageTable table = [] {
        LanguageTable t;
        const std::filesystem::path path = FindAsset("language.ini");
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) (void)t.Load(path);
        return t;
    }();
    return table.Text(key, builtIn);
}

QString LanguageText(int key, const QString& builtIn) {
    return LanguageText(QString::number(key), builtIn);
}

}  // namespace z7

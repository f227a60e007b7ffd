#include "core/buttons/library_popups.h"

#include "core/buttons/button_function.h"
#include "core/buttons/key_name.h"

namespace z7 {

namespace {
template <class Library>
Library LoadFrom(FileSystem& fs, const std::filesystem::path& dataFolder,
                 const std::optional<std::filesystem::path>& saveFolder) {
    Library lib = Library::ForDataFolder(dataFolder);
    lib.Load(fs);
    if (saveFolder) lib.SetFolder(Library::ForDataFolder(*saveFolder).folder());
    return lib;
}

// Delete removes the imported file only while it still exists; either way it is forgotten once
// it is gone.
void ForgetIfGone(FileSystem& fs, std::filesystem::path& imported) {
    if (!imported.empty() && !fs.Exists(imported)) imported.clear();
}
}  // namespace

// ---- bind key

BindKeyPopupModel::BindKeyPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                                     std::optional<std::filesystem::path> saveFolder)
    : fs_(fs), library_(LoadFrom<BindKeyLibrary>(fs, dataFolder, saveFolder)) {}

void BindKeyPopupModel::KeyCaptured(uint16_t vk) {
    key_ = vk;
    keyText_ = std::u16string(KeyNameOf(vk));
    name_ = keyText_;
}

std::optional<PopupSaveResult> BindKeyPopupModel::Save(std::string* error) {
    if (name_.empty() || keyText_.empty()) return std::nullopt;
    library_.Add(key_, name_);
    if (!library_.Save(fs_, error)) return std::nullopt;
    const BindKeyEntry* saved = library_.FindByKey(key_);
    if (!saved) return std::nullopt;
    name_ = saved->name;
    return PopupSaveResult{kAssignKeyHeader + kLibraryItemBase + key_, saved->name};
}

bool BindKeyPopupModel::Import(const std::filesystem::path& file) {
    imported_ = file;
    auto item = BindKeyLibrary::Import(fs_, file);
    if (!item) {
        name_.clear();
        return false;
    }
    key_ = item->key;
    keyText_ = std::u16string(KeyNameOf(static_cast<uint16_t>(item->key)));
    name_ = item->name;
    return true;
}

void BindKeyPopupModel::Delete() {
    library_.Delete(fs_, key_, name_, imported_);
    ForgetIfGone(fs_, imported_);
    key_ = kNoBindKey;
    keyText_.clear();
    name_.clear();
}

// ---- shortcut

ShortcutPopupModel::ShortcutPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                                       std::optional<std::filesystem::path> saveFolder)
    : fs_(fs), library_(LoadFrom<ShortcutLibrary>(fs, dataFolder, saveFolder)) {}

std::optional<PopupSaveResult> ShortcutPopupModel::Save(std::string* error) {
    auto added = library_.AddAndSave(fs_, name_, target_, error);
    if (!added) return std::nullopt;
    id_ = added->id;
    name_ = added->name;
    target_ = added->target;
    return PopupSaveResult{kShortcutHeader + kLibraryItemBase + added->id, added->name};
}

bool ShortcutPopupModel::Import(const std::filesystem::path& file) {
    imported_ = file;
    auto item = ShortcutLibrary::Import(fs_, file);
    if (!item) {
        name_.clear();
        target_.clear();
        return false;
    }
    target_ = item->target;
    id_ = item->id;
    name_ = item->name;
    return true;
}

void ShortcutPopupModel::Delete() {
    library_.Delete(fs_, id_, imported_);
    ForgetIfGone(fs_, imported_);
    name_.clear();
    target_.clear();
    id_ = kNoLibraryId;
}

// ---- text block

TextBlockPopupModel::TextBlockPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                                         std::optional<std::filesystem::path> saveFolder)
    : fs_(fs), library_(LoadFrom<TextBlockLibrary>(fs, dataFolder, saveFolder)) {}

void TextBlockPopupModel::SetText(std::u16string_view text) {
    std::u16string t = WithCrLf(text);
    if (t.size() > kMaxTextBlockUnits) {
        t.resize(kMaxTextBlockUnits);
        // Never keep half a surrogate pair or a CR without its LF.
        if (t.back() == u'\r' || (t.back() >= 0xD800 && t.back() <= 0xDBFF)) t.pop_back();
    }
    text_ = std::move(t);
}

std::optional<PopupSaveResult> TextBlockPopupModel::Save(std::string* error) {
    auto added = library_.AddAndSave(fs_, name_, text_, error);
    if (!added) return std::nullopt;
    id_ = added->id;
    name_ = added->name;
    return PopupSaveResult{kTextBlockHeader + kLibraryItemBase + added->id, added->name};
}

bool TextBlockPopupModel::Import(const std::filesystem::path& file) {
    imported_ = file;
    auto item = TextBlockLibrary::Import(fs_, file);
    if (!item) {
        name_.clear();
        text_.clear();
        return false;
    }
    text_ = item->text;
    name_ = item->name;
    id_ = item->id;
    return true;
}

void TextBlockPopupModel::Delete() {
    library_.Delete(fs_, id_, imported_);
    ForgetIfGone(fs_, imported_);
    name_.clear();
    text_.clear();
    id_ = kNoLibraryId;
}

}  // namespace z7

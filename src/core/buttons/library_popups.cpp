#include "core/buttons/library_popups.h"

#include <algorithm>

#include "core/buttons/button_function.h"
#include "core/buttons/key_name.h"
#include "core/buttons/library_sources.h"
#include "core/profile/data_lock.h"

namespace z7 {

namespace {
template <class Library>
Library LoadFrom(FileSystem& fs, const std::filesystem::path& dataFolder,
                 const std::optional<std::filesystem::path>& saveFolder) {
    Library lib = Library::ForDataFolder(dataFolder);
    // Without the data folder's lock: no recovery here; Save loads again under the lock.
    lib.Load(fs, /*recover=*/false);
    if (saveFolder) lib.SetFolder(Library::ForDataFolder(*saveFolder).folder());
    return lib;
}

// The popup's deletions, repeated on the library as it is on disk now: the entry with the same
// content, whatever id it has by now.
template <class Entry, class Same>
void RepeatDeletions(std::vector<Entry>& entries, const std::vector<Entry>& deleted, Same same) {
    for (const Entry& d : deleted) {
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const Entry& e) { return same(e, d); });
        if (it != entries.end()) entries.erase(it);
    }
}

template <class Library, class Entry, class Same>
LockAttempt PrepareSave(FileSystem& fs, const std::filesystem::path& dataFolder, bool carrying,
                        Library& library, const std::vector<Entry>& deleted, Same same,
                        std::string* error) {
    LockAttempt lock = LockDataFolder(dataFolder, DefaultClock(), error);
    if (lock.status == LockStatus::kAcquired && !carrying) {
        library.Load(fs);
        RepeatDeletions(library.entries(), deleted, same);
    }
    return lock;
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
    : fs_(fs),
      dataFolder_(saveFolder.value_or(dataFolder)),
      carrying_(saveFolder.has_value()),
      library_(LoadFrom<BindKeyLibrary>(fs, dataFolder, saveFolder)) {}

void BindKeyPopupModel::KeyCaptured(uint16_t vk) {
    key_ = vk;
    keyText_ = std::u16string(KeyNameOf(vk));
    name_ = keyText_;
}

std::optional<PopupSaveResult> BindKeyPopupModel::Save(std::string* error) {
    if (name_.empty() || keyText_.empty()) return std::nullopt;
    const LockAttempt lock = PrepareSave(
        fs_, dataFolder_, carrying_, library_, deleted_,
        [](const BindKeyEntry& a, const BindKeyEntry& b) { return a == b; }, error);
    if (lock.status != LockStatus::kAcquired) return std::nullopt;
    const size_t index = library_.Add(key_, name_);
    if (!library_.Save(fs_, error)) return std::nullopt;
    deleted_.clear();
    name_ = library_.entries()[index].name;
    return PopupSaveResult{kAssignKeyHeader + kLibraryItemBase + key_, name_};
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
    for (const BindKeyEntry& e : library_.entries())
        if (e.key == key_ && e.name == name_) deleted_.push_back(e);
    library_.Delete(fs_, key_, name_, imported_);
    ForgetIfGone(fs_, imported_);
    key_ = kNoBindKey;
    keyText_.clear();
    name_.clear();
}

// ---- shortcut

ShortcutPopupModel::ShortcutPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                                       std::optional<std::filesystem::path> saveFolder)
    : fs_(fs),
      dataFolder_(saveFolder.value_or(dataFolder)),
      carrying_(saveFolder.has_value()),
      library_(LoadFrom<ShortcutLibrary>(fs, dataFolder, saveFolder)) {}

std::optional<PopupSaveResult> ShortcutPopupModel::Save(std::string* error) {
    if (name_.empty() || target_.empty()) return std::nullopt;
    const LockAttempt lock = PrepareSave(
        fs_, dataFolder_, carrying_, library_, deleted_,
        [](const ShortcutEntry& a, const ShortcutEntry& b) {
            return a.name == b.name && a.target == b.target && a.kind == b.kind;
        },
        error);
    if (lock.status != LockStatus::kAcquired) return std::nullopt;
    auto added = library_.AddAndSave(fs_, name_, target_, error);
    if (!added) return std::nullopt;
    deleted_.clear();
    LibraryRenumbering renumbering;
    renumbering.shortcuts = library_.renumbering();
    if (!RemapProfilesOnDisk(fs_, dataFolder_, renumbering, error)) return std::nullopt;
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
    if (const ShortcutEntry* e = library_.FindById(id_)) deleted_.push_back(*e);
    library_.Delete(fs_, id_, imported_);
    ForgetIfGone(fs_, imported_);
    name_.clear();
    target_.clear();
    id_ = kNoLibraryId;
}

// ---- text block

TextBlockPopupModel::TextBlockPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                                         std::optional<std::filesystem::path> saveFolder)
    : fs_(fs),
      dataFolder_(saveFolder.value_or(dataFolder)),
      carrying_(saveFolder.has_value()),
      library_(LoadFrom<TextBlockLibrary>(fs, dataFolder, saveFolder)) {}

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
    if (name_.empty() || text_.empty()) return std::nullopt;
    const LockAttempt lock = PrepareSave(
        fs_, dataFolder_, carrying_, library_, deleted_,
        [](const TextBlockEntry& a, const TextBlockEntry& b) {
            return a.name == b.name && a.text == b.text;
        },
        error);
    if (lock.status != LockStatus::kAcquired) return std::nullopt;
    auto added = library_.AddAndSave(fs_, name_, text_, error);
    if (!added) return std::nullopt;
    deleted_.clear();
    LibraryRenumbering renumbering;
    renumbering.textBlocks = library_.renumbering();
    if (!RemapProfilesOnDisk(fs_, dataFolder_, renumbering, error)) return std::nullopt;
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
    if (const TextBlockEntry* e = library_.FindById(id_)) deleted_.push_back(*e);
    library_.Delete(fs_, id_, imported_);
    ForgetIfGone(fs_, imported_);
    name_.clear();
    text_.clear();
    id_ = kNoLibraryId;
}

}  // namespace z7

#include "core/buttons/shortcut_library.h"

#include <algorithm>

#include "core/profile/data_stream.h"
#include "core/util/text.h"

namespace z7 {

bool ParseShortcutItem(std::span<const uint8_t> bytes, ShortcutEntry& out) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ShortcutEntry item;
    uint8_t kind = 0;
    if (!s.ReadI32(item.id) || !s.ReadU8(kind) || !s.ReadString(item.name) ||
        !s.ReadString(item.target) || s.remaining() != 0 || kind > kTargetOther)
        return false;
    item.kind = kind;
    out = std::move(item);
    return true;
}

std::vector<uint8_t> SerializeShortcutItem(const ShortcutEntry& item) {
    DataStream s;
    s.WriteI32(item.id);
    s.WriteU8(static_cast<uint8_t>(item.kind));
    s.WriteString(item.name);
    s.WriteString(item.target);
    return {s.bytes().begin(), s.bytes().end()};
}

int32_t ClassifyTarget(FileSystem& fs, std::u16string& target) {
    const std::u16string_view t(target);
    if (t.starts_with(u"http://") || t.starts_with(u"https://")) return kTargetWebAddress;
    if (t.starts_with(u"www.")) {
        target = u"http://" + target;
        return kTargetWebAddress;
    }
    const std::filesystem::path path = PathFromUtf16(target);
    if (!fs.Exists(path)) return kTargetNotFound;
    if (fs.IsDirectory(path)) return kTargetOther;
    return t.find(u".exe") != std::u16string_view::npos ? kTargetProgram : kTargetFile;
}

void ShortcutLibrary::Load(FileSystem& fs, bool recover) {
    std::vector<ShortcutEntry> loaded;
    loaded_ = ForEachLibraryItem(
        fs, folder_, kShortcutFormat,
        [&](std::span<const uint8_t> bytes) {
            ShortcutEntry e;
            if (!ParseShortcutItem(bytes, e)) return false;
            loaded.push_back(std::move(e));
            return true;
        },
        recover);
    entries_ = std::move(loaded);
}

bool ShortcutLibrary::Save(FileSystem& fs, int32_t* currentId, std::string* error) {
    std::vector<ShortcutEntry> staged = entries_;
    int32_t followed = currentId ? *currentId : 0;
    IdMap map = RenumberIds(staged, currentId ? &followed : nullptr);
    LibraryWriter writer(fs, folder_, kShortcutFormat, loaded_);
    for (auto& e : staged) {
        const std::u16string file = writer.Place(e.name);
        writer.Add(file, e.name, SerializeShortcutItem(e));
    }
    if (!writer.Commit(error)) return false;
    entries_ = std::move(staged);
    loaded_ = writer.committed();
    renumbering_ = std::move(map);
    if (currentId) *currentId = followed;
    return true;
}

std::u16string ShortcutLibrary::UniqueEntryName(const std::u16string& name) const {
    return UniqueName(name, [&](const std::u16string& n) {
        return std::any_of(entries_.begin(), entries_.end(),
                           [&](const ShortcutEntry& e) { return e.name == n; });
    });
}

std::optional<ShortcutLibrary::Added> ShortcutLibrary::AddAndSave(FileSystem& fs,
                                                                  const std::u16string& name,
                                                                  const std::u16string& target,
                                                                  std::string* error) {
    if (name.empty() || target.empty()) {
        if (error) *error = "a shortcut needs a name and a target";
        return std::nullopt;
    }
    ShortcutEntry e;
    e.target = target;
    e.kind = ClassifyTarget(fs, e.target);
    e.name = UniqueEntryName(name);
    e.id = NextId();
    int32_t currentId = e.id;
    auto same = std::find_if(entries_.begin(), entries_.end(),
                             [&](const ShortcutEntry& x) { return x.id == e.id; });
    if (same != entries_.end())
        *same = e;
    else
        entries_.push_back(e);
    if (!Save(fs, &currentId, error)) return std::nullopt;
    const ShortcutEntry* saved = FindById(currentId);
    if (!saved) return std::nullopt;
    return Added{saved->id, saved->name, saved->target, saved->kind};
}

std::optional<ShortcutEntry> ShortcutLibrary::Import(FileSystem& fs,
                                                     const std::filesystem::path& file) {
    auto bytes = ReadItemFile(fs, file, kShortcutFormat.maxItemBytes);
    ShortcutEntry e;
    if (!bytes || !ParseShortcutItem(*bytes, e)) return std::nullopt;
    return e;
}

void ShortcutLibrary::Delete(FileSystem& fs, int32_t id,
                             const std::filesystem::path& importedFile) {
    DeleteImportedFile(fs, importedFile, folder_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const ShortcutEntry& e) { return e.id == id; });
    if (it != entries_.end()) entries_.erase(it);
}

const ShortcutEntry* ShortcutLibrary::FindById(int32_t id) const {
    for (const auto& e : entries_)
        if (e.id == id) return &e;
    return nullptr;
}

}  // namespace z7

#include "core/buttons/bind_key_library.h"

#include <algorithm>

#include "core/profile/data_stream.h"

namespace z7 {

bool ParseBindKeyItem(std::span<const uint8_t> bytes, BindKeyEntry& out) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    BindKeyEntry item;
    if (!s.ReadString(item.name) || !s.ReadI32(item.key)) return false;
    out = std::move(item);
    return true;
}

std::vector<uint8_t> SerializeBindKeyItem(const BindKeyEntry& item) {
    DataStream s;
    s.WriteString(item.name);
    s.WriteI32(item.key);
    return {s.bytes().begin(), s.bytes().end()};
}

void BindKeyLibrary::Load(FileSystem& fs) {
    std::vector<BindKeyEntry> loaded;
    ForEachLibraryItem(fs, folder_, kBindKeyFormat, [&](std::span<const uint8_t> bytes) {
        BindKeyEntry e;
        if (ParseBindKeyItem(bytes, e)) loaded.push_back(std::move(e));
    });
    entries_ = std::move(loaded);
}

bool BindKeyLibrary::Save(FileSystem& fs, std::string* error, bool caseInsensitiveNames) {
    std::vector<BindKeyEntry> staged = entries_;
    LibraryWriter writer(folder_, kBindKeyFormat, caseInsensitiveNames);
    for (auto& e : staged) {
        const std::u16string file = writer.Place(e.name);
        writer.Add(file, SerializeBindKeyItem(e));
    }
    if (!writer.Commit(fs, error)) return false;
    entries_ = std::move(staged);
    return true;
}

std::u16string SuffixedBindKeyName(const std::vector<BindKeyEntry>& entries, int32_t key,
                                   const std::u16string& name) {
    std::u16string n = name;
    for (const auto& e : entries)
        if (e.key != key) n = NextSuffixedName(n);
    return n;
}

std::u16string BindKeyLibrary::Add(int32_t key, const std::u16string& name) {
    for (auto& e : entries_) {
        if (e.key == key) {
            e.name = name;
            return name;
        }
        if (e.name == name) {
            const std::u16string suffixed = SuffixedBindKeyName(entries_, key, name);
            entries_.push_back({key, suffixed});
            return suffixed;
        }
    }
    entries_.push_back({key, name});
    return name;
}

std::optional<BindKeyEntry> BindKeyLibrary::Import(FileSystem& fs,
                                                   const std::filesystem::path& file) {
    auto bytes = ReadItemFile(fs, file, kBindKeyFormat.maxItemBytes);
    BindKeyEntry e;
    if (!bytes || !ParseBindKeyItem(*bytes, e)) return std::nullopt;
    return e;
}

void BindKeyLibrary::Delete(FileSystem& fs, int32_t key, const std::u16string& name,
                            const std::filesystem::path& importedFile) {
    DeleteImportedFile(fs, importedFile, folder_);
    std::erase_if(entries_, [&](const BindKeyEntry& e) { return e.key == key && e.name == name; });
}

const BindKeyEntry* BindKeyLibrary::FindByKey(int32_t key) const {
    for (const auto& e : entries_)
        if (e.key == key) return &e;
    return nullptr;
}

}  // namespace z7

#include "core/buttons/bind_key_library.h"

#include <algorithm>

#include "core/profile/data_stream.h"

namespace z7 {

bool ParseBindKeyItem(std::span<const uint8_t> bytes, BindKeyEntry& out) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    BindKeyEntry item;
    if (!s.ReadString(item.name) || !s.ReadI32(item.key) || s.remaining() != 0) return false;
    if (item.key < 1 || item.key > 255) return false;  // not a virtual-key code
    out = std::move(item);
    return true;
}

std::vector<uint8_t> SerializeBindKeyItem(const BindKeyEntry& item) {
    DataStream s;
    s.WriteString(item.name);
    s.WriteI32(item.key);
    return {s.bytes().begin(), s.bytes().end()};
}

void BindKeyLibrary::Load(FileSystem& fs, bool recover) {
    std::vector<BindKeyEntry> loaded;
    loaded_ = ForEachLibraryItem(
        fs, folder_, kBindKeyFormat,
        [&](std::span<const uint8_t> bytes) {
            BindKeyEntry e;
            if (!ParseBindKeyItem(bytes, e)) return false;
            loaded.push_back(std::move(e));
            return true;
        },
        recover);
    entries_ = std::move(loaded);
}

bool BindKeyLibrary::Save(FileSystem& fs, std::string* error) {
    std::vector<BindKeyEntry> staged = entries_;
    LibraryWriter writer(fs, folder_, kBindKeyFormat, loaded_);
    for (auto& e : staged) {
        const std::u16string file = writer.Place(e.name);
        writer.Add(file, e.name, SerializeBindKeyItem(e));
    }
    if (!writer.Commit(error)) return false;
    entries_ = std::move(staged);
    loaded_ = writer.committed();
    return true;
}

std::u16string SuffixedBindKeyName(const std::vector<BindKeyEntry>& entries, int32_t key,
                                   const std::u16string& name) {
    std::u16string n = name;
    for (const auto& e : entries)
        if (e.key != key) n = NextSuffixedName(n);
    return n;
}

size_t BindKeyLibrary::Add(int32_t key, const std::u16string& name) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        BindKeyEntry& e = entries_[i];
        if (e.key == key) {
            e.name = name;
            return i;
        }
        if (e.name == name) {
            entries_.push_back({key, SuffixedBindKeyName(entries_, key, name)});
            return entries_.size() - 1;
        }
    }
    entries_.push_back({key, name});
    return entries_.size() - 1;
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

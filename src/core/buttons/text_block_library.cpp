#include "core/buttons/text_block_library.h"

#include <algorithm>

#include "core/profile/data_stream.h"

namespace z7 {

bool ParseTextBlockItem(std::span<const uint8_t> bytes, TextBlockEntry& out) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    TextBlockEntry item;
    if (!s.ReadI32(item.id) || !s.ReadString(item.name) || !s.ReadString(item.text) ||
        s.remaining() != 0)
        return false;
    out = std::move(item);
    return true;
}

std::vector<uint8_t> SerializeTextBlockItem(const TextBlockEntry& item) {
    DataStream s;
    s.WriteI32(item.id);
    s.WriteString(item.name);
    s.WriteString(item.text);
    return {s.bytes().begin(), s.bytes().end()};
}

std::u16string WithCrLf(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (text[i] == u'\n') {
            out += u"\r\n";
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void TextBlockLibrary::Load(FileSystem& fs, bool recover) {
    std::vector<TextBlockEntry> loaded;
    loaded_ = ForEachLibraryItem(
        fs, folder_, kTextBlockFormat,
        [&](std::span<const uint8_t> bytes) {
            TextBlockEntry e;
            if (!ParseTextBlockItem(bytes, e)) return false;
            loaded.push_back(std::move(e));
            return true;
        },
        recover);
    entries_ = std::move(loaded);
}

bool TextBlockLibrary::Save(FileSystem& fs, int32_t* currentId, std::string* error) {
    std::vector<TextBlockEntry> staged = entries_;
    int32_t followed = currentId ? *currentId : 0;
    IdMap map = RenumberIds(staged, currentId ? &followed : nullptr);
    LibraryWriter writer(fs, folder_, kTextBlockFormat, loaded_);
    for (auto& e : staged) {
        const std::u16string file = writer.Place(e.name);
        writer.Add(file, e.name, SerializeTextBlockItem(e));
    }
    if (!writer.Commit(error)) return false;
    entries_ = std::move(staged);
    loaded_ = writer.committed();
    renumbering_ = std::move(map);
    if (currentId) *currentId = followed;
    return true;
}

std::u16string TextBlockLibrary::UniqueEntryName(const std::u16string& name) const {
    return UniqueName(name, [&](const std::u16string& n) {
        return std::any_of(entries_.begin(), entries_.end(),
                           [&](const TextBlockEntry& e) { return e.name == n; });
    });
}

std::optional<TextBlockLibrary::Added> TextBlockLibrary::AddAndSave(FileSystem& fs,
                                                                    const std::u16string& name,
                                                                    const std::u16string& text,
                                                                    std::string* error) {
    if (name.empty() || text.empty()) {
        if (error) *error = "a text block needs a name and a text";
        return std::nullopt;
    }
    TextBlockEntry e{NextId(), UniqueEntryName(name), text};
    int32_t currentId = e.id;
    auto same = std::find_if(entries_.begin(), entries_.end(),
                             [&](const TextBlockEntry& x) { return x.id == e.id; });
    if (same != entries_.end())
        *same = e;
    else
        entries_.push_back(e);
    if (!Save(fs, &currentId, error)) return std::nullopt;
    const TextBlockEntry* saved = FindById(currentId);
    if (!saved) return std::nullopt;
    return Added{saved->id, saved->name};
}

std::optional<TextBlockEntry> TextBlockLibrary::Import(FileSystem& fs,
                                                       const std::filesystem::path& file) {
    auto bytes = ReadItemFile(fs, file, kTextBlockFormat.maxItemBytes);
    TextBlockEntry e;
    if (!bytes || !ParseTextBlockItem(*bytes, e)) return std::nullopt;
    return e;
}

void TextBlockLibrary::Delete(FileSystem& fs, int32_t id,
                              const std::filesystem::path& importedFile) {
    DeleteImportedFile(fs, importedFile, folder_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const TextBlockEntry& e) { return e.id == id; });
    if (it != entries_.end()) entries_.erase(it);
}

const TextBlockEntry* TextBlockLibrary::FindById(int32_t id) const {
    for (const auto& e : entries_)
        if (e.id == id) return &e;
    return nullptr;
}

}  // namespace z7

#include "core/buttons/library_list.h"

#include <algorithm>
#include <climits>
#include <system_error>

#include "core/profile/data_stream.h"
#include "core/profile/settings.h"
#include "core/util/file_names.h"
#include "core/util/folder_commit.h"
#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {
constexpr uint32_t kEmptyCountBit = 0x80000000u;
constexpr size_t kStringCountBytes = 4;

// The file name of a stored path, whichever separator the system that wrote it used.
fsys::path StoredFileName(const std::u16string& path) {
    const size_t cut = path.find_last_of(u"/\\");
    return PathFromUtf16(cut == std::u16string::npos ? path : path.substr(cut + 1));
}

bool HasExtension(const fsys::path& name, const char16_t* extension) {
    const std::u16string n = PathToUtf16(name);
    const std::u16string_view ext(extension);
    return n.size() > ext.size() && n.compare(n.size() - ext.size(), ext.size(), ext) == 0;
}
}  // namespace

fsys::path LibraryFolder(const fsys::path& dataFolder, const LibraryFormat& format) {
    return DataRoot(dataFolder) / format.folderName;
}

bool ParseLibraryList(std::span<const uint8_t> bytes, std::vector<std::u16string>& paths) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    uint32_t count = 0;
    if (!s.ReadU32(count)) return false;
    // The writer never sets the top bit, and every string takes at least its count: such a
    // count is damage, and reading it as an empty library would lose every item at the next save.
    if ((count & kEmptyCountBit) != 0 || count > s.remaining() / kStringCountBytes) return false;
    std::vector<std::u16string> read(count);
    for (auto& p : read) {
        uint32_t n = 0;
        if (!s.ReadU32(n) || n == 0 || (n & kEmptyCountBit) != 0) return false;
        std::vector<uint8_t> units;
        if (!s.ReadBytes(size_t{n} * 2, units)) return false;
        p.resize(n);
        for (uint32_t i = 0; i < n; ++i)
            p[i] = static_cast<char16_t>(units[2 * i] | (units[2 * i + 1] << 8));
    }
    if (s.remaining() != 0) return false;
    paths = std::move(read);
    return true;
}

std::vector<uint8_t> SerializeLibraryList(const std::vector<std::u16string>& paths) {
    DataStream s;
    s.WriteU32(static_cast<uint32_t>(paths.size()));
    for (const auto& p : paths) s.WriteString(p);
    return {s.bytes().begin(), s.bytes().end()};
}

std::optional<std::vector<uint8_t>> ReadItemFile(FileSystem& fs, const fsys::path& path,
                                                 size_t maxBytes) {
    std::vector<uint8_t> bytes;
    if (!fs.ReadFile(path, bytes, maxBytes, nullptr)) return std::nullopt;
    return bytes;
}

FolderState ForEachLibraryItem(FileSystem& fs, const fsys::path& folder,
                               const LibraryFormat& format,
                               const std::function<bool(std::span<const uint8_t>)>& readItem,
                               bool recover) {
    if (recover) RecoverFolder(fs, folder);
    FolderState state;
    state.folder = folder;
    const fsys::path listName(format.listFileName);
    const fsys::path listPath = folder / listName;
    if (!fs.Exists(listPath)) return state;

    auto readFile = [&](const fsys::path& name) {
        const fsys::path path = folder / name;
        auto bytes = ReadItemFile(fs, path, format.maxItemBytes);
        if (bytes && readItem(*bytes)) {
            state.owned.push_back(name);
        } else if (!ContainsFileName(fs, state.owned, name) &&
                   std::none_of(state.damaged.begin(), state.damaged.end(),
                                [&](const FolderState::Damaged& d) { return d.name == name; })) {
            state.damaged.push_back({name, -1});
            state.issues.push_back({DataIssue::Kind::DamagedFile, path, {}});
        }
    };

    std::vector<uint8_t> listBytes;
    std::vector<std::u16string> paths;
    std::string error;
    if (!fs.ReadFile(listPath, listBytes, kMaxListFileBytes, &error)) {
        // Saving a new list over one we could not read would lose what it names.
        state.unreadableList = true;
        state.issues.push_back({DataIssue::Kind::Unreadable, listPath, error});
    } else if (ParseLibraryList(listBytes, paths)) {
        state.owned.push_back(listName);
        for (const auto& stored : paths) {
            // Saves write every item into the folder, so the folder's file of that name is the
            // one meant, also when the list was written elsewhere (a moved data folder,
            // Windows); a damaged list cannot point the reader at other files.
            const fsys::path name = StoredFileName(stored);
            if (name.empty() || name != name.filename() || name == "." || name == ".." ||
                !fs.Exists(folder / name) || fs.IsDirectory(folder / name))
                continue;
            readFile(name);
        }
        return state;
    } else {
        state.owned.push_back(listName);
        state.issues.push_back({DataIssue::Kind::DamagedList, listPath, {}});
    }
    // The next save rewrites the list from what is loaded now, so a damaged list must not make
    // the item files disappear.
    std::vector<fsys::path> names = fs.List(folder);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        if (!HasExtension(name, format.extension) || fs.IsDirectory(folder / name)) continue;
        readFile(name);
    }
    return state;
}

LibraryWriter::LibraryWriter(FileSystem& fs, fsys::path folder, const LibraryFormat& format,
                             const FolderState& loaded)
    : fs_(fs),
      folder_(std::move(folder)),
      format_(format),
      loaded_(loaded),
      owned_(fs),
      taken_(fs) {
    // The list file shares the folder; no item may take its name.
    fileNames_.push_back(Utf8ToUtf16(format_.listFileName));
    taken_.Add(fileNames_.back());
    if (loaded_.folder != folder_) loaded_ = FolderState{};
    for (const auto& name : loaded_.owned) owned_.Add(PathToUtf16(name));
}

bool LibraryWriter::Taken(const std::u16string& fileName) const {
    return taken_.Contains(fileName);
}

std::u16string LibraryWriter::Place(std::u16string& name) {
    const FileNameRules rules = fs_.nameRules();
    const std::u16string extension(format_.extension);
    std::u16string stem = SafeFileStem(name, rules);
    while (Taken(stem + extension)) {
        name += u'1';
        const std::u16string longer = SafeFileStem(name, rules);
        if (longer == stem) break;  // as long as a file name may be: numbered below
        stem = longer;
    }
    // A file that is not part of the loaded library (the user's own, a damaged item) stays;
    // the entry's file goes beside it.
    std::u16string candidate = stem + extension;
    auto mayWrite = [&](const std::u16string& file) {
        return owned_.Contains(file) || !fs_.Exists(folder_ / PathFromUtf16(file));
    };
    for (int n = 2; Taken(candidate) || !mayWrite(candidate); ++n)
        candidate = stem + u"_" + DecimalText(n) + extension;
    return candidate;
}

void LibraryWriter::Add(const std::u16string& fileName, const std::u16string& name,
                        std::vector<uint8_t> bytes) {
    if (bytes.size() > format_.maxItemBytes && tooLarge_.empty()) {
        const std::u16string shown = name.size() > 40 ? name.substr(0, 40) + u"…" : name;
        tooLarge_ = "\"" + Utf16ToUtf8(shown) + "\" needs " + std::to_string(bytes.size()) +
                    " bytes, more than an item file may hold (" +
                    std::to_string(format_.maxItemBytes) + ")";
    }
    fileNames_.push_back(fileName);
    taken_.Add(fileName);
    listPaths_.push_back(PathToUtf16(folder_ / PathFromUtf16(fileName)));
    items_.push_back(std::move(bytes));
}

bool LibraryWriter::Commit(std::string* error) {
    if (loaded_.unreadableList) {
        if (error)
            *error = "cannot read " + PathToUtf8(folder_ / format_.listFileName) +
                     "; nothing is saved over it";
        return false;
    }
    if (!tooLarge_.empty()) {
        if (error) *error = tooLarge_;
        return false;
    }
    std::vector<FolderFile> files;
    std::vector<fsys::path> written;
    files.reserve(items_.size() + 1);
    std::vector<std::u16string> list = listPaths_;
    for (const auto& d : loaded_.damaged) list.push_back(PathToUtf16(folder_ / d.name));
    for (size_t i = 0; i < items_.size(); ++i) {
        written.push_back(PathFromUtf16(fileNames_[i + 1]));
        files.push_back({written.back(), std::move(items_[i])});
    }
    items_.clear();
    const fsys::path listName(format_.listFileName);
    written.push_back(listName);
    std::vector<uint8_t> listBytes = SerializeLibraryList(list);
    if (listBytes.size() > kMaxListFileBytes) {
        if (error) *error = "the library is too large for its list file";
        return false;
    }
    files.push_back({listName, std::move(listBytes)});
    if (!CommitFolder(fs_, folder_, files, ObsoleteFiles(fs_, loaded_, folder_, written), error))
        return false;
    loaded_.folder = folder_;
    loaded_.owned = std::move(written);
    loaded_.issues.clear();
    return true;
}

std::u16string NextSuffixedName(std::u16string_view name) {
    const size_t open = name.find(u'(');
    if (open == std::u16string_view::npos) return std::u16string(name) + u"(1)";
    std::u16string_view inner = name.substr(open + 1);
    if (!inner.empty()) inner.remove_suffix(1);
    const long long k = ParseDecimalPrefix(inner);
    // Saturated numbers would repeat the same name; start a fresh suffix instead.
    if (k >= LLONG_MAX - 1 || k <= LLONG_MIN + 1) return std::u16string(name) + u"(1)";
    return std::u16string(name.substr(0, open)) + u"(" + DecimalText(k + 1) + u")";
}

std::u16string UniqueName(std::u16string name,
                          const std::function<bool(const std::u16string&)>& taken) {
    while (taken(name)) name = NextSuffixedName(name);
    return name;
}

bool IsInsideFolder(const fsys::path& file, const fsys::path& folder) {
    std::error_code ec1, ec2;
    const fsys::path f = fsys::weakly_canonical(fsys::absolute(file, ec1), ec1);
    const fsys::path d = fsys::weakly_canonical(fsys::absolute(folder, ec2), ec2);
    if (ec1 || ec2 || f.empty() || d.empty()) return false;
    return f.parent_path() == d;
}

bool DeleteImportedFile(FileSystem& fs, const fsys::path& imported, const fsys::path& folder) {
    if (imported.empty() || !fs.Exists(imported) || fs.IsDirectory(imported)) return false;
    if (!IsInsideFolder(imported, folder)) return false;
    return fs.Remove(imported, nullptr);
}

}  // namespace z7

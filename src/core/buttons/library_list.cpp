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
    std::vector<std::u16string> read;
    if ((count & kEmptyCountBit) == 0) {
        // Every string takes at least its count: a larger count cannot be genuine.
        if (count > s.remaining() / kStringCountBytes) return false;
        read.resize(count);
        for (auto& p : read)
            if (!s.ReadString(p)) return false;
    }
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

void ForEachLibraryItem(FileSystem& fs, const fsys::path& folder, const LibraryFormat& format,
                        const std::function<void(std::span<const uint8_t>)>& readItem,
                        bool recover) {
    if (recover) RecoverFolder(fs, folder);
    const fsys::path listPath = folder / format.listFileName;
    if (!fs.Exists(listPath)) return;
    std::vector<uint8_t> listBytes;
    std::vector<std::u16string> paths;
    if (fs.ReadFile(listPath, listBytes, kMaxListFileBytes, nullptr) &&
        ParseLibraryList(listBytes, paths)) {
        for (const auto& stored : paths) {
            // Saves write every item into the folder, so the folder's file of that name is the
            // one meant, also when the list was written elsewhere (a moved data folder, Windows);
            // a damaged list cannot point the reader at other files.
            const fsys::path path = folder / StoredFileName(stored);
            if (!fs.Exists(path) || fs.IsDirectory(path)) continue;
            if (auto bytes = ReadItemFile(fs, path, format.maxItemBytes)) readItem(*bytes);
        }
        return;
    }
    // The next save rewrites the folder from what is loaded now, so a damaged list must not
    // make the item files disappear.
    std::vector<fsys::path> names = fs.List(folder);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        if (!HasExtension(name, format.extension) || fs.IsDirectory(folder / name)) continue;
        if (auto bytes = ReadItemFile(fs, folder / name, format.maxItemBytes)) readItem(*bytes);
    }
}

LibraryWriter::LibraryWriter(fsys::path folder, const LibraryFormat& format,
                             bool caseInsensitiveNames)
    : folder_(std::move(folder)), format_(format), caseInsensitive_(caseInsensitiveNames) {
    // The list file shares the folder; no item may take its name.
    fileNames_.push_back(Utf8ToUtf16(format_.listFileName));
}

bool LibraryWriter::Taken(const std::u16string& fileName) const {
    return std::any_of(fileNames_.begin(), fileNames_.end(), [&](const std::u16string& t) {
        return caseInsensitive_ ? EqualsIgnoreAsciiCase(t, fileName) : t == fileName;
    });
}

std::u16string LibraryWriter::Place(std::u16string& name) {
    const std::u16string extension(format_.extension);
    std::u16string stem = SafeFileStem(name);
    while (Taken(stem + extension)) {
        name += u'1';
        const std::u16string longer = SafeFileStem(name);
        if (longer == stem) {
            // The name is already as long as a file name may be: number the file instead.
            std::vector<std::u16string> taken = fileNames_;
            if (caseInsensitive_) return UniqueFileName(stem, extension, taken);
            for (int n = 2;; ++n) {
                const std::u16string candidate = stem + u"_" + DecimalText(n) + extension;
                if (!Taken(candidate)) return candidate;
            }
        }
        stem = longer;
    }
    return stem + extension;
}

void LibraryWriter::Add(const std::u16string& fileName, std::vector<uint8_t> bytes) {
    fileNames_.push_back(fileName);
    listPaths_.push_back(PathToUtf16(folder_ / PathFromUtf16(fileName)));
    items_.push_back(std::move(bytes));
}

bool LibraryWriter::Commit(FileSystem& fs, std::string* error) {
    std::vector<FolderFile> files;
    files.reserve(items_.size() + 1);
    for (size_t i = 0; i < items_.size(); ++i)
        files.push_back({PathFromUtf16(fileNames_[i + 1]), std::move(items_[i])});
    files.push_back({fsys::path(format_.listFileName), SerializeLibraryList(listPaths_)});
    items_.clear();
    return CommitFolder(fs, folder_, files, error);
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

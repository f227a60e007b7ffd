#include "platform/fake/memory_file_system.h"

#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

fsys::path MemoryFileSystem::Key(const fsys::path& path) {
    return path.lexically_normal();
}

bool MemoryFileSystem::SameFileName(std::u16string_view a, std::u16string_view b) const {
    return rules_.ignoreCase ? EqualsIgnoreAsciiCase(a, b) : a == b;
}

fsys::path MemoryFileSystem::Find(const fsys::path& path) const {
    const fsys::path key = Key(path);
    if (!rules_.ignoreCase || files_.count(key) || folders_.count(key)) return key;
    const std::u16string name = PathToUtf16(key.filename());
    auto same = [&](const fsys::path& p) {
        return p.parent_path() == key.parent_path() &&
               SameFileName(PathToUtf16(p.filename()), name);
    };
    for (const auto& [p, bytes] : files_)
        if (same(p)) return p;
    for (const auto& p : folders_)
        if (same(p)) return p;
    return key;
}

bool MemoryFileSystem::WriteFile(const fsys::path& path, std::span<const uint8_t> bytes,
                                 std::string* error) {
    const fsys::path key = Find(path);
    if (folders_.count(key) || !IsDirectory(key.parent_path())) {
        if (error) *error = "cannot create " + key.string();
        return false;
    }
    files_[key].assign(bytes.begin(), bytes.end());
    return true;
}

bool MemoryFileSystem::ReadFile(const fsys::path& path, std::vector<uint8_t>& out, size_t maxBytes,
                                std::string* error) {
    const auto it = files_.find(Find(path));
    if (it == files_.end() || it->second.size() > maxBytes) {
        if (error) *error = "cannot read " + path.string();
        return false;
    }
    out = it->second;
    return true;
}

bool MemoryFileSystem::Rename(const fsys::path& from, const fsys::path& to, std::string* error) {
    const auto it = files_.find(Find(from));
    const fsys::path target = Find(to);
    if (it == files_.end() || folders_.count(target) || !IsDirectory(target.parent_path())) {
        if (error) *error = "cannot rename " + from.string();
        return false;
    }
    std::vector<uint8_t> bytes = std::move(it->second);
    files_.erase(it);
    files_.erase(target);
    // A rename onto a name differing only in case takes the new spelling, as on Windows.
    files_[Key(to)] = std::move(bytes);
    return true;
}

bool MemoryFileSystem::Remove(const fsys::path& path, std::string* error) {
    const fsys::path key = Find(path);
    if (folders_.count(key)) {
        if (error) *error = "cannot remove a folder: " + key.string();
        return false;
    }
    files_.erase(key);
    return true;
}

bool MemoryFileSystem::CreateDirectories(const fsys::path& path, std::string* error) {
    fsys::path key = Key(path);
    for (fsys::path p = key; !p.empty(); p = p.parent_path()) {
        if (files_.count(Find(p))) {
            if (error) *error = "cannot create folder " + key.string();
            return false;
        }
        folders_.insert(Find(p));
        if (p == p.parent_path()) break;
    }
    return true;
}

bool MemoryFileSystem::RemoveEmptyFolder(const fsys::path& folder, std::string* error) {
    const fsys::path key = Find(folder);
    if (!folders_.count(key) || !List(key).empty()) {
        if (error) *error = "cannot remove folder " + key.string() + ": not an empty folder";
        return false;
    }
    folders_.erase(key);
    return true;
}

bool MemoryFileSystem::Exists(const fsys::path& path) {
    const fsys::path key = Find(path);
    return files_.count(key) || IsDirectory(key);
}

bool MemoryFileSystem::IsDirectory(const fsys::path& path) {
    const fsys::path key = Find(path);
    if (key.empty() || folders_.count(key)) return true;
    // A folder also exists while a file lies somewhere below it.
    const auto it = files_.upper_bound(key);
    if (it == files_.end()) return false;
    auto k = key.begin();
    for (auto p = it->first.begin(); k != key.end(); ++k, ++p)
        if (p == it->first.end() || *p != *k) return false;
    return true;
}

std::vector<fsys::path> MemoryFileSystem::List(const fsys::path& folder) {
    const fsys::path key = Find(folder);
    std::set<fsys::path> names;
    for (const auto& [p, bytes] : files_)
        if (p.parent_path() == key) names.insert(p.filename());
    for (const auto& p : folders_)
        if (p.parent_path() == key && p != key) names.insert(p.filename());
    return {names.begin(), names.end()};
}

}  // namespace z7

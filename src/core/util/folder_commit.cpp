#include "core/util/folder_commit.h"

#include <set>
#include <string_view>

namespace z7 {
namespace fsys = std::filesystem;

namespace {
constexpr std::string_view kNewSuffix = ".z7new";
constexpr const char* kJournal = ".z7commit";
constexpr const char* kJournalTemp = ".z7commit.tmp";
constexpr size_t kMaxJournalBytes = 4 << 20;

fsys::path WithSuffix(const fsys::path& name) {
    fsys::path staged = name;
    staged += std::string(kNewSuffix);
    return staged;
}

bool EndsWith(const fsys::path::string_type& s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), s.rbegin(),
                      [](char a, fsys::path::value_type b) { return static_cast<fsys::path::value_type>(a) == b; });
}

// The journal is one UTF-8 file name per line.
std::vector<uint8_t> EncodeJournal(const std::vector<FolderFile>& files) {
    std::vector<uint8_t> out;
    for (const auto& f : files) {
        const std::u8string name = f.name.u8string();
        out.insert(out.end(), name.begin(), name.end());
        out.push_back('\n');
    }
    return out;
}

std::vector<fsys::path> DecodeJournal(const std::vector<uint8_t>& bytes) {
    std::vector<fsys::path> names;
    std::u8string line;
    for (uint8_t b : bytes) {
        if (b == '\n') {
            fsys::path p(line);
            // Only plain names inside the folder; anything else is damage, not an instruction.
            if (!line.empty() && p == p.filename() && p != "." && p != "..") names.push_back(p);
            line.clear();
        } else {
            line.push_back(static_cast<char8_t>(b));
        }
    }
    return names;
}

// Renames the new files into place; the journal goes last so that a crash here repeats it.
bool RollForward(FileSystem& fs, const fsys::path& folder, const std::vector<fsys::path>& names,
                 std::string* error) {
    for (const auto& name : names) {
        const fsys::path staged = folder / WithSuffix(name);
        if (fs.Exists(staged) && !fs.Rename(staged, folder / name, error)) return false;
    }
    return fs.Remove(folder / kJournal, error);
}
}  // namespace

bool CommitFolder(FileSystem& fs, const fsys::path& folder, const std::vector<FolderFile>& files,
                  std::string* error) {
    if (!fs.CreateDirectories(folder, error)) return false;
    RecoverFolder(fs, folder);
    for (const auto& f : files)
        if (!fs.WriteFile(folder / WithSuffix(f.name), f.bytes, error)) return false;
    if (!fs.WriteFile(folder / kJournalTemp, EncodeJournal(files), error)) return false;
    if (!fs.Rename(folder / kJournalTemp, folder / kJournal, error)) return false;

    std::vector<fsys::path> names;
    std::set<fsys::path> keep;
    for (const auto& f : files) {
        names.push_back(f.name);
        keep.insert(f.name);
    }
    if (!RollForward(fs, folder, names, error)) return false;
    for (const auto& entry : fs.List(folder))
        if (!keep.count(entry) && !fs.Remove(folder / entry, error)) return false;
    return true;
}

void RecoverFolder(FileSystem& fs, const fsys::path& folder) {
    if (!fs.IsDirectory(folder)) return;
    std::vector<uint8_t> journal;
    if (fs.Exists(folder / kJournal) &&
        fs.ReadFile(folder / kJournal, journal, kMaxJournalBytes, nullptr)) {
        if (!RollForward(fs, folder, DecodeJournal(journal), nullptr)) return;
    }
    // Whatever is still staged belongs to a save that never committed.
    for (const auto& entry : fs.List(folder)) {
        if (EndsWith(entry.native(), kNewSuffix) || entry == kJournalTemp)
            fs.Remove(folder / entry, nullptr);
    }
}

}  // namespace z7

#include "core/util/folder_commit.h"

#include <algorithm>
#include <string_view>

#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {
constexpr std::string_view kNewSuffix = ".z7new";
constexpr const char* kJournal = ".z7commit";
constexpr const char* kJournalTemp = ".z7commit.tmp";
constexpr size_t kMaxJournalBytes = 4 << 20;
// A journal line naming a file to remove; "/" never occurs in a plain file name.
constexpr char8_t kRemoveMark = u8'/';

fsys::path WithSuffix(const fsys::path& name) {
    fsys::path staged = name;
    staged += std::string(kNewSuffix);
    return staged;
}

bool EndsWith(const fsys::path::string_type& s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), s.rbegin(),
                      [](char a, fsys::path::value_type b) {
                          return static_cast<fsys::path::value_type>(a) == b;
                      });
}

bool IsPlainName(const fsys::path& p) {
    return !p.empty() && p == p.filename() && p != "." && p != "..";
}

struct Journal {
    std::vector<fsys::path> names;     // staged files to put in place
    std::vector<fsys::path> obsolete;  // files to remove
};

// One UTF-8 file name per line; removals carry a leading "/".
std::vector<uint8_t> EncodeJournal(const std::vector<FolderFile>& files,
                                   const std::vector<fsys::path>& obsolete) {
    std::vector<uint8_t> out;
    auto line = [&](const fsys::path& name, bool remove) {
        if (remove) out.push_back(static_cast<uint8_t>(kRemoveMark));
        const std::u8string s = name.u8string();
        out.insert(out.end(), s.begin(), s.end());
        out.push_back('\n');
    };
    for (const auto& f : files) line(f.name, false);
    for (const auto& o : obsolete) line(o, true);
    return out;
}

Journal DecodeJournal(const std::vector<uint8_t>& bytes) {
    Journal journal;
    std::u8string line;
    for (uint8_t b : bytes) {
        if (b != '\n') {
            line.push_back(static_cast<char8_t>(b));
            continue;
        }
        const bool remove = !line.empty() && line.front() == kRemoveMark;
        const fsys::path p(remove ? line.substr(1) : line);
        // Only plain names inside the folder; anything else is damage, not an instruction.
        if (IsPlainName(p)) (remove ? journal.obsolete : journal.names).push_back(p);
        line.clear();
    }
    return journal;
}

// Renames the new files into place and removes the obsolete ones; the journal goes last so
// that a crash here repeats it.
bool RollForward(FileSystem& fs, const fsys::path& folder, const Journal& journal,
                 std::string* error) {
    for (const auto& name : journal.names) {
        const fsys::path staged = folder / WithSuffix(name);
        if (fs.Exists(staged) && !fs.RenameNoSync(staged, folder / name, error)) return false;
    }
    for (const auto& name : journal.obsolete) {
        // A damaged journal may name a file twice: what is put in place stays.
        if (ContainsFileName(fs, journal.names, name) || fs.IsDirectory(folder / name)) continue;
        if (!fs.Remove(folder / name, error)) return false;
    }
    // The journal repeats the renames after a crash; it may go once they are durable.
    if (!fs.Sync(folder, error)) return false;
    return fs.Remove(folder / kJournal, error);
}
}  // namespace

bool CommitFolder(FileSystem& fs, const fsys::path& folder, const std::vector<FolderFile>& files,
                  const std::vector<fsys::path>& obsolete, std::string* error) {
    if (!fs.CreateDirectories(folder, error)) return false;
    RecoverFolder(fs, folder);
    size_t staged = 0;
    for (const auto& f : files) {
        // Repeated saves of an unchanged library rewrite nothing: a file already in place with
        // these bytes is kept as it is.
        std::vector<uint8_t> existing;
        if (fs.ReadFile(folder / f.name, existing, f.bytes.size(), nullptr) && existing == f.bytes)
            continue;
        if (!fs.WriteFileNoSync(folder / WithSuffix(f.name), f.bytes, error)) return false;
        ++staged;
    }
    // A name the save writes is never removed, whatever the caller listed.
    std::vector<fsys::path> written;
    for (const auto& f : files) written.push_back(f.name);
    std::vector<fsys::path> removals;
    for (const auto& o : obsolete)
        if (IsPlainName(o) && !ContainsFileName(fs, written, o)) removals.push_back(o);
    const bool removes = std::any_of(removals.begin(), removals.end(),
                                     [&](const fsys::path& o) { return fs.Exists(folder / o); });
    if (staged == 0 && !removes) return true;  // the folder already holds the set
    // The new set is on the disk before the journal declares it complete.
    if (!fs.Sync(folder, error)) return false;
    if (!fs.WriteFile(folder / kJournalTemp, EncodeJournal(files, removals), error)) return false;
    if (!fs.Rename(folder / kJournalTemp, folder / kJournal, error)) return false;

    return RollForward(fs, folder, Journal{std::move(written), std::move(removals)}, error);
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
        if ((EndsWith(entry.native(), kNewSuffix) || entry == kJournalTemp) &&
            !fs.IsDirectory(folder / entry))
            fs.Remove(folder / entry, nullptr);
    }
}

std::string DescribeIssue(const DataIssue& issue) {
    const std::string file = PathToUtf8(issue.file);
    switch (issue.kind) {
        case DataIssue::Kind::DamagedFile:
            return file + " is damaged and was not loaded (the file is kept as it is)";
        case DataIssue::Kind::DamagedList:
            return file + " is damaged; the files of its folder were read instead";
        case DataIssue::Kind::Unreadable:
            return "cannot read " + file + (issue.detail.empty() ? "" : ": " + issue.detail);
        case DataIssue::Kind::RepairedValues:
            return file + ": values no page offers were replaced by factory defaults (" +
                   issue.detail + ")";
    }
    return file;
}

void FileNameSet::Add(std::u16string name) {
    exact_.insert(std::move(name));
}

bool FileNameSet::Contains(std::u16string_view name) const {
    if (exact_.find(name) != exact_.end()) return true;
    if (!ignoreCase_) return false;
    return std::any_of(exact_.begin(), exact_.end(),
                       [&](const std::u16string& n) { return fs_.SameFileName(n, name); });
}

bool ContainsFileName(const FileSystem& fs, const std::vector<fsys::path>& names,
                      const fsys::path& name) {
    const std::u16string n = PathToUtf16(name);
    return std::any_of(names.begin(), names.end(),
                       [&](const fsys::path& p) { return fs.SameFileName(PathToUtf16(p), n); });
}

bool MayWriteFile(FileSystem& fs, const FolderState& state, const fsys::path& folder,
                  const fsys::path& name) {
    if (!fs.Exists(folder / name)) return true;
    return state.folder == folder && ContainsFileName(fs, state.owned, name);
}

std::vector<fsys::path> ObsoleteFiles(const FileSystem& fs, const FolderState& state,
                                      const fsys::path& folder,
                                      const std::vector<fsys::path>& written) {
    std::vector<fsys::path> obsolete;
    if (state.folder != folder) return obsolete;
    FileNameSet kept(fs);
    for (const auto& name : written) kept.Add(PathToUtf16(name));
    for (const auto& name : state.owned) {
        std::u16string n = PathToUtf16(name);
        if (kept.Contains(n)) continue;
        kept.Add(std::move(n));  // listed twice: removed once
        obsolete.push_back(name);
    }
    return obsolete;
}

}  // namespace z7

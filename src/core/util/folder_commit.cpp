#include "core/util/folder_commit.h"

#include <algorithm>
#include <optional>
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

// Renames the new files into place and removes the obsolete ones, durably.
bool MoveIntoPlace(FileSystem& fs, const fsys::path& folder, const Journal& journal,
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
    return fs.Sync(folder, error);
}

// The journal goes last so that a crash before it repeats the renames.
bool RollForward(FileSystem& fs, const fsys::path& folder, const Journal& journal,
                 std::string* error) {
    return MoveIntoPlace(fs, folder, journal, error) && fs.Remove(folder / kJournal, error);
}

constexpr const char* kTreeJournal = ".z7restore";
constexpr const char* kTreeJournalTemp = ".z7restore.tmp";
constexpr char8_t kTreePut = u8'+';
constexpr char8_t kTreeRemove = u8'-';
constexpr char8_t kTreeOutside = u8'=';

struct TreeJournal {
    std::vector<std::pair<fsys::path, Journal>> folders;
    std::optional<fsys::path> outside;
};

fsys::path StagedOutside(const fsys::path& path) {
    fsys::path staged = path;
    staged += std::string(kNewSuffix);
    return staged;
}

// One line per file: a mark, then "FOLDER/NAME" (or the outside file's absolute path), UTF-8.
std::vector<uint8_t> EncodeTreeJournal(const TreeJournal& journal) {
    std::vector<uint8_t> out;
    auto line = [&](char8_t mark, const std::u8string& text) {
        out.push_back(static_cast<uint8_t>(mark));
        out.insert(out.end(), text.begin(), text.end());
        out.push_back('\n');
    };
    for (const auto& [folder, j] : journal.folders) {
        for (const auto& n : j.names) line(kTreePut, (folder / n).generic_u8string());
        for (const auto& o : j.obsolete) line(kTreeRemove, (folder / o).generic_u8string());
    }
    if (journal.outside) line(kTreeOutside, journal.outside->u8string());
    return out;
}

TreeJournal DecodeTreeJournal(const std::vector<uint8_t>& bytes) {
    TreeJournal journal;
    auto folderJournal = [&](const fsys::path& folder) -> Journal& {
        for (auto& [f, j] : journal.folders)
            if (f == folder) return j;
        return journal.folders.emplace_back(folder, Journal{}).second;
    };
    std::u8string line;
    for (uint8_t b : bytes) {
        if (b != '\n') {
            line.push_back(static_cast<char8_t>(b));
            continue;
        }
        const char8_t mark = line.empty() ? u8'\0' : line.front();
        const std::u8string text = line.empty() ? std::u8string() : line.substr(1);
        line.clear();
        if (mark == kTreeOutside) {
            const fsys::path p(text);
            if (p.is_absolute() && IsPlainName(p.filename())) journal.outside = p;
            continue;
        }
        if (mark != kTreePut && mark != kTreeRemove) continue;
        const size_t slash = text.find(u8'/');
        if (slash == std::u8string::npos) continue;
        const fsys::path folder(text.substr(0, slash));
        const fsys::path name(text.substr(slash + 1));
        // Only plain names one level down; anything else is damage, not an instruction.
        if (!IsPlainName(folder) || !IsPlainName(name)) continue;
        Journal& j = folderJournal(folder);
        (mark == kTreePut ? j.names : j.obsolete).push_back(name);
    }
    return journal;
}

bool RollForwardTree(FileSystem& fs, const fsys::path& root, const TreeJournal& journal,
                     std::string* error) {
    for (const auto& [folder, j] : journal.folders)
        if (fs.IsDirectory(root / folder) && !MoveIntoPlace(fs, root / folder, j, error))
            return false;
    if (journal.outside) {
        const fsys::path staged = StagedOutside(*journal.outside);
        if (fs.Exists(staged) && !fs.Rename(staged, *journal.outside, error)) return false;
    }
    return fs.Remove(root / kTreeJournal, error);
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

namespace {
void RecoverOneFolder(FileSystem& fs, const fsys::path& folder) {
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
}  // namespace

void RecoverFolder(FileSystem& fs, const fsys::path& folder) {
    if (!fs.IsDirectory(folder)) return;
    // A committed restore of the whole tree may hold staged files here: they are new, not stale.
    RecoverTree(fs, folder.parent_path());
    RecoverOneFolder(fs, folder);
}

bool CommitTree(FileSystem& fs, const fsys::path& root,
                const std::vector<TreeFolderChange>& changes, const OutsideFile* outside,
                std::string* error) {
    if (!fs.CreateDirectories(root, error)) return false;
    RecoverTree(fs, root);
    // Marks the restore as begun, so that recovery from a crash while staging finds every
    // folder's staged files (and the outside file's) and not only those of the folder it loads.
    TreeJournal begun;
    if (outside) begun.outside = outside->path;
    if (!fs.WriteFile(root / kTreeJournalTemp, EncodeTreeJournal(begun), error)) return false;
    TreeJournal journal;
    bool anything = false;
    for (const TreeFolderChange& change : changes) {
        if (!IsPlainName(change.folder)) {
            if (error) *error = "not a folder of the tree: " + PathToUtf8(change.folder);
            return false;
        }
        const fsys::path folder = root / change.folder;
        if (!fs.CreateDirectories(folder, error)) return false;
        RecoverOneFolder(fs, folder);  // the tree itself was recovered above
        Journal j;
        for (const FolderFile& f : change.files) {
            if (!IsPlainName(f.name)) {
                if (error) *error = "not a plain file name: " + PathToUtf8(f.name);
                return false;
            }
            j.names.push_back(f.name);
            std::vector<uint8_t> existing;
            if (fs.ReadFile(folder / f.name, existing, f.bytes.size(), nullptr) &&
                existing == f.bytes)
                continue;
            if (!fs.WriteFileNoSync(folder / WithSuffix(f.name), f.bytes, error)) return false;
            anything = true;
        }
        for (const auto& o : change.obsolete) {
            if (!IsPlainName(o) || ContainsFileName(fs, j.names, o) || !fs.Exists(folder / o) ||
                fs.IsDirectory(folder / o))
                continue;
            j.obsolete.push_back(o);
            anything = true;
        }
        if (!fs.Sync(folder, error)) return false;
        journal.folders.emplace_back(change.folder, std::move(j));
    }
    if (outside) {
        std::vector<uint8_t> existing;
        const bool same = fs.ReadFile(outside->path, existing, outside->bytes.size(), nullptr) &&
                          existing == outside->bytes;
        if (!same) {
            if (!fs.CreateDirectories(outside->path.parent_path(), error) ||
                !fs.WriteFile(StagedOutside(outside->path), outside->bytes, error))
                return false;
            journal.outside = outside->path;
            anything = true;
        }
    }
    if (!anything) {  // the tree already holds the set
        fs.Remove(root / kTreeJournalTemp, nullptr);
        return true;
    }
    // The one step that makes the new set of every folder the set.
    if (!fs.WriteFile(root / kTreeJournalTemp, EncodeTreeJournal(journal), error)) return false;
    if (!fs.Rename(root / kTreeJournalTemp, root / kTreeJournal, error)) return false;
    return RollForwardTree(fs, root, journal, error);
}

void RecoverTree(FileSystem& fs, const fsys::path& root) {
    if (root.empty() || !fs.IsDirectory(root)) return;
    std::vector<uint8_t> journal;
    if (fs.Exists(root / kTreeJournal) &&
        fs.ReadFile(root / kTreeJournal, journal, kMaxJournalBytes, nullptr)) {
        if (!RollForwardTree(fs, root, DecodeTreeJournal(journal), nullptr)) return;
    }
    // Never renamed into place: the restore it belonged to did not commit. What it staged, in
    // any folder and beside the outside file, goes before the mark does.
    if (!fs.Exists(root / kTreeJournalTemp)) return;
    journal.clear();
    if (fs.ReadFile(root / kTreeJournalTemp, journal, kMaxJournalBytes, nullptr)) {
        const TreeJournal begun = DecodeTreeJournal(journal);
        if (begun.outside) fs.Remove(StagedOutside(*begun.outside), nullptr);
    }
    for (const auto& entry : fs.List(root))
        if (fs.IsDirectory(root / entry)) RecoverOneFolder(fs, root / entry);
    fs.Remove(root / kTreeJournalTemp, nullptr);
}

bool IsCommitArtefact(const fsys::path& name) {
    return EndsWith(name.native(), kNewSuffix) || name == kJournal || name == kJournalTemp ||
           name == kTreeJournal || name == kTreeJournalTemp;
}

bool HasTreeJournal(FileSystem& fs, const fsys::path& root) {
    return fs.Exists(root / kTreeJournal);
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

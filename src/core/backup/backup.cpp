#include "core/backup/backup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "core/device/device_exchanges.h"
#include "core/profile/ini_file.h"
#include "core/profile/settings.h"
#include "core/util/file_names.h"
#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {
constexpr char kTreePrefix[] = "Kesta/Z7 Laser/";
constexpr size_t kMaxChecksumsBytes = 8u << 20;
// Folder entries an archive made by hand may carry; each is one of the tree's own folders.
constexpr size_t kMaxFolderEntries = 16;
// A staged copy must still fit the file system's name limit.
constexpr size_t kStagingSuffixUnits = 6;

std::string Printable(std::string_view code) {
    std::string s;
    for (char c : code) s += (c >= 0x20 && c < 0x7F) ? c : '?';
    return s;
}

std::string NowUtc() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss<seconds> time{now - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return text;
}

// A name the archive can carry: one plain component without control characters or
// backslashes (which one system or another would take for a folder).
bool CarriableName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '/' || c == '\\';
    });
}

// Whether this file system can hold `name` as it stands, with room for a staged copy.
bool HoldableName(const FileSystem& fs, const fsys::path& name) {
    const FileNameRules rules = fs.nameRules();
    const std::u16string n = PathToUtf16(name);
    const std::u16string ext = PathToUtf16(name.extension());
    const std::u16string stem = n.substr(0, n.size() - ext.size());
    return !stem.empty() && SafeFileStem(stem, rules) == stem &&
           FileNameLength(n, rules) + kStagingSuffixUnits <= rules.maxNameUnits;
}

struct MemberKind {
    enum { kManifest, kChecksums, kSettings, kData } kind = kData;
    size_t folder = 0;
    fsys::path name;
};

std::optional<MemberKind> ClassifyMember(const std::string& member) {
    if (member == kManifestName) return MemberKind{MemberKind::kManifest, 0, {}};
    if (member == kChecksumsName) return MemberKind{MemberKind::kChecksums, 0, {}};
    if (member == kSettingsMemberName) return MemberKind{MemberKind::kSettings, 0, {}};
    if (member.rfind(kTreePrefix, 0) != 0) return std::nullopt;
    const std::string rest = member.substr(sizeof(kTreePrefix) - 1);
    const size_t slash = rest.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const std::string folder = rest.substr(0, slash);
    const std::string file = rest.substr(slash + 1);
    if (!CarriableName(file)) return std::nullopt;
    const auto& folders = DataTreeFolders();
    for (size_t i = 0; i < folders.size(); ++i) {
        if (folder != folders[i].name) continue;
        const fsys::path name = PathFromUtf8(file);
        if (!IsTreeFileName(folders[i], name)) return std::nullopt;
        return MemberKind{MemberKind::kData, i, name};
    }
    return std::nullopt;
}

size_t MemberLimit(const MemberKind& k) {
    switch (k.kind) {
        case MemberKind::kManifest:
            return kMaxManifestBytes;
        case MemberKind::kChecksums:
            return kMaxChecksumsBytes;
        case MemberKind::kSettings:
            return kMaxSettingsBytes;
        case MemberKind::kData:
            break;
    }
    const TreeFolder& f = DataTreeFolders()[k.folder];
    return k.name == fsys::path(f.listFileName) ? kMaxTreeListBytes : f.maxItemBytes;
}

bool FolderEntryAllowed(const std::string& name) {
    if (name == "Kesta" || name == "Kesta/Z7 Laser") return true;
    for (const TreeFolder& f : DataTreeFolders())
        if (name == kTreePrefix + std::string(f.name)) return true;
    return false;
}

bool Fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}
}  // namespace

std::string TreeMemberName(const TreeFolder& folder, const fsys::path& name) {
    return kTreePrefix + std::string(folder.name) + "/" + PathToUtf8(name);
}

MouseSnapshot ReadMouseSnapshot(DeviceLink& link) {
    MouseSnapshot m;
    DeviceInfo info;
    const ExchangeResult result = RefreshFromDevice(link, info, /*readDeviceCode=*/true);
    m.firmwareVersion = info.firmwareVersion;
    m.activeSlot = info.activeSlot;
    if (info.deviceCode)
        m.deviceCode = Printable(std::string_view(
            reinterpret_cast<const char*>(info.deviceCode->data()), info.deviceCode->size()));
    switch (result) {
        case ExchangeResult::kOk:
            if (info.firmwareVersion && info.activeSlot) {
                m.state = MouseSnapshot::State::kRead;
            } else {
                m.state = MouseSnapshot::State::kNoAnswer;
                m.note = !info.firmwareVersion ? "the mouse did not report its firmware version"
                                               : "the mouse did not report its active slot";
            }
            break;
        case ExchangeResult::kNoDevice:
            m.state = MouseSnapshot::State::kNotFound;
            m.note = "no mouse found";
            for (const HidCollectionInfo& c : link.transport().Enumerate())
                if (c.vendorId == kVendorId && c.productId == kProductBoot) {
                    m.state = MouseSnapshot::State::kBootLoader;
                    m.note =
                        "the mouse waits in its boot loader (a firmware update did not finish)";
                }
            break;
        case ExchangeResult::kNoAccess:
            m.state = MouseSnapshot::State::kNoAccess;
            m.note = "the mouse was found at " + link.lastOpenProblem().path +
                     " but may not be opened (permission denied)";
            break;
        case ExchangeResult::kBusy:
            m.state = MouseSnapshot::State::kBusy;
            m.note = "another program is using the mouse";
            break;
        case ExchangeResult::kCommandFailed: {
            m.state = MouseSnapshot::State::kNoAnswer;
            const HidStatus status = link.lastTransferStatus();
            m.note = "the mouse did not answer" + (status.ok() ? "" : " (" + status.message + ")");
            break;
        }
    }
    return m;
}

bool CreateBackup(FileSystem& fs, const fsys::path& dataFolder, const fsys::path& settingsFile,
                  const MouseSnapshot& mouse, const fsys::path& target, bool recover,
                  BackupSummary* summary, std::string* error) {
    if (!BackupArchiveAvailable()) return Fail(error, kBackupUnavailable);
    BackupSummary s;
    std::vector<ArchiveMember> members;
    members.push_back({kManifestName, {}});  // filled in once the rest is known
    size_t total = 0;
    for (const TreeFolderState& t : InspectDataTree(fs, dataFolder, recover)) {
        if (t.state.unreadableList) {
            const fsys::path list = t.path / t.folder->listFileName;
            std::string detail;
            for (const DataIssue& i : t.state.issues)
                if (i.kind == DataIssue::Kind::Unreadable) detail = i.detail;
            return Fail(error,
                        "cannot read " + PathToUtf8(list) + (detail.empty() ? "" : ": " + detail));
        }
        for (const fsys::path& name : t.setFiles) {
            const bool damaged =
                std::any_of(t.state.damaged.begin(), t.state.damaged.end(),
                            [&](const FolderState::Damaged& d) { return d.name == name; });
            const bool list = name == fsys::path(t.folder->listFileName);
            if (!CarriableName(PathToUtf8(name))) {
                s.leftOut.push_back(t.path / name);
                continue;
            }
            std::vector<uint8_t> bytes;
            std::string readError;
            const size_t limit = list ? kMaxTreeListBytes : t.folder->maxItemBytes;
            if (!fs.ReadFile(t.path / name, bytes, limit, &readError)) {
                // A damaged file too large for its kind could never be loaded anyway.
                if (damaged) {
                    s.leftOut.push_back(t.path / name);
                    continue;
                }
                return Fail(error, "cannot read " + PathToUtf8(t.path / name) + ": " + readError);
            }
            total += bytes.size();
            members.push_back({TreeMemberName(*t.folder, name), std::move(bytes)});
            ++s.dataFiles;
        }
        for (const fsys::path& name : t.unknown) s.leftOut.push_back(t.path / name);
    }
    if (fs.Exists(settingsFile)) {
        std::vector<uint8_t> bytes;
        std::string readError;
        if (!fs.ReadFile(settingsFile, bytes, kMaxSettingsBytes, &readError))
            return Fail(error, "cannot read the settings file " + PathToUtf8(settingsFile) + ": " +
                                   readError);
        total += bytes.size();
        members.push_back({kSettingsMemberName, std::move(bytes)});
        s.settings = true;
    }
    // Never write a backup that its own restore would refuse.
    if (members.size() + 2 > kMaxBackupMembers || total > kMaxBackupBytes)
        return Fail(error, "the data folder holds more than a backup may (" +
                               std::to_string(kMaxBackupMembers) + " files, " +
                               std::to_string(kMaxBackupBytes >> 20) + " MiB)");

    BackupManifest manifest;
    manifest.program = std::string("kesta-z7 ") + Z7_PROGRAM_VERSION;
    manifest.created = NowUtc();
    manifest.dataFiles = s.dataFiles;
    manifest.hasSettings = s.settings;
    manifest.mouse = mouse;
    members.front().bytes = EncodeManifest(manifest);
    ChecksumList sums;
    for (const ArchiveMember& m : members) sums[m.name] = Sha256Hex(m.bytes);
    members.push_back({kChecksumsName, EncodeChecksums(sums)});

    std::vector<uint8_t> archive;
    std::string archiveError;
    if (!WriteZipArchive(members, archive, &archiveError))
        return Fail(error, "cannot make the backup: " + archiveError);
    fsys::path temporary = target;
    temporary += ".z7part";
    std::string writeError;
    if (!fs.WriteFile(temporary, archive, &writeError) ||
        !fs.Rename(temporary, target, &writeError)) {
        fs.Remove(temporary, nullptr);
        return Fail(error, "cannot write " + PathToUtf8(target) + ": " + writeError);
    }
    s.archiveBytes = archive.size();
    if (summary) *summary = std::move(s);
    return true;
}

bool ParseBackup(const FileSystem& fs, std::span<const uint8_t> archive, BackupContents& out,
                 std::string* error) {
    if (!BackupArchiveAvailable()) return Fail(error, kBackupUnavailable);
    ArchiveLimits limits;
    limits.maxEntries = kMaxBackupMembers + kMaxFolderEntries;
    limits.maxTotalBytes = kMaxBackupBytes;
    limits.memberLimit = [](const std::string& name) -> std::optional<size_t> {
        const auto kind = ClassifyMember(name);
        if (!kind) return std::nullopt;
        return MemberLimit(*kind);
    };
    limits.folderAllowed = FolderEntryAllowed;
    std::vector<ArchiveMember> members;
    std::string why;
    if (!ReadArchive(archive, limits, members, &why)) return Fail(error, why);

    const ArchiveMember* manifestMember = nullptr;
    const ArchiveMember* sumsMember = nullptr;
    for (const ArchiveMember& m : members) {
        if (m.name == kManifestName) manifestMember = &m;
        if (m.name == kChecksumsName) sumsMember = &m;
    }
    if (!manifestMember)
        return Fail(error, std::string("the file holds no ") + kManifestName +
                               "; it is not a backup of this program");
    BackupContents contents;
    if (!ParseManifest(manifestMember->bytes, contents.manifest, error)) return false;
    if (!sumsMember)
        return Fail(error, std::string("the backup holds no checksum list ") + kChecksumsName);
    ChecksumList sums;
    if (!ParseChecksums(sumsMember->bytes, sums, error)) return false;

    std::map<std::string, bool> listed;
    for (const auto& [name, hex] : sums) listed[name] = false;
    std::vector<FileNameSet> perFolder;
    for (size_t i = 0; i < kTreeFolderCount; ++i) perFolder.emplace_back(fs);
    for (ArchiveMember& m : members) {
        if (&m == sumsMember) continue;
        const auto sum = sums.find(m.name);
        if (sum == sums.end())
            return Fail(error, "the backup has no checksum for \"" + m.name + "\"");
        listed[m.name] = true;
        if (Sha256Hex(m.bytes) != sum->second)
            return Fail(error,
                        "\"" + m.name + "\" does not match its checksum: the backup is damaged");
        const MemberKind kind = *ClassifyMember(m.name);
        if (kind.kind == MemberKind::kSettings) contents.settings = std::move(m.bytes);
        if (kind.kind != MemberKind::kData) continue;
        if (!HoldableName(fs, kind.name))
            return Fail(error, "\"" + m.name + "\" cannot be a file name on this system");
        const std::u16string n = PathToUtf16(kind.name);
        if (perFolder[kind.folder].Contains(n))
            return Fail(error, "the backup holds \"" + m.name + "\" twice");
        perFolder[kind.folder].Add(n);
        contents.files.push_back({kind.folder, kind.name, std::move(m.bytes)});
    }
    for (const auto& [name, present] : listed)
        if (!present && name != kChecksumsName)
            return Fail(error, "\"" + name + "\" is in the checksum list but not in the backup");
    // A member taken out together with its checksum line still leaves the manifest's count.
    if (contents.files.size() != contents.manifest.dataFiles ||
        contents.settings.has_value() != contents.manifest.hasSettings)
        return Fail(error, "the backup holds " + std::to_string(contents.files.size()) +
                               " data files" + (contents.settings ? " and the settings" : "") +
                               ", its manifest names " +
                               std::to_string(contents.manifest.dataFiles) +
                               (contents.manifest.hasSettings ? " and the settings" : "") +
                               ": files are missing");
    out = std::move(contents);
    return true;
}

bool ReadBackup(FileSystem& fs, const fsys::path& file, BackupContents& out, std::string* error) {
    if (!BackupArchiveAvailable()) return Fail(error, kBackupUnavailable);
    if (fs.IsDirectory(file)) return Fail(error, PathToUtf8(file) + " is a folder, not a backup");
    std::vector<uint8_t> bytes;
    std::string readError;
    if (!fs.ReadFile(file, bytes, kMaxBackupBytes, &readError))
        return Fail(error, "cannot read " + PathToUtf8(file) + ": " + readError);
    std::string why;
    if (!ParseBackup(fs, bytes, out, &why))
        return Fail(error, PathToUtf8(file) + " cannot be restored: " + why);
    return true;
}

const char* RestoreActionName(RestoreStep::Action action) {
    switch (action) {
        case RestoreStep::Action::kAdd:
            return "add";
        case RestoreStep::Action::kReplace:
            return "replace";
        case RestoreStep::Action::kSame:
            return "same";
        case RestoreStep::Action::kRemove:
            return "remove";
        case RestoreStep::Action::kKeep:
            return "keep";
    }
    return "keep";
}

bool RestorePlan::ChangesAnything() const {
    if (settings) return true;
    return std::any_of(steps.begin(), steps.end(), [](const RestoreStep& s) {
        return s.action == RestoreStep::Action::kAdd || s.action == RestoreStep::Action::kReplace ||
               s.action == RestoreStep::Action::kRemove;
    });
}

bool PlanRestore(FileSystem& fs, const BackupContents& backup, const fsys::path& dataFolder,
                 const fsys::path& settingsFile, const fsys::path& defaultDataFolder, bool recover,
                 RestorePlan& plan, std::string* error) {
    RestorePlan p;
    p.manifest = backup.manifest;
    const std::vector<TreeFolderState> tree = InspectDataTree(fs, dataFolder, recover);
    for (size_t i = 0; i < tree.size(); ++i) {
        const TreeFolderState& t = tree[i];
        const std::string folderName = t.folder->name;
        TreeFolderChange change;
        change.folder = PathFromUtf8(folderName);
        for (const BackupFile& f : backup.files) {
            if (f.folder != i) continue;
            const fsys::path path = t.path / f.name;
            RestoreStep::Action action = RestoreStep::Action::kAdd;
            if (fs.Exists(path)) {
                if (fs.IsDirectory(path))
                    return Fail(error, "a folder stands where the backup puts " + PathToUtf8(path));
                std::vector<uint8_t> existing;
                action = fs.ReadFile(path, existing, f.bytes.size(), nullptr) && existing == f.bytes
                             ? RestoreStep::Action::kSame
                             : RestoreStep::Action::kReplace;
            }
            p.steps.push_back({action, folderName, f.name});
            change.files.push_back({f.name, f.bytes});
        }
        std::vector<fsys::path> written;
        for (const FolderFile& f : change.files) written.push_back(f.name);
        for (const fsys::path& name : t.setFiles) {
            if (ContainsFileName(fs, written, name)) continue;
            const bool damaged =
                std::any_of(t.state.damaged.begin(), t.state.damaged.end(),
                            [&](const FolderState::Damaged& d) { return d.name == name; });
            // A damaged file is kept byte for byte until it is repaired, also by a restore.
            if (damaged) {
                p.steps.push_back({RestoreStep::Action::kKeep, folderName, name});
                continue;
            }
            p.steps.push_back({RestoreStep::Action::kRemove, folderName, name});
            change.obsolete.push_back(name);
        }
        for (const fsys::path& name : t.unknown)
            if (!ContainsFileName(fs, written, name))
                p.steps.push_back({RestoreStep::Action::kKeep, folderName, name});
        if (!change.files.empty() || !change.obsolete.empty())
            p.changes.push_back(std::move(change));
    }

    if (backup.settings) {
        IniFile current;
        std::string readError;
        const bool exists = fs.Exists(settingsFile);
        if (exists && !LoadIniFile(fs, settingsFile, current, &readError)) {
            p.settingsNote = "the settings file " + PathToUtf8(settingsFile) +
                             " cannot be read, so it is not replaced: " + readError;
        } else {
            IniFile merged = IniFile::Parse(*backup.settings);
            const auto here = current.Get(kSettingsSection, kDataPathKey);
            const auto theirs = merged.Get(kSettingsSection, kDataPathKey);
            if (here && theirs != *here)
                merged.Set(kSettingsSection, kDataPathKey, *here);
            else if (!here && theirs)
                merged.Set(
                    kSettingsSection, kDataPathKey,
                    PathToUtf16(LoadSettings(fs, settingsFile, defaultDataFolder).dataFolder));
            std::vector<uint8_t> bytes = merged.Serialize();
            std::vector<uint8_t> existing;
            const bool same = exists &&
                              fs.ReadFile(settingsFile, existing, bytes.size(), nullptr) &&
                              existing == bytes;
            p.steps.push_back({same     ? RestoreStep::Action::kSame
                               : exists ? RestoreStep::Action::kReplace
                                        : RestoreStep::Action::kAdd,
                               "", settingsFile});
            if (!same) p.settings = OutsideFile{settingsFile, std::move(bytes)};
        }
    }
    plan = std::move(p);
    return true;
}

bool ApplyRestore(FileSystem& fs, const fsys::path& dataFolder, const RestorePlan& plan,
                  std::string* error) {
    std::string why;
    const fsys::path root = DataRoot(dataFolder);
    if (!CommitTree(fs, root, plan.changes, plan.settings ? &*plan.settings : nullptr, &why)) {
        if (HasTreeJournal(fs, root))
            return Fail(error, "the restore was committed but not completed (" + why +
                                   "); it completes when the data folder is next loaded");
        return Fail(error, "nothing was restored: " + why);
    }
    return true;
}

}  // namespace z7

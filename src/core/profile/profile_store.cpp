#include "core/profile/profile_store.h"

#include <algorithm>
#include <cstdint>

#include "core/profile/profile_file.h"
#include "core/profile/settings.h"
#include "core/util/file_names.h"
#include "core/util/folder_commit.h"
#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {
constexpr size_t kMaxListBytes = 1 << 20;

// The file name of a stored path, whichever separator the system that wrote it used.
fsys::path StoredFileName(const std::u16string& path) {
    const size_t cut = path.find_last_of(u"/\\");
    return PathFromUtf16(cut == std::u16string::npos ? path : path.substr(cut + 1));
}

// A list written elsewhere (another data folder, Windows) names paths that are not here; the
// file of the same name in this profile folder is the one meant.
int ReadListedProfile(FileSystem& fs, const fsys::path& folder, const std::u16string& stored,
                      ProfileRecord& record) {
    const fsys::path path = PathFromUtf16(stored);
    if (fs.Exists(path) && ReadProfileFile(fs, path, record)) {
        record.filePath = path;
        return 1;
    }
    const fsys::path local = folder / StoredFileName(stored);
    if (ReadProfileFile(fs, local, record)) {
        record.filePath = local;
        return 1;
    }
    record.filePath = path;
    return 0;
}

void LoadFromFolderScan(FileSystem& fs, ProfileSet& set, const fsys::path& folder) {
    std::vector<fsys::path> names = fs.List(folder);
    std::sort(names.begin(), names.end());
    bool seen[kSlotCount] = {};
    for (const auto& name : names) {
        if (name.extension() != kProfileExtension) continue;
        ProfileRecord candidate = set[0];
        if (!ReadProfileFile(fs, folder / name, candidate) || candidate.profileSlot >= kSlotCount)
            continue;
        const int slot = candidate.profileSlot;
        if (seen[slot]) continue;
        seen[slot] = true;
        candidate.filePath = folder / name;
        set[slot] = std::move(candidate);
    }
}
}  // namespace

fsys::path ProfileFolder(const fsys::path& dataFolder) { return DataRoot(dataFolder) / "Profiles"; }

bool SaveProfileSet(FileSystem& fs, ProfileSet& set, const fsys::path& dataFolder,
                    std::string* error, SaveVariant variant) {
    const fsys::path folder = ProfileFolder(dataFolder);
    std::vector<FolderFile> files;
    std::vector<ProfileListEntry> list;
    std::vector<std::u16string> taken = {u"pfList.dat"};
    std::vector<fsys::path> paths(kSlotCount);

    for (int slot = 0; slot < kSlotCount; ++slot) {
        ProfileRecord& r = set[slot];
        if (slot != 0 && r.inUse != 1) continue;
        const std::u16string name =
            (slot == 0 && variant == SaveVariant::SystemPage)
                ? UniqueFileName(u"Default0", u".profile", taken)
                : UniqueFileName(SafeFileStem(r.profileName), u".profile", taken);
        auto bytes = SerializeProfile(r);
        if (!bytes) {
            if (error) *error = "profile \"" + Utf16ToUtf8(r.profileName) + "\": a bound macro has more than 255 events";
            return false;
        }
        paths[static_cast<size_t>(slot)] = folder / PathFromUtf16(name);
        list.push_back({static_cast<uint8_t>(slot), PathToUtf16(paths[static_cast<size_t>(slot)])});
        files.push_back({PathFromUtf16(name), std::move(*bytes)});
    }
    files.push_back({fsys::path(kProfileListName), SerializeProfileList(list)});

    if (!CommitFolder(fs, folder, files, error)) return false;
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!paths[static_cast<size_t>(slot)].empty()) set[slot].filePath = paths[static_cast<size_t>(slot)];
    return true;
}

bool SaveProfileSetForSystemPage(FileSystem& fs, ProfileSet& set, const fsys::path& dataFolder,
                                 std::string* error) {
    return SaveProfileSet(fs, set, dataFolder, error, SaveVariant::SystemPage);
}

void LoadProfileSet(FileSystem& fs, ProfileSet& set, const fsys::path& dataFolder) {
    const fsys::path folder = ProfileFolder(dataFolder);
    RecoverFolder(fs, folder);
    const fsys::path listPath = folder / kProfileListName;
    if (!fs.Exists(listPath)) {
        for (auto& r : set.records()) r.inUse = 1;
        return;
    }
    std::vector<uint8_t> bytes;
    std::vector<ProfileListEntry> entries;
    if (!fs.ReadFile(listPath, bytes, kMaxListBytes, nullptr) || !ParseProfileList(bytes, entries)) {
        LoadFromFolderScan(fs, set, folder);
    } else {
        for (const auto& e : entries) {
            if (e.slot >= kSlotCount) continue;
            ReadListedProfile(fs, folder, e.path, set[e.slot]);
        }
    }
    // The slot a record sits in is its slot, whatever the file said; the factory slot is in use.
    for (int slot = 0; slot < kSlotCount; ++slot) set[slot].profileSlot = static_cast<uint8_t>(slot);
    set[0].inUse = 1;
}

std::u16string UniqueImportName(const ProfileSet& set, std::u16string name) {
    for (int pass = 0; pass < 5; ++pass) {
        const auto& records = set.records();
        const auto match = std::find_if(records.begin(), records.end(), [&](const ProfileRecord& r) {
            return r.inUse == 1 && r.profileName == name;
        });
        if (match == records.end()) break;  // later passes would find nothing either
        const size_t open = name.find(u'(');
        if (open == std::u16string::npos) {
            name += u"(1)";
        } else {
            // Read as a C int would read it; saturating keeps n + 1 defined.
            const long long n = std::clamp<long long>(
                ParseDecimalPrefix(std::u16string_view(name).substr(open + 1)), INT32_MIN, INT32_MAX);
            name = name.substr(0, open) + u"(" + DecimalText(n + 1) + u")";
        }
    }
    return name;
}

ImportResult ImportProfile(FileSystem& fs, ProfileSet& set, const fsys::path& file) {
    ProfileRecord imported = CreateProfileRecord();
    if (!ReadProfileFile(fs, file, imported)) return {ImportStatus::Unreadable, {}};
    const int slot = set.currentSlot();
    if (slot == 0) return {ImportStatus::FactorySlot, {}};
    imported.inUse = 1;
    imported.profileSlot = static_cast<uint8_t>(slot);
    imported.profileName = UniqueImportName(set, imported.profileName);
    imported.filePath = set[slot].filePath;
    set[slot] = std::move(imported);
    return {ImportStatus::Imported, set[slot].profileName};
}

bool DeleteProfileFile(FileSystem& fs, const ProfileRecord& record) {
    if (record.filePath.empty() || !fs.Exists(record.filePath)) return false;
    return fs.Remove(record.filePath, nullptr);
}

}  // namespace z7

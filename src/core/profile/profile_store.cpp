#include "core/profile/profile_store.h"

#include <algorithm>
#include <cstdint>

#include "core/profile/profile_file.h"
#include "core/profile/settings.h"
#include "core/profile/value_sets.h"
#include "core/util/file_names.h"
#include "core/util/folder_commit.h"
#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {
constexpr size_t kMaxListBytes = 1 << 20;

// The file name of a stored path, whichever separator the system that wrote it used; empty for
// anything that is not a plain name.
fsys::path StoredFileName(const std::u16string& path) {
    const size_t cut = path.find_last_of(u"/\\");
    const fsys::path name =
        PathFromUtf16(cut == std::u16string::npos ? path : path.substr(cut + 1));
    if (name.empty() || name != name.filename() || name == "." || name == "..") return {};
    return name;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

// Reads one profile file of the folder into `record`: a sound file is owned by the loaded set,
// a damaged one is reported and left alone. Values no page offers are repaired and reported.
bool ReadOwnedProfile(FileSystem& fs, FolderState& state, const fsys::path& name, int slot,
                      ProfileRecord& record) {
    const fsys::path path = state.folder / name;
    ProfileRecord candidate = record;
    if (!ReadProfileFile(fs, path, candidate)) {
        state.damaged.push_back({name, slot});
        state.issues.push_back({DataIssue::Kind::DamagedFile, path, {}});
        return false;
    }
    const std::vector<std::string> repaired = RepairProfileValues(candidate);
    if (!repaired.empty())
        state.issues.push_back({DataIssue::Kind::RepairedValues, path, JoinNames(repaired)});
    candidate.filePath = path;
    record = std::move(candidate);
    state.owned.push_back(name);
    return true;
}

void LoadFromFolderScan(FileSystem& fs, ProfileSet& set, FolderState& state) {
    std::vector<fsys::path> names = fs.List(state.folder);
    std::sort(names.begin(), names.end());
    bool seen[kSlotCount] = {};
    for (const auto& name : names) {
        if (name.extension() != kProfileExtension || fs.IsDirectory(state.folder / name)) continue;
        // A fresh record: nothing may be inherited from another slot's profile.
        ProfileRecord candidate = CreateProfileRecord();
        std::vector<uint8_t> bytes;
        if (!fs.ReadFile(state.folder / name, bytes, kMaxProfileFileBytes, nullptr) ||
            !ParseProfile(bytes, candidate)) {
            state.damaged.push_back({name, -1});
            state.issues.push_back({DataIssue::Kind::DamagedFile, state.folder / name, {}});
            continue;
        }
        // A second file for a slot (an exported copy, say) is not part of the set and stays.
        if (candidate.profileSlot >= kSlotCount || seen[candidate.profileSlot]) continue;
        const int slot = candidate.profileSlot;
        seen[slot] = true;
        set[slot] = CreateProfileRecord();
        (void)ReadOwnedProfile(fs, state, name, slot, set[slot]);
    }
}
}  // namespace

fsys::path ProfileFolder(const fsys::path& dataFolder) { return DataRoot(dataFolder) / "Profiles"; }

bool SaveProfileSet(FileSystem& fs, ProfileSet& set, const fsys::path& dataFolder,
                    std::string* error, SaveVariant variant) {
    const fsys::path folder = ProfileFolder(dataFolder);
    FolderState state = set.folderState().folder == folder ? set.folderState() : FolderState{};
    if (state.unreadableList) {
        if (error)
            *error = "cannot read " + PathToUtf8(folder / kProfileListName) +
                     "; nothing is saved over it";
        return false;
    }
    std::vector<FolderFile> files;
    std::vector<ProfileListEntry> list;
    std::vector<std::u16string> taken = {Utf8ToUtf16(kProfileListName)};
    // Damaged profiles keep their files and names.
    for (const auto& d : state.damaged) taken.push_back(PathToUtf16(d.name));
    std::vector<fsys::path> paths(kSlotCount);
    std::vector<fsys::path> written;
    const FileNameRules rules = fs.nameRules();

    for (int slot = 0; slot < kSlotCount; ++slot) {
        ProfileRecord& r = set[slot];
        if (slot != 0 && r.inUse != 1) continue;
        const std::u16string stem = (slot == 0 && variant == SaveVariant::SystemPage)
                                        ? std::u16string(u"Default0")
                                        : SafeFileStem(r.profileName, rules);
        std::u16string name;
        // A file that is not one of the loaded set (the user's own copy) is left where it is.
        do {
            name = UniqueFileName(stem, u".profile", taken, fs);
        } while (!MayWriteFile(fs, state, folder, PathFromUtf16(name)));
        auto bytes = SerializeProfile(r);
        if (!bytes) {
            if (error) *error = "profile \"" + Utf16ToUtf8(r.profileName) + "\": a bound macro has more than 255 events";
            return false;
        }
        if (bytes->size() > kMaxProfileFileBytes) {
            if (error)
                *error = "profile \"" + Utf16ToUtf8(r.profileName.substr(0, 40)) +
                         "\" is too large to be read back";
            return false;
        }
        paths[static_cast<size_t>(slot)] = folder / PathFromUtf16(name);
        list.push_back({static_cast<uint8_t>(slot), PathToUtf16(paths[static_cast<size_t>(slot)])});
        written.push_back(PathFromUtf16(name));
        files.push_back({written.back(), std::move(*bytes)});
    }
    // A damaged profile of a slot that stays free stays listed, so it is reported again and
    // comes back once the file is repaired.
    for (const auto& d : state.damaged)
        if (d.slot > 0 && d.slot < kSlotCount && set[d.slot].inUse != 1)
            list.push_back({static_cast<uint8_t>(d.slot), PathToUtf16(folder / d.name)});
    written.push_back(fsys::path(kProfileListName));
    files.push_back({written.back(), SerializeProfileList(list)});

    if (!CommitFolder(fs, folder, files, ObsoleteFiles(fs, state, folder, written), error))
        return false;
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!paths[static_cast<size_t>(slot)].empty()) set[slot].filePath = paths[static_cast<size_t>(slot)];
    state.folder = folder;
    state.owned = std::move(written);
    state.issues.clear();
    set.folderState() = std::move(state);
    return true;
}

bool SaveProfileSetForSystemPage(FileSystem& fs, ProfileSet& set, const fsys::path& dataFolder,
                                 std::string* error) {
    return SaveProfileSet(fs, set, dataFolder, error, SaveVariant::SystemPage);
}

void LoadProfileSet(FileSystem& fs, ProfileSet& set, const fsys::path& dataFolder, bool recover) {
    const fsys::path folder = ProfileFolder(dataFolder);
    if (recover) RecoverFolder(fs, folder);
    FolderState& state = set.folderState();
    state = FolderState{};
    state.folder = folder;
    const fsys::path listPath = folder / kProfileListName;
    if (!fs.Exists(listPath)) {
        for (auto& r : set.records()) r.inUse = 1;
        return;
    }
    std::vector<uint8_t> bytes;
    std::vector<ProfileListEntry> entries;
    std::string readError;
    if (!fs.ReadFile(listPath, bytes, kMaxListBytes, &readError)) {
        // Saving a new list over one we could not read would lose what it names.
        state.unreadableList = true;
        state.issues.push_back({DataIssue::Kind::Unreadable, listPath, readError});
        LoadFromFolderScan(fs, set, state);
    } else if (!ParseProfileList(bytes, entries)) {
        state.owned.push_back(kProfileListName);
        state.issues.push_back({DataIssue::Kind::DamagedList, listPath, {}});
        LoadFromFolderScan(fs, set, state);
    } else {
        state.owned.push_back(kProfileListName);
        fsys::path ownedBy[kSlotCount];
        for (const auto& e : entries) {
            if (e.slot >= kSlotCount) continue;
            // The file of that name in this folder, whatever folder or system wrote the list: a
            // copied data folder never reads or deletes the original's profiles.
            const fsys::path name = StoredFileName(e.path);
            if (name.empty() || !fs.Exists(folder / name) || fs.IsDirectory(folder / name))
                continue;
            if (!ReadOwnedProfile(fs, state, name, e.slot, set[e.slot])) continue;
            // A later entry for the same slot wins; the earlier file is no longer the slot's.
            if (!ownedBy[e.slot].empty() && ownedBy[e.slot] != name)
                std::erase(state.owned, ownedBy[e.slot]);
            ownedBy[e.slot] = name;
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
    if (!ReadProfileFile(fs, file, imported)) return {ImportStatus::Unreadable, {}, {}};
    const int slot = set.currentSlot();
    if (slot == 0) return {ImportStatus::FactorySlot, {}, {}};
    std::vector<std::string> repaired = RepairProfileValues(imported);
    imported.inUse = 1;
    imported.profileSlot = static_cast<uint8_t>(slot);
    imported.profileName = UniqueImportName(set, imported.profileName);
    imported.filePath = set[slot].filePath;
    set[slot] = std::move(imported);
    return {ImportStatus::Imported, set[slot].profileName, std::move(repaired)};
}

bool DeleteProfileFile(FileSystem& fs, const ProfileRecord& record) {
    if (record.filePath.empty() || !fs.Exists(record.filePath) || fs.IsDirectory(record.filePath))
        return false;
    return fs.Remove(record.filePath, nullptr);
}

ProfileRecord MergeProfileRecord(const ProfileRecord& base, const ProfileRecord& mine,
                                 const ProfileRecord& theirs) {
    ProfileRecord out = theirs;
#define Z7_TAKE_MINE(field) \
    if (!(mine.field == base.field)) out.field = mine.field
    Z7_TAKE_MINE(profileSlot);
    Z7_TAKE_MINE(profileName);
    Z7_TAKE_MINE(inUse);
    Z7_TAKE_MINE(pollingRate);
    Z7_TAKE_MINE(doubleClickSpeed);
    Z7_TAKE_MINE(scrollByLines);
    Z7_TAKE_MINE(scrollLines);
    Z7_TAKE_MINE(scrollByPage);
    Z7_TAKE_MINE(pointerAcceleration);
    Z7_TAKE_MINE(pointerSpeed);
    Z7_TAKE_MINE(snapToDefault);
    Z7_TAKE_MINE(pointerTrails);
    Z7_TAKE_MINE(showPointerOnCtrl);
    Z7_TAKE_MINE(lightSwitch);
    Z7_TAKE_MINE(lightEffect);
    Z7_TAKE_MINE(lightSpeed);
    Z7_TAKE_MINE(lightSleep);
    Z7_TAKE_MINE(lightBrightness);
    Z7_TAKE_MINE(lightSync);
    Z7_TAKE_MINE(lightColor1);
    Z7_TAKE_MINE(lightColor2);
    Z7_TAKE_MINE(angleSnapOn);
    Z7_TAKE_MINE(angleSnapLevel);
    Z7_TAKE_MINE(angleTuneOn);
    Z7_TAKE_MINE(angleTuneLevel);
    Z7_TAKE_MINE(liftOffOn);
    Z7_TAKE_MINE(liftOffLevel);
    Z7_TAKE_MINE(smoothingOn);
    Z7_TAKE_MINE(surfaceMode);
#undef Z7_TAKE_MINE
    // The steps only make sense together: count, current step and the CPI of every step.
    if (mine.stepCount != base.stepCount || mine.currentStep != base.currentStep ||
        mine.xyLinked != base.xyLinked || mine.cpiX != base.cpiX || mine.cpiY != base.cpiY) {
        out.stepCount = mine.stepCount;
        out.currentStep = mine.currentStep;
        out.xyLinked = mine.xyLinked;
        out.cpiX = mine.cpiX;
        out.cpiY = mine.cpiY;
    }
    for (size_t i = 0; i < out.buttonBindings.size(); ++i) {
        if (mine.buttonBindings[i] == base.buttonBindings[i] &&
            mine.buttonMacros[i] == base.buttonMacros[i])
            continue;
        out.buttonBindings[i] = mine.buttonBindings[i];
        out.buttonMacros[i] = mine.buttonMacros[i];
    }
    return out;
}

ProfileSet MergeProfileSets(const ProfileSet& base, const ProfileSet& mine,
                            const ProfileSet& theirs) {
    ProfileSet out = theirs;
    for (int slot = 0; slot < kSlotCount; ++slot)
        out[slot] = MergeProfileRecord(base[slot], mine[slot], theirs[slot]);
    out.SetCurrent(mine.currentSlot());
    return out;
}

bool SameProfiles(const ProfileSet& a, const ProfileSet& b) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ProfileRecord x = a[slot];
        x.filePath = b[slot].filePath;
        if (!(x == b[slot])) return false;
    }
    return true;
}

}  // namespace z7

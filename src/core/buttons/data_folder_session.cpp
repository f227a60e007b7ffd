#include "core/buttons/data_folder_session.h"

#include <utility>

#include "core/buttons/library_sources.h"
#include "core/profile/data_lock.h"

namespace z7 {

DataFolderSession::DataFolderSession(FileSystem& fs, Clock& clock, std::filesystem::path dataFolder)
    : fs_(fs), clock_(clock), dataFolder_(std::move(dataFolder)) {}

void DataFolderSession::Note(const std::vector<DataIssue>& issues) {
    for (const DataIssue& issue : issues)
        if (told_.insert({static_cast<int>(issue.kind), issue.file}).second)
            pending_.push_back(issue);
}

std::vector<DataIssue> DataFolderSession::TakeNewIssues() {
    return std::exchange(pending_, {});
}

void DataFolderSession::Load(ProfileSet& set) {
    LockAttempt lock = LockDataFolder(dataFolder_, clock_, nullptr);
    const bool locked = lock.status == LockStatus::kAcquired;
    LoadProfileSet(fs_, set, dataFolder_, /*recover=*/locked);
    Note(set.folderState().issues);
    // Damaged library files are told at the start too, not only at the first save.
    Note(CheckLibraries(fs_, dataFolder_, /*recover=*/locked));
    base_ = set;
}

bool DataFolderSession::HasUnsavedChanges(const ProfileSet& set) const {
    return !SameProfiles(set, base_);
}

bool DataFolderSession::Save(ProfileSet& set, std::string* error, SaveVariant variant,
                             bool* tookOthers, MacroLibrary* liveMacros) {
    if (tookOthers) *tookOthers = false;
    LockAttempt lock = LockDataFolder(dataFolder_, clock_, error);
    if (lock.status != LockStatus::kAcquired) return false;
    ProfileSet disk;
    LoadProfileSet(fs_, disk, dataFolder_);
    Note(disk.folderState().issues);
    std::vector<DataIssue> issues;
    LibraryRenumbering renumbering;
    const bool librariesSaved =
        ResaveLibraries(fs_, dataFolder_, &renumbering, &issues, error, liveMacros);
    Note(issues);
    // The three sets name library entries by the same ids again.
    RemapBindings(disk, renumbering);
    RemapBindings(base_, renumbering);
    RemapBindings(set, renumbering);
    ProfileSet merged = MergeProfileSets(base_, set, disk);
    if (!librariesSaved) {
        std::string ignored;
        (void)RemapProfilesOnDisk(fs_, dataFolder_, renumbering, &ignored);
        return false;
    }
    if (!SaveProfileSet(fs_, merged, dataFolder_, error, variant)) return false;
    if (tookOthers) *tookOthers = !SameProfiles(merged, set);
    set = merged;
    base_ = std::move(merged);
    return true;
}

std::optional<ProfileSet> DataFolderSession::ChangedOnDisk() {
    // No wait: a writer holding the lock changes the folder again when it is done.
    LockAttempt lock = LockDataFolder(dataFolder_, clock_, nullptr, Millis(0));
    if (lock.status != LockStatus::kAcquired) return std::nullopt;
    ProfileSet disk;
    LoadProfileSet(fs_, disk, dataFolder_);
    Note(disk.folderState().issues);
    if (SameProfiles(disk, base_)) {
        // Same records, perhaps other files (a save of the same content): keep them current.
        base_.folderState() = disk.folderState();
        return std::nullopt;
    }
    return disk;
}

void DataFolderSession::Adopt(ProfileSet& set, ProfileSet disk) {
    const int slot = set.currentSlot();
    disk.SetCurrent(disk[slot].inUse == 1 ? slot : 0);
    set = disk;
    base_ = std::move(disk);
}

}  // namespace z7

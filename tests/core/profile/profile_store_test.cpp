#include "core/profile/profile_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/profile/profile_file.h"
#include "core/util/text.h"
#include "platform/fake/faulty_file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

std::vector<std::string> FolderNames(const fsys::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fsys::directory_iterator(folder)) names.push_back(PathToUtf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<ProfileListEntry> ReadList(const fsys::path& dataFolder) {
    std::vector<ProfileListEntry> entries;
    EXPECT_TRUE(ParseProfileList(test::ReadBytes(ProfileFolder(dataFolder) / "pfList.dat"), entries));
    return entries;
}

ProfileSet LoadFrom(const fsys::path& dataFolder) {
    ProfileSet set;
    LoadProfileSet(LocalFileSystem(), set, dataFolder);
    return set;
}

class ProfileStore : public ::testing::Test {
protected:
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    fsys::path folder() const { return ProfileFolder(dir.path()); }
};

TEST_F(ProfileStore, FirstStartSavesFiveProfilesNamedAfterTheSlots) {
    ProfileSet set = LoadFrom(dir.path());
    for (const auto& r : set.records()) EXPECT_EQ(r.inUse, 1u);
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));

    EXPECT_EQ(folder(), dir / "Kesta" / "Z7 Laser" / "Profiles");
    EXPECT_EQ(FolderNames(folder()),
              (std::vector<std::string>{"pfList.dat", "出厂配置.profile", "配置1.profile",
                                        "配置2.profile", "配置3.profile", "配置4.profile"}));
    const auto list = ReadList(dir.path());
    ASSERT_EQ(list.size(), 5u);
    for (uint8_t slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(list[slot].slot, slot);
        const fsys::path expected = folder() / PathFromUtf16(SlotName(slot) + u".profile");
        EXPECT_EQ(list[slot].path, PathToUtf16(expected));
        EXPECT_EQ(set[slot].filePath, expected);
    }
}

TEST_F(ProfileStore, WrittenFilesReadBackAndRewriteIdentically) {
    ProfileSet set = LoadFrom(dir.path());
    set[2].profileName = u"FPS";
    set[2].cpiX = {450, 900, 3200};
    set[2].buttonBindings[1] = {1, 3, 0, 4, 2};
    set[2].buttonMacros[1] = {u"burst", 4, 1, {{1, 65, 0, 10}, {2, 65, 0, 10}}};
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    const auto first = test::ReadBytes(folder() / "FPS.profile");
    const auto firstList = test::ReadBytes(folder() / "pfList.dat");

    ProfileSet loaded = LoadFrom(dir.path());
    for (int slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(loaded[slot], set[slot]) << slot;
    ASSERT_TRUE(SaveProfileSet(fs, loaded, dir.path(), nullptr));
    EXPECT_EQ(test::ReadBytes(folder() / "FPS.profile"), first);
    EXPECT_EQ(test::ReadBytes(folder() / "pfList.dat"), firstList);
}

TEST_F(ProfileStore, OnlyUsedSlotsAreListed) {
    ProfileSet set;
    set[2].inUse = 1;
    set[4].inUse = 1;
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    const auto list = ReadList(dir.path());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].slot, 0);
    EXPECT_EQ(list[1].slot, 2);
    EXPECT_EQ(list[2].slot, 4);
    EXPECT_EQ(FolderNames(folder()), (std::vector<std::string>{"pfList.dat", "出厂配置.profile",
                                                               "配置2.profile", "配置4.profile"}));
}

TEST_F(ProfileStore, SystemPageVariantNamesTheFactoryFileDefault0) {
    ProfileSet set;
    set[0].profileName = u"Whatever";
    ASSERT_TRUE(SaveProfileSetForSystemPage(fs, set, dir.path(), nullptr));
    EXPECT_EQ(FolderNames(folder()), (std::vector<std::string>{"Default0.profile", "pfList.dat"}));
    EXPECT_EQ(LoadFrom(dir.path())[0].profileName, u"Whatever");
}

TEST_F(ProfileStore, NamesThatAreNotFileNamesStayInsideTheFolderAndKeepTheirText) {
    ProfileSet set;
    const std::u16string names[5] = {u"../escape", u"a/b\\c", u"con", u".hidden", u"A/B\\C"};
    for (int slot = 0; slot < 5; ++slot) {
        set[slot].inUse = 1;
        set[slot].profileName = names[slot];
    }
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    const auto files = FolderNames(folder());
    EXPECT_EQ(files.size(), 6u);  // five distinct files and the list
    for (const auto& f : files) EXPECT_EQ(f.find_first_of("/\\"), std::string::npos);
    EXPECT_FALSE(fsys::exists(dir / "Kesta" / "Z7 Laser" / "escape.profile"));
    const ProfileSet loaded = LoadFrom(dir.path());
    for (int slot = 0; slot < 5; ++slot) EXPECT_EQ(loaded[slot].profileName, names[slot]);
}

TEST_F(ProfileStore, ProfilesWithTheSameNameGetTheirOwnFiles) {
    ProfileSet set;
    for (int slot = 1; slot < 4; ++slot) {
        set[slot].inUse = 1;
        set[slot].profileName = u"Same";
        set[slot].pollingRate = static_cast<uint16_t>(1 << (slot - 1));
    }
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    const ProfileSet loaded = LoadFrom(dir.path());
    for (int slot = 1; slot < 4; ++slot) EXPECT_EQ(loaded[slot].pollingRate, 1 << (slot - 1));
}

TEST_F(ProfileStore, LoadSkipsForeignSlotsAndKeepsDefaultsForMissingFiles) {
    ProfileSet set;
    set[1].inUse = 1;
    set[1].profileName = u"One";
    set[3].inUse = 1;
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    auto list = ReadList(dir.path());
    list.push_back({9, list[1].path});
    test::WriteBytes(folder() / "pfList.dat", SerializeProfileList(list));
    fsys::remove(folder() / PathFromUtf16(u"配置3.profile"));

    const ProfileSet loaded = LoadFrom(dir.path());
    EXPECT_EQ(loaded[1].profileName, u"One");
    EXPECT_EQ(loaded[3].inUse, 0u);
    EXPECT_EQ(loaded[3].profileName, u"配置3");
}

TEST_F(ProfileStore, ListsWrittenElsewhereFindTheirFilesHere) {
    ProfileSet set;
    set[2].inUse = 1;
    set[2].profileName = u"Moved";
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    test::WriteBytes(folder() / "pfList.dat",
                     SerializeProfileList({{0, u"C:\\Users\\u\\AppData\\Roaming\\Kesta\\Z7 Laser\\Profiles\\出厂配置.profile"},
                                           {2, u"D:\\old\\Moved.profile"}}));
    const ProfileSet loaded = LoadFrom(dir.path());
    EXPECT_EQ(loaded[2].profileName, u"Moved");
    EXPECT_EQ(loaded[2].inUse, 1u);
    EXPECT_EQ(loaded[2].filePath, folder() / "Moved.profile");
}

TEST_F(ProfileStore, ADamagedListDoesNotLoseTheProfiles) {
    ProfileSet set;
    set[3].inUse = 1;
    set[3].profileName = u"Keep me";
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    test::WriteBytes(folder() / "pfList.dat", {0xFF, 0xFF, 0xFF});
    const ProfileSet loaded = LoadFrom(dir.path());
    EXPECT_EQ(loaded[3].profileName, u"Keep me");
    EXPECT_EQ(loaded[3].inUse, 1u);
    EXPECT_EQ(loaded[1].inUse, 0u);
}

// A crash after any single file operation must leave either the old or the new set on disk.
TEST_F(ProfileStore, AnInterruptedSaveLeavesTheOldOrTheNewSetWhole) {
    ProfileSet oldSet;
    oldSet[1].inUse = 1;
    oldSet[1].profileName = u"Alpha";
    oldSet[2].inUse = 1;
    oldSet[2].profileName = u"Beta";
    ASSERT_TRUE(SaveProfileSet(fs, oldSet, dir.path(), nullptr));
    oldSet = LoadFrom(dir.path());

    ProfileSet newSet = oldSet;
    newSet[1].profileName = u"Beta";  // takes over the other profile's file name
    newSet[1].pollingRate = 8;
    newSet[2].inUse = 0;
    newSet[4].inUse = 1;
    newSet[4].profileName = u"Alpha";
    newSet[0].cpiX[0] = 3000;

    auto same = [](const ProfileSet& a, const ProfileSet& b) {
        for (int s = 0; s < kSlotCount; ++s) {
            if (a[s].inUse != b[s].inUse) return false;
            if (a[s].inUse && (a[s].profileName != b[s].profileName || a[s].pollingRate != b[s].pollingRate ||
                               a[s].cpiX != b[s].cpiX))
                return false;
        }
        return true;
    };

    int sawOld = 0, sawNew = 0;
    for (int allowed = 0;; ++allowed) {
        // Start every round from the old set on disk.
        ProfileSet restore = oldSet;
        ASSERT_TRUE(SaveProfileSet(fs, restore, dir.path(), nullptr));
        FaultyFileSystem faulty(fs, allowed);
        ProfileSet attempt = newSet;
        const bool done = SaveProfileSet(faulty, attempt, dir.path(), nullptr);

        const ProfileSet loaded = LoadFrom(dir.path());
        const bool isOld = same(loaded, oldSet), isNew = same(loaded, newSet);
        EXPECT_TRUE(isOld || isNew) << "interrupted after " << allowed << " operations";
        sawOld += isOld;
        sawNew += isNew;
        // After recovery the folder holds only what one of the sets prescribes.
        for (const auto& name : FolderNames(folder()))
            EXPECT_EQ(name.find(".z7"), std::string::npos) << name;
        if (done) {
            EXPECT_TRUE(isNew);
            break;
        }
        ASSERT_LT(allowed, 100);
    }
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
}

TEST_F(ProfileStore, ImportNamesUniquelyAndReplacesOnlyAUserSlot) {
    ProfileSet set;
    set[1].inUse = 1;
    set[1].profileName = u"Game";
    set[2].inUse = 1;
    set[2].profileName = u"Game(1)";
    ProfileRecord source = CreateProfileRecord();
    source.profileName = u"Game";
    source.pollingRate = 4;
    source.profileSlot = 4;
    source.inUse = 0;
    ASSERT_TRUE(WriteProfileFile(fs, source, dir / "in.profile", nullptr));

    set.SetCurrent(2);
    const ImportResult r = ImportProfile(fs, set, dir / "in.profile");
    EXPECT_EQ(r.status, ImportStatus::Imported);
    EXPECT_EQ(r.name, u"Game(2)");
    EXPECT_EQ(set[2].profileName, u"Game(2)");
    EXPECT_EQ(set[2].pollingRate, 4);
    EXPECT_EQ(set[2].profileSlot, 2);
    EXPECT_EQ(set[2].inUse, 1u);

    const ProfileRecord factory = set[0];
    set.SetCurrent(0);
    EXPECT_EQ(ImportProfile(fs, set, dir / "in.profile").status, ImportStatus::FactorySlot);
    EXPECT_EQ(set[0], factory);

    test::WriteBytes(dir / "junk.profile", {0, 1, 2, 3, 4, 5});
    set.SetCurrent(1);
    const ProfileRecord before = set[1];
    EXPECT_EQ(ImportProfile(fs, set, dir / "junk.profile").status, ImportStatus::Unreadable);
    EXPECT_EQ(set[1], before);
}

TEST(UniqueImportName, RenamesInAtMostFivePasses) {
    ProfileSet set;
    set[0].profileName = u"N";
    for (int s = 1; s < 5; ++s) {
        set[s].inUse = 1;
        set[s].profileName = u"N(" + DecimalText(s) + u")";
    }
    // N -> N(1) -> N(2) -> N(3) -> N(4) -> N(5): five passes, each finding a match.
    EXPECT_EQ(UniqueImportName(set, u"N"), u"N(5)");
    set[0].profileName = u"出厂配置";
    EXPECT_EQ(UniqueImportName(set, u"N"), u"N");
    EXPECT_EQ(UniqueImportName(set, u"N(3)x"), u"N(3)x");
    set[2].profileName = u"a(b";
    EXPECT_EQ(UniqueImportName(set, u"a(b"), u"a(1)");  // no number after "(" counts as 0
    set[3].inUse = 0;
    EXPECT_EQ(UniqueImportName(set, u"N(3)"), u"N(3)");  // free slots do not count
}

TEST_F(ProfileStore, DeleteRemovesOnlyTheRecordsFile) {
    ProfileSet set;
    set[1].inUse = 1;
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    EXPECT_TRUE(DeleteProfileFile(fs, set[1]));
    EXPECT_FALSE(fsys::exists(set[1].filePath));
    EXPECT_TRUE(fsys::exists(folder() / "pfList.dat"));
    EXPECT_FALSE(DeleteProfileFile(fs, set[1]));
}

// A save replaces the files of the set it loaded and nothing else: a renamed profile's old file
// goes, the user's own files and folders stay, and a file of no loaded set is never written over.
TEST_F(ProfileStore, ASaveReplacesOnlyTheSetItLoaded) {
    ProfileSet set = LoadFrom(dir.path());
    set[1].profileName = u"Old";
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    ProfileRecord mine = CreateProfileRecord();
    mine.profileName = u"mine";
    ASSERT_TRUE(WriteProfileFile(fs, mine, folder() / "New.profile", nullptr));
    test::WriteBytes(folder() / "sub" / "deep.txt", {1});

    set = LoadFrom(dir.path());
    set[1].profileName = u"New";
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    EXPECT_FALSE(fsys::exists(folder() / "Old.profile"));
    EXPECT_TRUE(fsys::exists(folder() / "sub" / "deep.txt"));
    ProfileRecord read;
    ASSERT_TRUE(ReadProfileFile(fs, folder() / "New.profile", read));
    EXPECT_EQ(read.profileName, u"mine") << "the user's file is not written over";
    EXPECT_EQ(set[1].filePath, folder() / "New_2.profile");
    EXPECT_EQ(LoadFrom(dir.path())[1].profileName, u"New");
}

// A damaged profile leaves its slot free, is reported and kept; its list entry stays while the
// slot is free, so that it is reported again and comes back once the file is repaired.
TEST_F(ProfileStore, ADamagedProfileIsKeptAndStaysListedWhileItsSlotIsFree) {
    ProfileSet set = LoadFrom(dir.path());
    set[2].profileName = u"Keep";
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    const auto sound = test::ReadBytes(folder() / "Keep.profile");
    const std::vector<uint8_t> damaged(sound.begin(), sound.begin() + 40);
    test::WriteBytes(folder() / "Keep.profile", damaged);

    set = LoadFrom(dir.path());
    EXPECT_EQ(set[2].inUse, 0u);
    ASSERT_EQ(set.folderState().issues.size(), 1u);
    EXPECT_EQ(set.folderState().issues[0].file, folder() / "Keep.profile");
    set[1].cpiX[0] = 500;
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    EXPECT_EQ(test::ReadBytes(folder() / "Keep.profile"), damaged);
    EXPECT_EQ(LoadFrom(dir.path()).folderState().issues.size(), 1u);

    test::WriteBytes(folder() / "Keep.profile", sound);
    EXPECT_EQ(LoadFrom(dir.path())[2].profileName, u"Keep");

    // A new profile in the slot takes the slot over; the damaged file still stays.
    test::WriteBytes(folder() / "Keep.profile", damaged);
    set = LoadFrom(dir.path());
    ASSERT_EQ(set.NewProfile(), 2);
    set[2].profileName = u"Keep";
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    EXPECT_EQ(test::ReadBytes(folder() / "Keep.profile"), damaged);
    const ProfileSet loaded = LoadFrom(dir.path());
    EXPECT_EQ(loaded[2].profileName, u"Keep");
    EXPECT_TRUE(loaded.folderState().issues.empty());
}

TEST_F(ProfileStore, ListsAndProfilesWithBytesAfterTheirEndAreDamage) {
    ProfileSet set = LoadFrom(dir.path());
    set[4].profileName = u"Four";
    ASSERT_TRUE(SaveProfileSet(fs, set, dir.path(), nullptr));
    auto list = test::ReadBytes(folder() / "pfList.dat");
    list.push_back(0);
    test::WriteBytes(folder() / "pfList.dat", list);
    set = LoadFrom(dir.path());
    EXPECT_EQ(set[4].profileName, u"Four") << "read from the folder instead";
    ASSERT_FALSE(set.folderState().issues.empty());
    EXPECT_EQ(set.folderState().issues[0].kind, DataIssue::Kind::DamagedList);

    auto profile = test::ReadBytes(folder() / "Four.profile");
    profile.push_back(0);
    ProfileRecord r;
    EXPECT_FALSE(ParseProfile(profile, r));
}

// The window's save: what it changed wins, everything else comes from disk.
TEST(ProfileMerge, EachProgramsChangesSurvive) {
    ProfileSet base;
    for (int s = 1; s < 3; ++s) base[s].inUse = 1;
    ProfileSet mine = base, theirs = base;
    mine[1].cpiX = {500, 1000, 2000};
    mine[1].buttonBindings[2] = {2, 19, 0, 0, 4};
    theirs[1].profileName = u"Renamed";
    theirs[1].buttonBindings[3] = {3, 22, 1, 0, 16};
    theirs[2].inUse = 0;  // deleted by the other program
    theirs[3].inUse = 1;  // created by it
    theirs[3].profileName = u"Three";
    mine.SetCurrent(1);

    const ProfileSet merged = MergeProfileSets(base, mine, theirs);
    EXPECT_EQ(merged.currentSlot(), 1);
    EXPECT_EQ(merged[1].cpiX, mine[1].cpiX);
    EXPECT_EQ(merged[1].buttonBindings[2], mine[1].buttonBindings[2]);
    EXPECT_EQ(merged[1].profileName, u"Renamed");
    EXPECT_EQ(merged[1].buttonBindings[3], theirs[1].buttonBindings[3]);
    EXPECT_EQ(merged[2].inUse, 0u);
    EXPECT_EQ(merged[3].profileName, u"Three");

    // Unchanged on both sides: the same set; a whole record changed by one side: that side's.
    EXPECT_TRUE(SameProfiles(MergeProfileSets(base, base, base), base));
    ProfileSet other = base;
    other[1] = CreateProfileRecord();
    other[1].profileName = u"x";
    other[1].lightColor1 = 7;
    other[1].stepCount = 1;
    other[1].currentStep = 1;
    EXPECT_EQ(MergeProfileRecord(base[1], other[1], base[1]), other[1]);
    EXPECT_EQ(MergeProfileRecord(base[1], base[1], other[1]), other[1]);
}

}  // namespace
}  // namespace z7

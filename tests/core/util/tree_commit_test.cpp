// Replacing several folders and the settings file in one step: a restore cut short at any point
// leaves the old set everywhere or the new set everywhere.
#include <gtest/gtest.h>

#include <map>

#include "core/util/folder_commit.h"
#include "platform/fake/faulty_file_system.h"
#include "platform/fake/memory_file_system.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

std::vector<uint8_t> B(const std::string& s) {
    return {s.begin(), s.end()};
}

// Absolute on every system (a drive letter on Windows): the journal names the settings file so.
const fsys::path kTop = fsys::current_path().root_path();
const fsys::path kRoot = kTop / "data" / "Kesta" / "Z7 Laser";
const fsys::path kSettings = kTop / "config" / "Config.ini";

void Seed(MemoryFileSystem& fs) {
    for (const fsys::path& folder : {kRoot / "A", kRoot / "B", kSettings.parent_path()})
        ASSERT_TRUE(fs.CreateDirectories(folder, nullptr));
    fs.WriteFile(kRoot / "A" / "a1", B("old a1"), nullptr);
    fs.WriteFile(kRoot / "A" / "a2", B("old a2"), nullptr);
    fs.WriteFile(kRoot / "A" / "mine.txt", B("the user's"), nullptr);
    fs.WriteFile(kRoot / "B" / "b1", B("old b1"), nullptr);
    fs.WriteFile(kRoot / "data.lock", {}, nullptr);
    fs.WriteFile(kSettings, B("old settings"), nullptr);
}

std::vector<TreeFolderChange> Changes() {
    return {{"A", {{"a1", B("new a1")}, {"a3", B("new a3")}}, {"a2"}},
            {"B", {{"b1", B("new b1")}}, {}},
            {"C", {{"c1", B("new c1")}}, {}}};
}

// Every file but a commit's own.
std::map<fsys::path, std::vector<uint8_t>> Snapshot(const MemoryFileSystem& fs) {
    std::map<fsys::path, std::vector<uint8_t>> files;
    for (const auto& [path, bytes] : fs.files())
        if (!IsCommitArtefact(path.filename())) files[path] = bytes;
    return files;
}

TEST(TreeCommit, AnInterruptionAtAnyStepLeavesTheOldSetOrTheNewOneEverywhere) {
    const OutsideFile settings{kSettings, B("new settings")};
    MemoryFileSystem before;
    Seed(before);
    const auto oldSet = Snapshot(before);
    MemoryFileSystem after;
    Seed(after);
    ASSERT_TRUE(CommitTree(after, kRoot, Changes(), &settings, nullptr));
    const auto newSet = Snapshot(after);
    ASSERT_NE(oldSet, newSet);
    EXPECT_EQ(newSet.at(kRoot / "A" / "mine.txt"), B("the user's")) << "not named: stays";
    EXPECT_EQ(newSet.count(kRoot / "A" / "a2"), 0u);
    EXPECT_EQ(newSet.at(kSettings), B("new settings"));
    for (const auto& [path, bytes] : after.files())
        EXPECT_FALSE(IsCommitArtefact(path.filename())) << path << " left behind";

    bool sawOld = false, sawNew = false;
    for (int allowed = 0;; ++allowed) {
        MemoryFileSystem fs;
        Seed(fs);
        FaultyFileSystem crashing(fs, allowed);
        const bool done = CommitTree(crashing, kRoot, Changes(), &settings, nullptr);
        // The next program loads one folder of the tree: that completes or discards all of it.
        RecoverFolder(fs, kRoot / "B");
        const auto seen = Snapshot(fs);
        ASSERT_TRUE(seen == oldSet || seen == newSet)
            << "a mixture after " << allowed << " changes";
        (seen == oldSet ? sawOld : sawNew) = true;
        for (const fsys::path folder : {"A", "B", "C"})
            for (const auto& name : fs.List(kRoot / folder))
                EXPECT_FALSE(IsCommitArtefact(name)) << folder / name << " after " << allowed;
        if (done) {
            EXPECT_EQ(seen, newSet);
            break;
        }
        ASSERT_LT(allowed, 100);
    }
    EXPECT_TRUE(sawOld && sawNew);
}

TEST(TreeCommit, AHostileJournalMovesNothingOutsideItsFolders) {
    test::TempDir dir;
    FileSystem& local = LocalFileSystem();
    const fsys::path root = dir / "root";
    test::WriteBytes(root / "A" / "kept", {1});
    test::WriteBytes(dir / "outside", {8});
    test::WriteBytes(dir / "outside.z7new", {9});
    fsys::create_directories(root / "A" / "sub");
    // Folders that climb out, names with folders in them, a relative outside file, a folder to
    // remove: damage, never an instruction.
    const std::string journal = "+../outside\n-A/../outside\n-../A/kept\n=outside\n-A/sub\n+A/\n";
    test::WriteBytes(root / ".z7restore", B(journal));
    RecoverTree(local, root);
    EXPECT_EQ(test::ReadBytes(dir / "outside"), std::vector<uint8_t>{8});
    EXPECT_TRUE(fsys::exists(dir / "outside.z7new"));
    EXPECT_TRUE(fsys::exists(root / "A" / "kept"));
    EXPECT_TRUE(fsys::is_directory(root / "A" / "sub"));
    EXPECT_FALSE(fsys::exists(root / ".z7restore"));
}

}  // namespace
}  // namespace z7

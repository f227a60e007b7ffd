// z7ctl backup and restore as people use them: a new computer, a restore over changed data, a
// damaged or hostile file, a restore the user is asked about.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/cli.h"
#include "core/backup/backup.h"
#include "core/profile/ini_file.h"
#include "core/util/text.h"
#include "platform/fake/faulty_file_system.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;
using cli::kExitBadInput;
using cli::kExitDeviceFailed;
using cli::kExitNoMouse;
using cli::kExitOk;
using cli::kExitUsage;

std::vector<uint8_t> B(const std::string& s) {
    return {s.begin(), s.end()};
}

// Every file below `folder`, by relative path.
std::map<std::string, std::vector<uint8_t>> Tree(const fsys::path& folder) {
    std::map<std::string, std::vector<uint8_t>> files;
    if (!fsys::exists(folder)) return files;
    for (const auto& e : fsys::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            files[PathToUtf8(fsys::relative(e.path(), folder))] = test::ReadBytes(e.path());
    return files;
}

class BackupCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!BackupArchiveAvailable()) GTEST_SKIP() << "built without libarchive";
    }
    ~BackupCommands() override { cli::SetPromptInput(nullptr, false); }

    test::TempDir dir;
    fsys::path data() const { return dir / "data"; }
    fsys::path root() const { return data() / "Kesta" / "Z7 Laser"; }
    fsys::path config() const { return dir / "Config.ini"; }

    int Z7(std::vector<std::string> args, const fsys::path& dataFolder = {},
           const fsys::path& settings = {}) {
        std::vector<std::string> argv = {
            "z7ctl", "--data-dir", PathToUtf8(dataFolder.empty() ? data() : dataFolder), "--config",
            PathToUtf8(settings.empty() ? config() : settings)};
        argv.insert(argv.end(), args.begin(), args.end());
        out.str({});
        err.str({});
        return cli::Run(argv, out, err, LocalFileSystem());
    }
    bool Out(const std::string& part) const { return out.str().find(part) != std::string::npos; }
    bool Err(const std::string& part) const { return err.str().find(part) != std::string::npos; }

    // Profiles and every kind of library but macros, and a settings file with more than the
    // two keys.
    void MakeData() {
        for (const std::vector<std::string>& cmd :
             {std::vector<std::string>{"profile", "save"},
              {"profile", "set", "1", "profileName=射击", "cpiX=400,800,1600"},
              {"profile", "delete", "4"},
              {"library", "add", "shortcut", "Docs", "www.example.org"},
              {"library", "add", "textblock", "Greeting", "你好"},
              {"library", "add", "bindkey", "65", "Fire"},
              {"library", "add", "hotkey", "Save", "0x53", "--ctrl"}})
            ASSERT_EQ(Z7(cmd), kExitOk) << cmd[0] << " " << cmd[1] << ": " << err.str();
        const std::string ini = "[ConfigData]\r\nAutoStartAP=1\r\nDataPath=" + PathToUtf8(data()) +
                                "\r\n[Window]\r\nX=120\r\nY=80\r\n";
        test::WriteBytes(config(), B(ini));
    }

    std::ostringstream out, err;
};

TEST_F(BackupCommands, ARestoreIntoAnEmptyFolderGivesByteIdenticalFiles) {
    MakeData();
    test::WriteBytes(root() / "Profiles" / "export copy.txt", B("the user's own"));
    const fsys::path file = dir / "备份 1.zip";
    ASSERT_EQ(Z7({"backup", PathToUtf8(file)}), kExitOk) << err.str();
    EXPECT_TRUE(Out("and the settings")) << out.str();
    EXPECT_TRUE(Out("export copy.txt")) << "what is left out is said";

    const fsys::path other = dir / "new computer";
    const fsys::path otherConfig = dir / "new computer" / "Config.ini";
    ASSERT_EQ(Z7({"restore", PathToUtf8(file), "--yes"}, other / "data", otherConfig), kExitOk)
        << err.str();
    auto original = Tree(data());
    original.erase("Kesta/Z7 Laser/data.lock");
    original.erase("Kesta/Z7 Laser/Profiles/export copy.txt");
    auto restored = Tree(other / "data");
    restored.erase("Kesta/Z7 Laser/data.lock");
    ASSERT_GT(original.size(), 10u);
    EXPECT_EQ(restored, original);

    // The settings come back, but where the data lives stays a matter of this computer.
    IniFile settings = IniFile::Parse(test::ReadBytes(otherConfig));
    EXPECT_EQ(settings.GetString(u"ConfigData", u"AutoStartAP", u""), u"1");
    EXPECT_EQ(settings.GetString(u"Window", u"X", u""), u"120");
    EXPECT_NE(settings.GetString(u"ConfigData", u"DataPath", u""), PathToUtf16(data()));

    // The restored folder works: the profile reads back under its name.
    ASSERT_EQ(Z7({"profile", "show", "1"}, other / "data", otherConfig), kExitOk);
    EXPECT_TRUE(Out("射击"));
    EXPECT_EQ(Z7({"restore", PathToUtf8(file), "--yes"}, other / "data", otherConfig), kExitOk);
    EXPECT_TRUE(Out("nothing to change")) << out.str();
}

TEST_F(BackupCommands, ARestoreReplacesTheSetKeepsTheUsersOwnFilesAndAsksFirst) {
    MakeData();
    const fsys::path file = dir / "b.zip";
    ASSERT_EQ(Z7({"backup", PathToUtf8(file)}), kExitOk);
    const auto atBackup = Tree(data());
    // After the backup: a renamed profile, a new one, a new text block, a file of the user's.
    ASSERT_EQ(Z7({"profile", "set", "1", "profileName=Other"}), kExitOk);
    ASSERT_EQ(Z7({"profile", "new"}), kExitOk);
    ASSERT_EQ(Z7({"library", "add", "textblock", "Later", "x"}), kExitOk);
    test::WriteBytes(root() / "Text Block" / "notes.txt", B("mine"));
    // A bad save: the restore is what repairs it.
    test::WriteBytes(root() / "Profiles" / "配置2.profile", B("damaged"));
    const auto changed = Tree(data());

    ASSERT_EQ(Z7({"restore", PathToUtf8(file), "--dry-run"}), kExitOk);
    EXPECT_TRUE(Out("remove")) << out.str();
    EXPECT_TRUE(Out("Text Block/notes.txt")) << out.str();
    EXPECT_EQ(Tree(data()), changed) << "a dry run only lists";
    ASSERT_EQ(Z7({"--json", "restore", PathToUtf8(file), "--dry-run"}), kExitOk);
    EXPECT_TRUE(Out("\"action\":\"replace\",\"folder\":\"Profiles\",\"file\":\"pfList.dat\""))
        << out.str();

    std::istringstream none;
    cli::SetPromptInput(&none, false);
    EXPECT_EQ(Z7({"restore", PathToUtf8(file)}), kExitUsage);
    EXPECT_TRUE(Err("--yes"));
    std::istringstream no("n\n");
    cli::SetPromptInput(&no, true);
    EXPECT_EQ(Z7({"restore", PathToUtf8(file)}), kExitOk);
    EXPECT_TRUE(Err("[y/N]"));
    EXPECT_TRUE(Out("declined"));
    EXPECT_EQ(Tree(data()), changed);

    std::istringstream yes("y\n");
    cli::SetPromptInput(&yes, true);
    ASSERT_EQ(Z7({"restore", PathToUtf8(file)}), kExitOk) << err.str();
    auto now = Tree(data());
    EXPECT_EQ(now["Kesta/Z7 Laser/Text Block/notes.txt"], B("mine"));
    now.erase("Kesta/Z7 Laser/Text Block/notes.txt");
    EXPECT_EQ(now, atBackup);
}

TEST_F(BackupCommands, AFailedRestoreIsToldAndTheNextStartFindsTheOldDataOrTheNew) {
    MakeData();
    const fsys::path file = dir / "b.zip";
    ASSERT_EQ(Z7({"backup", PathToUtf8(file)}), kExitOk);
    ASSERT_EQ(Z7({"profile", "set", "2", "profileName=Later"}), kExitOk);
    ASSERT_EQ(Z7({"library", "add", "shortcut", "Mail", "mail.example.org"}), kExitOk);
    const fsys::path saved = dir / "saved";
    fsys::copy(data(), saved, fsys::copy_options::recursive);
    fsys::copy_file(config(), dir / "saved.ini");
    auto reset = [&] {
        fsys::remove_all(data());
        fsys::copy(saved, data(), fsys::copy_options::recursive);
        fsys::copy_file(dir / "saved.ini", config(), fsys::copy_options::overwrite_existing);
    };
    auto state = [&] {
        auto files = Tree(data());
        files.erase("Kesta/Z7 Laser/data.lock");
        files["settings"] = test::ReadBytes(config());
        return files;
    };
    const auto oldSet = state();
    ASSERT_EQ(Z7({"restore", PathToUtf8(file), "--yes"}), kExitOk) << err.str();
    const auto newSet = state();
    ASSERT_NE(oldSet, newSet);

    bool sawOld = false, sawNew = false;
    for (int allowed = 0;; ++allowed) {
        reset();
        FaultyFileSystem crashing(LocalFileSystem(), allowed);
        const std::vector<std::string> argv = {"z7ctl",
                                               "--data-dir",
                                               PathToUtf8(data()),
                                               "--config",
                                               PathToUtf8(config()),
                                               "restore",
                                               PathToUtf8(file),
                                               "--yes"};
        out.str({});
        err.str({});
        const int code = cli::Run(argv, out, err, crashing);
        if (code == kExitOk) {
            EXPECT_EQ(state(), newSet);
            break;
        }
        EXPECT_EQ(code, kExitBadInput) << allowed << ": " << err.str();
        EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << "one line: " << err.str();
        // The next command loads the data folder, which completes or discards the restore.
        ASSERT_EQ(Z7({"profile", "list"}), kExitOk) << err.str();
        const auto seen = state();
        ASSERT_TRUE(seen == oldSet || seen == newSet) << "a mixture after " << allowed;
        (seen == oldSet ? sawOld : sawNew) = true;
        ASSERT_LT(allowed, 400);
    }
    EXPECT_TRUE(sawOld && sawNew);
}

TEST_F(BackupCommands, FromMouseRecordsWhatTheMouseReportsAndSaysWhenItCannot) {
    MakeData();
    const std::string state = PathToUtf8(dir / "mouse.state");
    ASSERT_EQ(Z7({"--simulate", state, "sim", "set", "firmwareVersion=1.70"}), kExitOk);
    ASSERT_EQ(Z7({"--simulate", state, "--virtual-time", "activate", "3"}), kExitOk);
    const fsys::path file = dir / "m.zip";
    ASSERT_EQ(
        Z7({"--simulate", state, "--virtual-time", "backup", PathToUtf8(file), "--from-mouse"}),
        kExitOk)
        << err.str();
    BackupContents contents;
    ASSERT_TRUE(ReadBackup(LocalFileSystem(), file, contents, nullptr));
    EXPECT_EQ(contents.manifest.mouse.state, MouseSnapshot::State::kRead);
    EXPECT_EQ(contents.manifest.mouse.firmwareVersion, 170);
    EXPECT_EQ(contents.manifest.mouse.activeSlot, 3);
    EXPECT_EQ(contents.manifest.mouse.deviceCode, "Z7L1");

    ASSERT_EQ(Z7({"--simulate", state, "sim", "set", "unplugged=1"}), kExitOk);
    fsys::remove(file);
    EXPECT_EQ(
        Z7({"--simulate", state, "--virtual-time", "backup", PathToUtf8(file), "--from-mouse"}),
        kExitNoMouse);
    EXPECT_TRUE(Err("the backup was written, but the mouse could not be read back")) << err.str();
    ASSERT_TRUE(ReadBackup(LocalFileSystem(), file, contents, nullptr));
    EXPECT_EQ(contents.manifest.mouse.state, MouseSnapshot::State::kNotFound);
    // Without --from-mouse an absent mouse is only recorded.
    EXPECT_EQ(Z7({"--simulate", state, "--virtual-time", "backup", PathToUtf8(file)}), kExitOk);
}

// --- damaged and hostile files ------------------------------------------------------------------

// A tar header of the old format, enough for libarchive: name, mode, size, type, checksum.
std::vector<uint8_t> TarEntry(const std::string& name, char type, const std::string& body,
                              const std::string& link = {}, unsigned long long declared = ~0ull) {
    std::vector<uint8_t> h(512, 0);
    auto put = [&](size_t at, const std::string& s) {
        std::copy(s.begin(), s.end(), h.begin() + static_cast<long>(at));
    };
    auto octal = [](unsigned long long v, int width) {
        char text[24];
        std::snprintf(text, sizeof text, "%0*llo", width - 1, v);
        return std::string(text);
    };
    put(0, name.substr(0, 100));
    put(100, octal(0644, 8));
    put(108, octal(0, 8));
    put(116, octal(0, 8));
    put(124, octal(declared == ~0ull ? body.size() : declared, 12));
    put(136, octal(0, 12));
    h[156] = static_cast<uint8_t>(type);
    put(157, link.substr(0, 100));
    put(257, "ustar");
    put(263, "00");
    std::fill(h.begin() + 148, h.begin() + 156, ' ');
    unsigned sum = 0;
    for (uint8_t c : h) sum += c;
    put(148, octal(sum, 7));
    std::vector<uint8_t> out = h;
    out.insert(out.end(), body.begin(), body.end());
    out.resize((out.size() + 511) / 512 * 512, 0);
    return out;
}

std::vector<uint8_t> TarEnd() {
    return std::vector<uint8_t>(1024, 0);
}

TEST_F(BackupCommands, DamagedAndHostileFilesAreRefusedAndChangeNothing) {
    MakeData();
    const fsys::path good = dir / "good.zip";
    ASSERT_EQ(Z7({"backup", PathToUtf8(good)}), kExitOk);
    BackupContents contents;
    ASSERT_TRUE(ReadBackup(LocalFileSystem(), good, contents, nullptr));
    ASSERT_EQ(Z7({"profile", "set", "1", "profileName=Changed"}), kExitOk);
    const auto before = Tree(data());
    const auto configBefore = test::ReadBytes(config());

    // A sound backup's members, to build variants from.
    std::vector<ArchiveMember> members;
    for (const BackupFile& f : contents.files)
        members.push_back({TreeMemberName(DataTreeFolders()[f.folder], f.name), f.bytes});
    BackupManifest manifest = contents.manifest;
    manifest.hasSettings = false;  // the variants carry the data files only
    auto build = [&](std::vector<ArchiveMember> m, BackupManifest mf, bool sums = true) {
        std::vector<ArchiveMember> all = {{kManifestName, EncodeManifest(mf)}};
        all.insert(all.end(), m.begin(), m.end());
        if (sums) {
            ChecksumList list;
            for (const auto& a : all) list[a.name] = Sha256Hex(a.bytes);
            all.push_back({kChecksumsName, EncodeChecksums(list)});
        }
        std::vector<uint8_t> zip;
        EXPECT_TRUE(WriteZipArchive(all, zip, nullptr));
        return zip;
    };
    auto withExtra = [&](const std::string& name, const std::string& body) {
        auto m = members;
        m.push_back({name, B(body)});
        BackupManifest mf = manifest;
        ++mf.dataFiles;
        return build(m, mf);
    };

    struct Case {
        std::string what;
        std::vector<uint8_t> bytes;
        std::string reason;  // what the one line names
    };
    std::vector<Case> cases;
    std::vector<uint8_t> zip = test::ReadBytes(good);
    cases.push_back(
        {"truncated",
         std::vector<uint8_t>(zip.begin(), zip.begin() + static_cast<long>(zip.size() / 2)),
         "damaged"});
    cases.push_back({"not an archive", B("just text\n"), "not a zip or tar.gz archive"});
    cases.push_back({"empty", {}, "empty"});
    {
        auto m = members;
        m[0].bytes.push_back(0);  // changed after its checksum was taken
        ChecksumList list;
        std::vector<ArchiveMember> all = {{kManifestName, EncodeManifest(manifest)}};
        for (const auto& a : members) list[a.name] = Sha256Hex(a.bytes);
        list[kManifestName] = Sha256Hex(all[0].bytes);
        all.insert(all.end(), m.begin(), m.end());
        all.push_back({kChecksumsName, EncodeChecksums(list)});
        std::vector<uint8_t> bad;
        ASSERT_TRUE(WriteZipArchive(all, bad, nullptr));
        cases.push_back({"a failing checksum", bad, "does not match its checksum"});
    }
    cases.push_back({"no checksum list", build(members, manifest, false), "no checksum list"});
    {
        auto m = members;
        m.pop_back();  // taken out with its checksum line
        cases.push_back({"a member missing", build(m, manifest), "files are missing"});
    }
    {
        BackupManifest newer = manifest;
        newer.format = 2;
        cases.push_back({"a newer format", build(members, newer), "newer version"});
    }
    cases.push_back({"a member climbing out",
                     withExtra("Kesta/Z7 Laser/Profiles/../../../evil.profile", "x"),
                     "outside the data tree"});
    cases.push_back(
        {"an absolute member", withExtra("/tmp/evil.profile", "x"), "outside the data tree"});
    cases.push_back({"a member outside the tree", withExtra("Kesta/Z7 Laser/Skins/a.profile", "x"),
                     "outside the data tree"});
    cases.push_back({"a program in the tree", withExtra("Kesta/Z7 Laser/Profiles/run.sh", "x"),
                     "outside the data tree"});
    cases.push_back({"a backslash name",
                     withExtra("Kesta/Z7 Laser/Profiles/..\\..\\evil.profile", "x"),
                     "outside the data tree"});
    cases.push_back({"a member twice", withExtra(members[0].name, "x"), "twice"});
    {
        auto m = members;
        m.push_back(
            {"Kesta/Z7 Laser/Profiles/huge.profile", std::vector<uint8_t>((16u << 20) + 1, 7)});
        BackupManifest mf = manifest;
        ++mf.dataFiles;
        cases.push_back(
            {"a member too large for its kind", build(m, mf), "larger than such a file can be"});
    }
    {
        auto m = members;
        for (size_t i = 0; i < kMaxBackupMembers + 16; ++i)
            m.push_back({"Kesta/Z7 Laser/Text Block/t" + std::to_string(i) + ".tb", {}});
        BackupManifest mf = manifest;
        mf.dataFiles = m.size();
        cases.push_back({"too many members", build(m, mf), "more than 20016 entries"});
    }
    const std::string sane = "Kesta/Z7 Laser/Profiles/";
    auto tar = [&](std::vector<std::vector<uint8_t>> entries) {
        std::vector<uint8_t> t;
        for (const auto& e : entries) t.insert(t.end(), e.begin(), e.end());
        const auto end = TarEnd();
        t.insert(t.end(), end.begin(), end.end());
        return t;
    };
    cases.push_back(
        {"a symbolic link", tar({TarEntry(sane + "a.profile", '2', "", "/etc/passwd")}), "a link"});
    cases.push_back(
        {"a hard link", tar({TarEntry(sane + "a.profile", '1', "", "/etc/passwd")}), "a link"});
    cases.push_back({"a device", tar({TarEntry(sane + "a.profile", '3', "")}), "a special file"});
    cases.push_back({"an absurd declared size",
                     tar({TarEntry(sane + "a.profile", '0', "", {}, 1ull << 40)}),
                     "larger than such a file can be"});

    for (const auto& [what, bytes, reason] : cases) {
        const fsys::path file = dir / "bad.zip";
        test::WriteBytes(file, bytes);
        EXPECT_EQ(Z7({"restore", PathToUtf8(file), "--yes"}), kExitBadInput) << what;
        EXPECT_TRUE(Err("bad.zip cannot be restored: ")) << what << ": " << err.str();
        EXPECT_TRUE(Err(reason)) << what << ": " << err.str();
        EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << what << ": one line";
        EXPECT_EQ(Tree(data()), before) << what;
        EXPECT_EQ(test::ReadBytes(config()), configBefore) << what;
    }
    // A tar made by hand from an unpacked backup, folders and "./" included, is a backup too;
    // one that lost the settings its manifest names is not.
    auto handMade = [&](const BackupManifest& mf) {
        std::vector<std::vector<uint8_t>> entries = {TarEntry("./", '5', "")};
        for (const std::string folder : {"Kesta/", "Kesta/Z7 Laser/", "Kesta/Z7 Laser/Profiles/"})
            entries.push_back(TarEntry("./" + folder, '5', ""));
        std::vector<ArchiveMember> all = {{kManifestName, EncodeManifest(mf)}};
        all.insert(all.end(), members.begin(), members.end());
        ChecksumList list;
        for (const auto& m : all) list[m.name] = Sha256Hex(m.bytes);
        all.push_back({kChecksumsName, EncodeChecksums(list)});
        for (const auto& m : all)
            entries.push_back(
                TarEntry("./" + m.name, '0', std::string(m.bytes.begin(), m.bytes.end())));
        return tar(entries);
    };
    test::WriteBytes(dir / "hand.tar", handMade(manifest));
    const fsys::path other = dir / "other";
    ASSERT_EQ(Z7({"restore", PathToUtf8(dir / "hand.tar"), "--yes"}, other, dir / "other.ini"),
              kExitOk)
        << err.str();
    EXPECT_EQ(Tree(other).size(), members.size() + 1) << "its files and the lock file";
    EXPECT_FALSE(fsys::exists(dir / "other.ini"));
    BackupManifest claimsSettings = manifest;
    claimsSettings.hasSettings = true;
    test::WriteBytes(dir / "hand.tar", handMade(claimsSettings));
    EXPECT_EQ(Z7({"restore", PathToUtf8(dir / "hand.tar"), "--yes"}, other, dir / "other.ini"),
              kExitBadInput);
    EXPECT_TRUE(Err("files are missing")) << err.str();
}

TEST(BackupUnavailable, ABuildWithoutTheArchiveLibrarySaysSo) {
    if (BackupArchiveAvailable()) GTEST_SKIP() << "this build has libarchive";
    test::TempDir dir;
    std::ostringstream out, err;
    for (const char* command : {"backup", "restore"}) {
        const int code = cli::Run(
            {"z7ctl", "--data-dir", PathToUtf8(dir / "d"), command, PathToUtf8(dir / "b.zip")}, out,
            err, LocalFileSystem());
        EXPECT_EQ(code, kExitUsage);
        EXPECT_NE(err.str().find("not available in this build"), std::string::npos) << err.str();
    }
    EXPECT_FALSE(fsys::exists(dir / "b.zip"));
}

}  // namespace
}  // namespace z7

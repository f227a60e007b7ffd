#include <gtest/gtest.h>

#include "core/util/file_names.h"
#include "core/util/folder_commit.h"
#include "core/util/text.h"
#include "platform/fake/memory_file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

TEST(Text, Utf8AndUtf16RoundTripAndReplaceDamage) {
    const std::u16string s = u"配置 A \U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong NUL
    EXPECT_EQ(Utf8ToUtf16("a\xE4\xB8"), u"a\uFFFD\uFFFD");  // cut in the middle
}

TEST(Text, DecimalParseIsLenientAndSaturates) {
    EXPECT_EQ(ParseDecimalPrefix(u"  -42x"), -42);
    EXPECT_EQ(ParseDecimalPrefix(u"abc"), 0);
    EXPECT_EQ(ParseDecimalPrefix(u"99999999999999999999999"), LLONG_MAX);
}

TEST(FileNames, OrdinaryNamesStayAndDangerousOnesAreDefused) {
    EXPECT_EQ(SafeFileStem(u"配置1"), u"配置1");
    EXPECT_EQ(SafeFileStem(u"Game(2)"), u"Game(2)");
    EXPECT_EQ(SafeFileStem(u".."), u"__");
    EXPECT_EQ(SafeFileStem(u"../x"), u"___x");
    EXPECT_EQ(SafeFileStem(u"a:b?c*"), u"a_b_c_");
    EXPECT_EQ(SafeFileStem(u"trail. "), u"trail__");
    EXPECT_EQ(SafeFileStem(u""), u"_");
    EXPECT_EQ(SafeFileStem(u"COM1"), u"_COM1");
    EXPECT_EQ(SafeFileStem(u"nul.txt"), u"_nul.txt");
    EXPECT_EQ(SafeFileStem(u"console"), u"console");
}

// The file system's own unit decides the length: bytes of UTF-8 on Linux, UTF-16 units on
// Windows; a cut never splits a character, and half a surrogate pair never reaches a name.
TEST(FileNames, StemsFitTheFileSystemsUnitAndNeverHoldUnconvertibleCharacters) {
    const FileNameRules linux{.maxNameUnits = 255, .utf16Units = false, .ignoreCase = false};
    const FileNameRules windows{.maxNameUnits = 255, .utf16Units = true, .ignoreCase = true};
    const std::u16string cjk(100, u'配');  // 300 bytes of UTF-8, 100 UTF-16 units
    const std::u16string onLinux = SafeFileStem(cjk, linux);
    EXPECT_LE(FileNameLength(onLinux + u".bindkey.z7new", linux), 255u);
    EXPECT_EQ(onLinux, std::u16string(onLinux.size(), u'配'));
    EXPECT_EQ(SafeFileStem(cjk, windows), cjk) << "100 units fit a Windows name";
    const std::u16string emoji = u"\U0001F600";
    const std::u16string many = [&] {
        std::u16string s;
        for (int i = 0; i < 100; ++i) s += emoji;
        return s;
    }();
    const std::u16string cut = SafeFileStem(many, windows);
    EXPECT_EQ(cut.size() % 2, 0u) << "no half pair";
    EXPECT_LE(FileNameLength(cut, windows), 255u - kReservedNameUnits);

    const std::u16string lone = std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC00);
    EXPECT_EQ(SafeFileStem(lone, linux), u"a_b_");
    EXPECT_NO_THROW(PathFromUtf16(lone));
    EXPECT_EQ(FileNameLength(u"a\u00e9\u914d\U0001F600", linux), 1u + 2u + 3u + 4u);
    EXPECT_EQ(FileNameLength(u"a\u00e9\u914d\U0001F600", windows), 5u);
}

TEST(FileNames, UniqueNamesFollowTheFileSystemsCaseRule) {
    MemoryFileSystem exact;
    std::vector<std::u16string> taken = {u"pfList.dat"};
    EXPECT_EQ(UniqueFileName(u"A", u".profile", taken, exact), u"A.profile");
    EXPECT_EQ(UniqueFileName(u"a", u".profile", taken, exact), u"a.profile");
    EXPECT_EQ(UniqueFileName(u"A", u".profile", taken, exact), u"A_2.profile");

    MemoryFileSystem folding({.maxNameUnits = 255, .utf16Units = true, .ignoreCase = true});
    taken = {u"pfList.dat"};
    EXPECT_EQ(UniqueFileName(u"A", u".profile", taken, folding), u"A.profile");
    EXPECT_EQ(UniqueFileName(u"a", u".profile", taken, folding), u"a_2.profile");
    EXPECT_EQ(UniqueFileName(u"PFLIST", u".DAT", taken, folding), u"PFLIST_2.DAT");
}

TEST(FolderCommit, WritesItsSetRemovesOnlyWhatItNamesAndIgnoresHostileJournalEntries) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    test::WriteBytes(dir / "f" / "old.txt", {1});
    test::WriteBytes(dir / "f" / "mine.txt", {1});
    std::filesystem::create_directories(dir / "f" / "sub");
    ASSERT_TRUE(CommitFolder(fs, dir / "f", {{"a.bin", {1, 2}}, {"b.bin", {3}}}, {"old.txt", "sub"},
                             nullptr));
    EXPECT_EQ(test::ReadBytes(dir / "f" / "a.bin"), (std::vector<uint8_t>{1, 2}));
    EXPECT_FALSE(std::filesystem::exists(dir / "f" / "old.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir / "f" / "mine.txt")) << "not named: stays";
    EXPECT_TRUE(std::filesystem::is_directory(dir / "f" / "sub")) << "folders are never removed";

    // A journal naming paths outside the folder, or folders, must not move or remove anything.
    test::WriteBytes(dir / "outside.z7new", {9});
    test::WriteBytes(dir / "outside", {8});
    std::filesystem::create_directories(dir / "f" / "keep" / "deep");
    const std::string journal = "../outside\n/../outside\n/keep\n/a.bin\n";
    test::WriteBytes(dir / "f" / ".z7commit", std::vector<uint8_t>(journal.begin(), journal.end()));
    RecoverFolder(fs, dir / "f");
    EXPECT_TRUE(std::filesystem::exists(dir / "outside"));
    EXPECT_TRUE(std::filesystem::exists(dir / "outside.z7new"));
    EXPECT_TRUE(std::filesystem::exists(dir / "f" / "keep" / "deep"));
    EXPECT_FALSE(std::filesystem::exists(dir / "f" / "a.bin")) << "a plain name it may remove";
    EXPECT_FALSE(std::filesystem::exists(dir / "f" / ".z7commit"));
}

TEST(FolderCommit, RemoveTakesOneFileAndNeverAFolder) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    test::WriteBytes(dir / "folder" / "inside.txt", {1});
    std::string error;
    EXPECT_FALSE(fs.Remove(dir / "folder", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "folder" / "inside.txt"));
    EXPECT_TRUE(fs.Remove(dir / "folder" / "inside.txt", nullptr));
    EXPECT_TRUE(fs.Remove(dir / "missing", nullptr));
}

}  // namespace
}  // namespace z7

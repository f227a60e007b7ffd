#include <gtest/gtest.h>

#include "core/util/file_names.h"
#include "core/util/folder_commit.h"
#include "core/util/text.h"
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
    EXPECT_LE(SafeFileStem(std::u16string(500, u'x')).size(), 120u);
}

TEST(FileNames, UniqueNamesIgnoreCase) {
    std::vector<std::u16string> taken = {u"pfList.dat"};
    EXPECT_EQ(UniqueFileName(u"A", u".profile", taken), u"A.profile");
    EXPECT_EQ(UniqueFileName(u"a", u".profile", taken), u"a_2.profile");
    EXPECT_EQ(UniqueFileName(u"A", u".profile", taken), u"A_3.profile");
    EXPECT_EQ(UniqueFileName(u"PFLIST", u".DAT", taken), u"PFLIST_2.DAT");
}

TEST(FolderCommit, ReplacesTheContentAndIgnoresHostileJournalEntries) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    test::WriteBytes(dir / "f" / "old.txt", {1});
    ASSERT_TRUE(CommitFolder(fs, dir / "f", {{"a.bin", {1, 2}}, {"b.bin", {3}}}, nullptr));
    EXPECT_EQ(test::ReadBytes(dir / "f" / "a.bin"), (std::vector<uint8_t>{1, 2}));
    EXPECT_FALSE(std::filesystem::exists(dir / "f" / "old.txt"));

    // A journal naming paths outside the folder must not move anything there.
    test::WriteBytes(dir / "outside.z7new", {9});
    test::WriteBytes(dir / "f" / ".z7commit", {'.', '.', '/', 'o', 'u', 't', 's', 'i', 'd', 'e', '\n'});
    RecoverFolder(fs, dir / "f");
    EXPECT_FALSE(std::filesystem::exists(dir / "outside"));
    EXPECT_TRUE(std::filesystem::exists(dir / "outside.z7new"));
    EXPECT_FALSE(std::filesystem::exists(dir / "f" / ".z7commit"));
}

}  // namespace
}  // namespace z7

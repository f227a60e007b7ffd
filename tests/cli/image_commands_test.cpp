#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "core/profile/profile_store.h"

namespace z7::cli {
namespace {

namespace fsys = std::filesystem;

class ImageCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fsys::temp_directory_path() /
            ("z7_image_cli_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fsys::remove_all(dir_);
        fsys::create_directories(dir_);
    }
    void TearDown() override { fsys::remove_all(dir_); }

    int Z7(std::vector<std::string> args) {
        args.insert(args.begin(), {"z7ctl", "--data-dir", dir_.string()});
        out_.str({});
        err_.str({});
        return z7::cli::Run(args, out_, err_, LocalFileSystem());
    }

    std::vector<uint8_t> ReadBytes(const fsys::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fsys::path dir_;
    std::ostringstream out_, err_;
};

TEST_F(ImageCommands, FactoryImageIsWrittenByteForByte) {
    const fsys::path file = dir_ / "factory.bin";
    ASSERT_EQ(Z7({"image", "0", "--out", file.string()}), kExitOk) << err_.str();
    std::vector<uint8_t> expected(2048, 0);
    const std::pair<size_t, std::vector<uint8_t>> fields[] = {
        {0x01, {0xB3, 0xF6, 0xB3, 0xA7, 0xC5, 0xE4, 0xD6, 0xC3}},
        {0x11,
         {0x00, 0x08, 0x00, 0x00, 0x01, 0x01, 0xFF, 0x00, 0x00, 0xF1, 0xFF, 0x00, 0x00, 0xF1}},
        {0x32, {0x02, 0x00, 0x90, 0x01, 0x90, 0x01}},
        {0x3D, {0x20, 0x03, 0x20, 0x03}},
        {0x46, {0x06}},
        {0x52, {0x40, 0x06, 0x40, 0x06, 0x03, 0x00, 0x00, 0x01, 0x1E}},
        {0x65,
         {0x00, 0x01, 0, 0, 0, 0, 0x0F, 0x00, 0x02, 0, 0, 0, 0, 0x0F, 0x00, 0x04, 0, 0, 0, 0, 0x0F,
          0x00, 0x10, 0, 0, 0, 0, 0x0F, 0x00, 0x08, 0, 0, 0, 0, 0x0F, 0x09, 0xF0, 0, 0, 0, 0, 0x0F,
          0x09, 0xF2, 0, 0, 0, 0, 0x0F}},
    };
    for (const auto& [offset, bytes] : fields)
        std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<ptrdiff_t>(offset));
    EXPECT_EQ(ReadBytes(file), expected);

    ASSERT_EQ(Z7({"image", "0", "--lighting"}), kExitOk);
    EXPECT_EQ(out_.str().substr(0, 18), "ff0000f1ff0000f11e");
    ASSERT_EQ(Z7({"image", "0", "--sensor", "--json"}), kExitOk);
    EXPECT_NE(out_.str().find("\"kind\":\"sensor\",\"size\":48"), std::string::npos);
}

TEST_F(ImageCommands, ButtonSetIsStoredAndListed) {
    ASSERT_EQ(Z7({"button", "set", "1", "4", "2707"}), kExitOk) << err_.str();
    ASSERT_EQ(Z7({"button", "set", "1", "6", "3067"}), kExitOk) << err_.str();
    ASSERT_EQ(Z7({"--json", "button", "list", "1"}), kExitOk);
    const std::string list = out_.str();
    EXPECT_NE(list.find(R"({"button":4,"functionId":2707,"label":"放大","functionType":24,)"
                        R"("functionValue":119,"macroId":2707})"),
              std::string::npos)
        << list;
    EXPECT_NE(list.find(R"("functionId":3067,"label":"A","functionType":2,"functionValue":4)"),
              std::string::npos);

    // The zoom sequence is in the image: 4 entries from the start of the data blocks.
    const fsys::path file = dir_ / "one.bin";
    ASSERT_EQ(Z7({"image", "1", "--out", file.string()}), kExitOk);
    const std::vector<uint8_t> image = ReadBytes(file);
    ASSERT_EQ(image.size(), 2048u);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 0x65 + 21, image.begin() + 0x65 + 28),
              (std::vector<uint8_t>{24, 119, 0x20, 0x03, 4, 0, 0x0F}));

    // Choosing the factory entry gives the button's factory function; so does a macro that is
    // not in the library, once saved: a binding never names an entry that does not exist.
    ASSERT_EQ(Z7({"button", "set", "1", "4", "1"}), kExitOk);
    ASSERT_EQ(Z7({"button", "set", "1", "5", "4005"}), kExitOk);
    ASSERT_EQ(Z7({"button", "list", "1"}), kExitOk);
    EXPECT_NE(out_.str().find("button 4: 2105"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("button 5: 2104"), std::string::npos) << out_.str();
}

TEST_F(ImageCommands, BadInputIsRefused) {
    EXPECT_EQ(Z7({"button", "set", "0", "8", "2101"}), kExitBadInput);
    EXPECT_EQ(Z7({"button", "set", "0", "2", "2402"}), kExitBadInput);  // no menu offers it
    EXPECT_EQ(Z7({"button", "set", "0", "2", "3001"}), kExitBadInput);  // an editor entry
    EXPECT_EQ(Z7({"button", "set", "0", "2", "x"}), kExitBadInput);
    EXPECT_EQ(Z7({"button", "set", "0", "1", "2102"}), kExitBadInput);  // the only left click
    EXPECT_NE(err_.str().find("left-click"), std::string::npos);
    EXPECT_EQ(Z7({"image", "5"}), kExitBadInput);
    EXPECT_EQ(Z7({"image", "0", "--sensor", "--lighting"}), kExitUsage);
    EXPECT_EQ(Z7({"button", "set", "0", "2", "2101"}), kExitOk);
    EXPECT_EQ(Z7({"button", "set", "0", "1", "2102"}), kExitOk);  // another left click remains
}

TEST_F(ImageCommands, ImageOverTheEntryLimitIsRefused) {
    ProfileSet set;
    LoadProfileSet(LocalFileSystem(), set, dir_);
    for (size_t b = 0; b < kButtonCount; ++b) {
        set[0].buttonBindings[b].functionType = 3;
        set[0].buttonBindings[b].macroId = 1;
        set[0].buttonMacros[b] = MacroData{u"m", 1, 1, std::vector<MacroEvent>(b < 6 ? 21 : 22)};
    }
    std::string error;
    ASSERT_TRUE(SaveProfileSet(LocalFileSystem(), set, dir_, &error)) << error;
    const fsys::path file = dir_ / "refused.bin";
    EXPECT_EQ(Z7({"image", "0", "--out", file.string()}), kExitDeviceFailed);
    EXPECT_NE(err_.str().find("148"), std::string::npos) << err_.str();
    EXPECT_FALSE(fsys::exists(file));
    EXPECT_EQ(Z7({"image", "0", "--sensor"}), kExitOk);  // the blocks carry no macros
}

}  // namespace
}  // namespace z7::cli

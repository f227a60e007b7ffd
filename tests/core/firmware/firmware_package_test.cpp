#include "core/firmware/firmware_package.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace z7 {
namespace {

std::vector<uint8_t> Payload(size_t n) {
    std::vector<uint8_t> p(n);
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(i * 7 + 3);
    return p;
}

TEST(FirmwareDescription, TheVersionMustAppearInsideTheNameButNotAtItsStart) {
    EXPECT_TRUE(AcceptDescription({u"1.05", u"Z7_1.05.bin"}));
    EXPECT_TRUE(AcceptDescription({u"1.05", u"x1.05"}));
    EXPECT_FALSE(AcceptDescription({u"1.05", u"1.05_Z7.bin"}));
    EXPECT_FALSE(AcceptDescription({u"1.05", u"Z7_1.06.bin"}));
    EXPECT_FALSE(AcceptDescription({u"", u"Z7.bin"}));
    // Only the first occurrence counts.
    EXPECT_FALSE(AcceptDescription({u"1", u"1_v1.bin"}));
}

TEST(FirmwareImage, BlocksAreZeroFilledAndCounted) {
    FirmwareImage exact;
    ASSERT_EQ(ParseFirmwareImage(BuildFirmwareImageFile(Payload(2048), 170), exact), FirmwareLoadError::None);
    EXPECT_EQ(exact.blocks.size(), 2u);
    EXPECT_EQ(exact.version, 170);
    EXPECT_TRUE(exact.IsForThisMouse());

    FirmwareImage oneMore;
    const auto payload = Payload(2049);
    ASSERT_EQ(ParseFirmwareImage(BuildFirmwareImageFile(payload, 170), oneMore), FirmwareLoadError::None);
    ASSERT_EQ(oneMore.blocks.size(), 3u);
    EXPECT_EQ(oneMore.blocks[2][0], payload[2048]);
    for (size_t i = 1; i < kFirmwareBlockSize; ++i) ASSERT_EQ(oneMore.blocks[2][i], 0);
    EXPECT_EQ(oneMore.payloadLength, 2049u);
    EXPECT_EQ(oneMore.computedChecksum, PayloadChecksum(payload));
}

TEST(FirmwareImage, DamagedOrOversizedFilesAreRefusedAndLeaveTheTargetAlone) {
    FirmwareImage target;
    target.version = 42;
    auto file = BuildFirmwareImageFile(Payload(3000), 170);
    auto wrongSum = file;
    wrongSum[kFirmwareChecksumOffset] ^= 1;
    EXPECT_EQ(ParseFirmwareImage(wrongSum, target), FirmwareLoadError::Checksum);
    EXPECT_EQ(ParseFirmwareImage(std::span(file).first(67), target), FirmwareLoadError::TooShort);
    EXPECT_EQ(ParseFirmwareImage(std::span(file).first(68), target), FirmwareLoadError::Empty);
    EXPECT_EQ(ParseFirmwareImage(BuildFirmwareImageFile(Payload(120 * 1024), 1), target), FirmwareLoadError::None);
    target.version = 42;
    EXPECT_EQ(ParseFirmwareImage(BuildFirmwareImageFile(Payload(120 * 1024 + 1), 1), target),
              FirmwareLoadError::TooLarge);
    EXPECT_EQ(target.version, 42);
}

TEST(FirmwareImage, AHeaderForAnotherProductIsNotForThisMouse) {
    auto file = BuildFirmwareImageFile(Payload(100), 170);
    file[kFirmwareProductOffset] = 0x07;
    FirmwareImage image;
    ASSERT_EQ(ParseFirmwareImage(file, image), FirmwareLoadError::None);
    EXPECT_FALSE(image.IsForThisMouse());
}

TEST(FirmwarePackage, WrittenPackagesLoadAndBadDescriptionsDoNot) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    std::string name;
    ASSERT_TRUE(WriteFirmwarePackage(fs, dir / "fw", Payload(5000), 170, &name, nullptr));
    EXPECT_EQ(name, "Z7_Firmware_V1.70.bin");
    FirmwarePackage package;
    ASSERT_EQ(LoadFirmwarePackage(fs, dir / "fw", package), FirmwareLoadError::None);
    EXPECT_EQ(package.description.version, u"1.70");
    EXPECT_EQ(package.image.blocks.size(), 5u);

    test::WriteBytes(dir / "fw" / "config.ini", {'[', 'F', 'i', 'r', 'm', 'w', 'a', 'r', 'e', ']', '\n',
                                                  'V', 'e', 'r', 's', 'i', 'o', 'n', '=', '1', '\n',
                                                  'N', 'a', 'm', 'e', '=', 'x', '1', '/', '.', '.', '\n'});
    EXPECT_EQ(LoadFirmwarePackage(fs, dir / "fw", package), FirmwareLoadError::Description);
    EXPECT_EQ(LoadFirmwarePackage(fs, dir / "missing", package), FirmwareLoadError::Description);
}

TEST(FirmwareVersion, TextAndNumbers) {
    EXPECT_EQ(FirmwareVersionText(105), "1.05");
    EXPECT_EQ(FirmwareVersionText(165), "1.65");
    uint16_t v = 0;
    ASSERT_TRUE(ParseFirmwareVersion("1.7", v));
    EXPECT_EQ(v, 170);
    ASSERT_TRUE(ParseFirmwareVersion("2.05", v));
    EXPECT_EQ(v, 205);
    EXPECT_FALSE(ParseFirmwareVersion("1.055", v));
    EXPECT_FALSE(ParseFirmwareVersion("a.b", v));
    EXPECT_FALSE(ParseFirmwareVersion("", v));
    EXPECT_FALSE(ParseFirmwareVersion("700", v));
}

}  // namespace
}  // namespace z7

#include "core/profile/data_stream.h"

#include <gtest/gtest.h>

namespace z7 {
namespace {

std::vector<uint8_t> Bytes(const DataStream& s) { return {s.bytes().begin(), s.bytes().end()}; }

TEST(DataStream, EncodesLittleEndianIntegersAndUtf16Strings) {
    DataStream s;
    s.WriteU8(0xAB);
    s.WriteI16(-2);
    s.WriteU32(0x01020304);
    s.WriteString(u"A配");
    EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{0xAB, 0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x02, 0, 0,
                                              0, 0x41, 0x00, 0x4D, 0x91}));
}

TEST(DataStream, NumberTextIsADecimalString) {
    DataStream s;
    s.WriteNumberText(255);
    EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{3, 0, 0, 0, 0x32, 0, 0x35, 0, 0x35, 0}));
    DataStream neg;
    neg.WriteNumberText(-7);
    int32_t v = 0;
    ASSERT_TRUE(neg.ReadNumberText(v));
    EXPECT_EQ(v, -7);
}

TEST(DataStream, GrowsByTwiceTheNeedOrAKilobyte) {
    DataStream s;
    EXPECT_EQ(s.capacity(), 1024u);
    s.WriteBytes(std::vector<uint8_t>(1024, 1));
    EXPECT_EQ(s.capacity(), 1024u);
    s.WriteU8(2);  // one byte short: grows by max(2, 1024)
    EXPECT_EQ(s.capacity(), 2048u);
    s.WriteBytes(std::vector<uint8_t>(3000, 3));  // needs 1977 more: grows by 6000
    EXPECT_EQ(s.capacity(), 8048u);
    EXPECT_EQ(s.size(), 4025u);
}

TEST(DataStream, StringCountWithTopBitReadsEmptyAndConsumesOnlyTheCount) {
    DataStream s(std::vector<uint8_t>{0x05, 0, 0, 0x80, 0x41, 0});
    std::u16string out = u"old";
    ASSERT_TRUE(s.ReadString(out));
    EXPECT_EQ(out, u"");
    EXPECT_EQ(s.readPosition(), 4u);
}

TEST(DataStream, ReadsPastTheEndFailWithoutConsumingOrChangingTheTarget) {
    DataStream s(std::vector<uint8_t>{1, 2, 3});
    uint32_t v = 77;
    EXPECT_FALSE(s.ReadU32(v));
    EXPECT_EQ(v, 77u);
    EXPECT_EQ(s.readPosition(), 0u);

    // A huge count must be refused before any allocation.
    DataStream big(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0});
    std::u16string str = u"keep";
    EXPECT_FALSE(big.ReadString(str));
    EXPECT_EQ(str, u"keep");
    EXPECT_EQ(big.readPosition(), 0u);
}

}  // namespace
}  // namespace z7

#include "core/device/hid_report_descriptor.h"

#include <gtest/gtest.h>

namespace z7 {
namespace {

// Two vendor collections on one node, the first with a nested vendor usage of its own page.
const std::vector<uint8_t> kVendorNode = {
    0x06, 0x01, 0xFF,                                // usage page FF01
    0x09, 0x02,                                      // usage 2
    0xA1, 0x01,                                      // collection (application)
    0x09, 0x01,                                      //   usage 1 (nested: must not count)
    0xA1, 0x02,                                      //   collection (logical)
    0x85, 0x60, 0x75, 0x08, 0x95, 0x3F, 0xB1, 0x02,  // report 0x60, feature
    0xC0,                                            //   end collection
    0xC0,                                            // end collection
    0x06, 0x02, 0xFF,                                // usage page FF02
    0x09, 0x01,                                      // usage 1
    0xA1, 0x01,                                      // collection
    0x85, 0x03, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02,  // report 3, input
    0xC0,
};

TEST(HidReportDescriptor, ListsOnlyTopLevelCollections) {
    EXPECT_EQ(TopLevelUsages(kVendorNode),
              (std::vector<HidUsage>{{0xFF01, 0x0002}, {0xFF02, 0x0001}}));
}

TEST(HidReportDescriptor, HandlesExtendedUsagesPushPopAndDamage) {
    const std::vector<uint8_t> d = {
        0x05, 0x01, 0xA4,                                // page 1, push
        0x06, 0x01, 0xFF, 0xB4,                          // page FF01, pop -> page 1
        0x09, 0x02, 0xA1, 0x01, 0xC0,                    // mouse
        0x0B, 0x01, 0x00, 0x02, 0xFF,                    // extended usage FF02:0001
        0xA1, 0x01, 0xC0, 0xFE, 0x02, 0x00, 0xAA, 0xBB,  // long item, skipped
        0x09, 0x06, 0xA1,                                // collection cut short
    };
    EXPECT_EQ(TopLevelUsages(d), (std::vector<HidUsage>{{0x0001, 0x0002}, {0xFF02, 0x0001}}));
    EXPECT_TRUE(TopLevelUsages({}).empty());
    const std::vector<uint8_t> stray = {0xC0, 0xC0, 0x09, 0x01, 0xA1, 0x01};
    EXPECT_EQ(TopLevelUsages(stray).size(), 1u);
}

}  // namespace
}  // namespace z7

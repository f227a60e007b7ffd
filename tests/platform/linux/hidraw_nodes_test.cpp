// Enumeration from a sysfs tree made up by the test: the nodes a device leaves behind while it
// re-enumerates must be skipped, never crash the program.
#include <gtest/gtest.h>

#include "core/device/device_link.h"
#include "platform/linux/hidraw_nodes.h"
#include "sim/uhid_device.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

void Node(const std::filesystem::path& root, const std::string& name, const std::string& uevent,
          const std::vector<uint8_t>* descriptor) {
    std::filesystem::create_directories(root / name / "device");
    if (!uevent.empty())
        test::WriteBytes(root / name / "device" / "uevent",
                         std::vector<uint8_t>(uevent.begin(), uevent.end()));
    if (descriptor) test::WriteBytes(root / name / "device" / "report_descriptor", *descriptor);
}

TEST(HidrawNodes, ListsEachTopLevelCollectionAndSkipsWhatCannotBeRead) {
    test::TempDir sys;
    const std::vector<uint8_t> mouse = UhidReportDescriptor(SimMode::kNormal);
    const std::vector<uint8_t> boot = UhidReportDescriptor(SimMode::kBoot);
    Node(sys.path(), "hidraw10", "DRIVER=hid-generic\nHID_ID=0003:000022D4:00001205\n", &boot);
    Node(sys.path(), "hidraw2", "HID_ID=0003:000022D4:00001206\nHID_NAME=Kesta Z7\n", &mouse);
    Node(sys.path(), "hidraw3", "HID_ID=0003:000022D4:00001206\n", nullptr);  // leaving
    Node(sys.path(), "hidraw4", "", &mouse);                                  // no ids yet
    Node(sys.path(), "hidraw5", "HID_ID=0018:000004F3:00000001\n", &mouse);   // I2C, not ours
    Node(sys.path(), "hidraw6", "HID_ID=0003:zz:00001206\n", &mouse);         // garbage

    const std::vector<HidCollectionInfo> found = EnumerateHidrawNodes(sys.path());
    std::vector<std::tuple<std::string, uint16_t, uint16_t, uint16_t>> seen;
    for (const HidCollectionInfo& c : found) {
        EXPECT_EQ(c.vendorId, kVendorId);
        seen.emplace_back(c.path, c.productId, c.usagePage, c.usage);
    }
    const std::vector<std::tuple<std::string, uint16_t, uint16_t, uint16_t>> expected = {
        {"/dev/hidraw2", kProductNormal, 0x0001, 0x0002},
        {"/dev/hidraw2", kProductNormal, kConfigUsagePage, kConfigUsage},
        {"/dev/hidraw2", kProductNormal, kEventUsagePage, kEventUsage},
        {"/dev/hidraw10", kProductBoot, kConfigUsagePage, kConfigUsage},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(EnumerateHidrawNodes(sys / "missing").empty());
}

}  // namespace
}  // namespace z7

#include "platform/linux/hidraw_nodes.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "core/device/hid_report_descriptor.h"

namespace z7 {
namespace {

constexpr unsigned kBusUsb = 0x03;
constexpr unsigned kBusBluetooth = 0x05;
// The kernel's own limit on a report descriptor (HID_MAX_DESCRIPTOR_SIZE).
constexpr size_t kMaxDescriptor = 4096;

// "HID_ID=0003:000022D4:00001206" of the node's uevent.
bool ReadIds(const std::filesystem::path& uevent, unsigned& bus, unsigned& vendor,
             unsigned& product) {
    std::ifstream in(uevent);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("HID_ID=", 0) != 0) continue;
        char tail = 0;
        return std::sscanf(line.c_str() + 7, "%x:%x:%x%c", &bus, &vendor, &product, &tail) == 3 &&
               vendor <= 0xFFFF && product <= 0xFFFF;
    }
    return false;
}

std::vector<uint8_t> ReadDescriptor(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes;
    char c = 0;
    while (bytes.size() <= kMaxDescriptor && in.get(c)) bytes.push_back(static_cast<uint8_t>(c));
    if (bytes.size() > kMaxDescriptor) bytes.clear();
    return bytes;
}

}  // namespace

std::vector<HidCollectionInfo> EnumerateHidrawNodes(const std::filesystem::path& classFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(classFolder, ec), end; !ec && it != end;
         it.increment(ec))
        names.push_back(it->path().filename().string());
    // hidraw0, hidraw1, ... hidraw10 in the order the kernel numbered them.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    std::vector<HidCollectionInfo> out;
    for (const std::string& name : names) {
        const std::filesystem::path device = classFolder / name / "device";
        unsigned bus = 0, vendor = 0, product = 0;
        if (!ReadIds(device / "uevent", bus, vendor, product)) continue;
        if (bus != kBusUsb && bus != kBusBluetooth) continue;
        for (const HidUsage& u : TopLevelUsages(ReadDescriptor(device / "report_descriptor")))
            // Report lengths are left 0: the link uses the protocol's.
            out.push_back({static_cast<uint16_t>(vendor), static_cast<uint16_t>(product),
                           u.usagePage, u.usage, "/dev/" + name, 0, 0, 0});
    }
    return out;
}

}  // namespace z7

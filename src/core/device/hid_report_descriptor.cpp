#include "core/device/hid_report_descriptor.h"

namespace z7 {
namespace {

constexpr uint8_t kLongItem = 0xFE;
constexpr uint8_t kTypeMain = 0, kTypeGlobal = 1, kTypeLocal = 2;
constexpr uint8_t kMainCollection = 0xA, kMainEndCollection = 0xC;
constexpr uint8_t kGlobalUsagePage = 0x0, kGlobalPush = 0xA, kGlobalPop = 0xB;
constexpr uint8_t kLocalUsage = 0x0;
constexpr size_t kMaxPushDepth = 16;

}  // namespace

std::vector<HidUsage> TopLevelUsages(std::span<const uint8_t> d) {
    std::vector<HidUsage> out;
    uint16_t page = 0;
    std::vector<uint16_t> pushed;
    bool haveUsage = false;
    HidUsage usage;
    int depth = 0;
    for (size_t i = 0; i < d.size();) {
        const uint8_t prefix = d[i];
        if (prefix == kLongItem) {
            if (i + 1 >= d.size()) break;
            i += 3 + size_t{d[i + 1]};
            continue;
        }
        const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + 1 + size > d.size()) break;
        uint32_t value = 0;
        for (size_t b = 0; b < size; ++b) value |= uint32_t{d[i + 1 + b]} << (8 * b);
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        i += 1 + size;
        if (type == kTypeGlobal) {
            if (tag == kGlobalUsagePage)
                page = static_cast<uint16_t>(value);
            else if (tag == kGlobalPush && pushed.size() < kMaxPushDepth)
                pushed.push_back(page);
            else if (tag == kGlobalPop && !pushed.empty()) {
                page = pushed.back();
                pushed.pop_back();
            }
        } else if (type == kTypeLocal) {
            if (tag == kLocalUsage && !haveUsage) {
                // A four-byte usage carries its own page in the high half.
                usage = size == 4 ? HidUsage{static_cast<uint16_t>(value >> 16),
                                             static_cast<uint16_t>(value)}
                                  : HidUsage{page, static_cast<uint16_t>(value)};
                haveUsage = true;
            }
        } else if (type == kTypeMain) {
            if (tag == kMainCollection) {
                if (depth == 0 && haveUsage) out.push_back(usage);
                ++depth;
            } else if (tag == kMainEndCollection && depth > 0) {
                --depth;
            }
            haveUsage = false;
        }
    }
    return out;
}

}  // namespace z7

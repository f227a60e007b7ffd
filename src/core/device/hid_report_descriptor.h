#pragma once
// Top-level collections of a HID report descriptor. Some backends (hidapi's hidraw before
// 0.14) list nested usages as if they were collections of their own; this tells them apart.
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace z7 {

struct HidUsage {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    friend bool operator==(const HidUsage&, const HidUsage&) = default;
};

// The usage of every top-level collection, in descriptor order. A damaged descriptor yields
// what was parsed before the damage.
std::vector<HidUsage> TopLevelUsages(std::span<const uint8_t> descriptor);

}  // namespace z7

#include <gtest/gtest.h>

#include "sim/sim_factory.h"
#include "sim/sim_state_file.h"

namespace z7 {
namespace {

SimState Busy() {
    SimState s = FactorySimState();
    s.mode = SimMode::kBoot;
    s.firmwareVersion = 205;
    s.deviceCode = {'L', '1', '0', '0'};
    s.activeSlot = 3;
    s.slots[2].fill(0x77);
    s.events = {{1, 2, 0}, {19, 0, 5}};
    s.faults = {3, 2, 9, 1, HidError::kCrc, 4, 6, true, true};
    s.calibrations = 12;
    s.downloadBegun = true;
    s.downloadCount = 2;
    s.downloadChecksum = 0xDEADBEEF;
    s.blocks[20] = std::vector<uint8_t>(1024, 0x11);
    s.blocks[21] = std::vector<uint8_t>(1024, 0x22);
    s.firstBlock = std::vector<uint8_t>(1024, 0x33);
    return s;
}

bool Same(const SimState& a, const SimState& b) {
    return SaveSimState(a) == SaveSimState(b) && a.slots == b.slots && a.blocks == b.blocks &&
           a.events.size() == b.events.size();
}

TEST(SimStateFile, RoundTripsEveryField) {
    const SimState original = Busy();
    SimState loaded;
    ASSERT_TRUE(LoadSimState(SaveSimState(original), loaded));
    EXPECT_TRUE(Same(original, loaded));
    EXPECT_EQ(loaded.faults.transportError, HidError::kCrc);
    EXPECT_EQ(loaded.faults.unplugAfterCommands, 6);
    EXPECT_EQ(loaded.events[1].byte3, 5);
}

TEST(SimStateFile, DamagedFilesAreRefusedAndLeaveTheStateAlone) {
    const std::vector<uint8_t> good = SaveSimState(Busy());
    const SimState fresh = FactorySimState();
    // Every truncation, and a byte too many.
    for (size_t n = 0; n < good.size(); n += (n < 64 ? 1 : 97)) {
        SimState s = fresh;
        EXPECT_FALSE(LoadSimState(std::span(good).first(n), s)) << n;
        EXPECT_TRUE(Same(s, fresh));
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    SimState s = fresh;
    EXPECT_FALSE(LoadSimState(longer, s));

    // Out-of-range values: magic, format, mode, slot, flag, error code.
    const struct {
        size_t offset;
        uint8_t value;
    } bad[] = {{0, 'X'}, {5, 2}, {6, 7}, {13, 5}, {14, 2}, {28, 99}};
    for (const auto& b : bad) {
        std::vector<uint8_t> bytes = good;
        bytes[b.offset] = b.value;
        EXPECT_FALSE(LoadSimState(bytes, s)) << b.offset;
    }
    EXPECT_TRUE(Same(s, fresh));
}

TEST(SimStateFile, ANewMouseHoldsEachSlotsDefaultImage) {
    const SimState s = FactorySimState();
    EXPECT_EQ(s.mode, SimMode::kNormal);
    EXPECT_EQ(s.firmwareVersion, 165);
    for (size_t slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(s.slots[slot][kOffsetSlot], slot);
        EXPECT_EQ(s.slots[slot], s.factory[slot]);
    }
}

}  // namespace
}  // namespace z7

#include <gtest/gtest.h>

#include "sim/sim_factory.h"
#include "sim/sim_state_store.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

TEST(SimStateStore, AMissingFileIsANewMouseAndWritingCreatesTheFolder) {
    test::TempDir temp;
    const std::filesystem::path path = temp / "new" / "folder" / "mouse.state";
    SimState state;
    state.activeSlot = 3;
    std::string error;
    ASSERT_TRUE(ReadSimStateFile(LocalFileSystem(), path, state, error));
    EXPECT_EQ(state.activeSlot, 0);
    EXPECT_EQ(state.slots, FactorySimState().slots);
    state.activeSlot = 4;
    ASSERT_TRUE(WriteSimStateFile(LocalFileSystem(), path, state, error)) << error;
    SimState back;
    ASSERT_TRUE(ReadSimStateFile(LocalFileSystem(), path, back, error)) << error;
    EXPECT_EQ(back.activeSlot, 4);
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
}

TEST(SimStateStore, WritersUseTemporaryNamesOfTheirOwn) {
    test::TempDir temp;
    const std::filesystem::path path = temp / "mouse.state";
    // What a fixed temporary name would collide with: another writer's, or one a crash left.
    std::filesystem::create_directory(path.string() + ".tmp");
    SimState state = FactorySimState();
    std::string error;
    for (uint8_t slot = 0; slot < 5; ++slot) {
        state.activeSlot = slot;
        ASSERT_TRUE(WriteSimStateFile(LocalFileSystem(), path, state, error)) << error;
    }
    SimState back;
    ASSERT_TRUE(ReadSimStateFile(LocalFileSystem(), path, back, error)) << error;
    EXPECT_EQ(back.activeSlot, 4);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(temp.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);  // the state and the foreign folder, no temporary file left
}

TEST(SimStateStore, ADamagedFileIsRefusedAndLeavesTheStateAlone) {
    test::TempDir temp;
    test::WriteBytes(temp / "bad.state", {'Z', '7', 'S', 'I', 'M'});
    SimState state;
    state.activeSlot = 2;
    std::string error;
    EXPECT_FALSE(ReadSimStateFile(LocalFileSystem(), temp / "bad.state", state, error));
    EXPECT_NE(error.find("damaged"), std::string::npos);
    EXPECT_EQ(state.activeSlot, 2);
}

}  // namespace
}  // namespace z7

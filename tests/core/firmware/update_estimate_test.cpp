#include "core/firmware/update_estimate.h"

#include <gtest/gtest.h>

#include "core/device/device_commands.h"
#include "core/firmware/firmware_updater.h"
#include "sim/sim_mouse.h"
#include "sim/sim_transport.h"

namespace z7 {
namespace {

FirmwarePackage MarkedPackage(size_t blocks, uint16_t version) {
    std::vector<uint8_t> payload(blocks * kFirmwareBlockSize, 0x11);
    std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), payload.begin());
    payload[4] = static_cast<uint8_t>(version);
    payload[5] = static_cast<uint8_t>(version >> 8);
    FirmwarePackage package;
    EXPECT_EQ(ParseFirmwareImage(BuildFirmwareImageFile(payload, version), package.image),
              FirmwareLoadError::None);
    return package;
}

// The estimate is the procedure's own arithmetic: run the real procedure on the simulated mouse
// and compare, at the bar's first showing and at every report after, the time estimated with
// the time the procedure then still waited.
TEST(UpdateEstimate, IsWhatARealUpdateStillWaits) {
    for (const bool fromBoot : {false, true}) {
        for (const size_t blocks : {size_t{3}, size_t{100}}) {
            VirtualClock clock;
            SimMouse mouse(clock);
            mouse.Update(
                [&](SimState& s) { s.mode = fromBoot ? SimMode::kBoot : SimMode::kNormal; });
            SimTransport transport(mouse);
            DeviceLink link(transport, clock);
            std::vector<Millis> reports;  // what had been slept at each progress report
            UpdaterCallbacks callbacks;
            callbacks.onProgress = [&](int) { reports.push_back(clock.TotalSlept()); };
            FirmwareUpdater updater(link, callbacks);
            updater.Start(FirmwareLoadError::None, MarkedPackage(blocks, 170));
            clock.ClearSleeps();
            reports.clear();
            ASSERT_EQ(updater.Update(), UpdaterView::kSuccess) << updater.problemText();
            const Millis total = clock.TotalSlept();

            UpdateProgress p;
            p.blockCount = blocks;
            p.fromBootLoader = fromBoot;
            p.fullReadBack = updater.deviceCodeText() == kFullReadBackDeviceCode;
            // When the bar appears; the switch into the boot loader is not counted.
            EXPECT_EQ(UpdateTimeLeft(p), total - (fromBoot ? Millis(0) : kDelayEnterBootloader))
                << blocks << (fromBoot ? " boot" : " normal");
            // The download's reports: BeginDownload answered, then one per block.
            const size_t first = fromBoot ? 0 : 1;  // the normal path reports 0 first
            ASSERT_EQ(reports.size(), first + 1 + blocks);
            p.downloadStarted = true;
            for (size_t k = first; k < reports.size(); ++k) {
                p.blocksDone = k - first;
                EXPECT_EQ(UpdateTimeLeft(p), total - reports[k]) << "report " << k;
            }
        }
    }
}

TEST(UpdateEstimate, OnlyTheFirst88BlocksAreReadBackUnlessTheDeviceSaysOtherwise) {
    UpdateProgress p;
    p.downloadStarted = true;
    p.blocksDone = 88;
    p.blockCount = 89;
    const Millis partial = UpdateTimeLeft(p);
    p.fullReadBack = true;
    EXPECT_EQ(UpdateTimeLeft(p) - partial, kDelayReadBlock + kAfterReadBackWait);
    EXPECT_EQ(RestartTimeLeft(), kBeforeReconnectWait + kDelayReadFirmwareVersion);
}

}  // namespace
}  // namespace z7

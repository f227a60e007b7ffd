#include "core/firmware/update_estimate.h"

#include "core/device/device_commands.h"
#include "core/firmware/firmware_updater.h"

namespace z7 {

Millis UpdateTimeLeft(const UpdateProgress& p) {
    Millis left{0};
    if (!p.downloadStarted) {
        if (!p.fromBootLoader)
            left +=
                kBootSettleWait + kDelayWriteFirstBlock + kDelayReadBootInfo + kBeforeDownloadWait;
        left += kDelayBeginDownload;
    }
    // The pause after BeginDownload, or after the block just written.
    if (!p.downloadStarted || p.blocksDone == 0)
        left += kAfterBeginWait;
    else
        left += kAfterBlockWait;
    for (size_t i = p.blocksDone; i < p.blockCount; ++i) {
        left += kDelayWriteBlock + kAfterBlockWait;
        if (p.fullReadBack || i < kReadBackBlocks) left += kDelayReadBlock + kAfterReadBackWait;
    }
    return left + kBeforeFinishWait + kDelayFinishDownload + RestartTimeLeft();
}

Millis RestartTimeLeft() {
    return kBeforeReconnectWait + kDelayReadFirmwareVersion;
}

}  // namespace z7

// The kernel lane's probe of the boot loader path, until the firmware updater exists: one
// download of a single block through the real HID stack, with the device re-enumerating as
// 22d4:1205 and back. It drives the core's boot-mode commands over the platform's HID
// transport, so the 1041-byte requests and replies cross hidraw and uhid both ways.
//
// usage: z7_kernel_probe boot-download VERSION   (VERSION in hundredths, e.g. 170)
// Prints one line per step; exit 0 when the mouse comes back reporting VERSION.
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "core/device/device_commands.h"
#include "core/device/device_link.h"
#include "platform/hid_backend.h"
#include "sim/sim_mouse.h"

namespace z7 {
namespace {

constexpr auto kReenumerateWait = std::chrono::seconds(10);
constexpr auto kReenumeratePoll = std::chrono::milliseconds(100);

bool Step(const char* name, bool ok) {
    std::printf("%s: %s\n", name, ok ? "ok" : "FAILED");
    std::fflush(stdout);
    return ok;
}

// Opens the configuration interface of `productId` once the device has re-enumerated.
bool OpenWhenPresent(DeviceLink& link, uint16_t productId) {
    const auto end = std::chrono::steady_clock::now() + kReenumerateWait;
    while (std::chrono::steady_clock::now() < end) {
        if (link.OpenConfigInterface(productId)) return true;
        std::this_thread::sleep_for(kReenumeratePoll);
    }
    return false;
}

int BootDownload(uint16_t version) {
    std::unique_ptr<HidTransport> transport = CreateSystemHidTransport();
    SystemClock clock;
    DeviceLink link(*transport, clock);
    std::lock_guard lock(link.deviceLock());

    if (!Step("open 22d4:1206", link.OpenConfigInterface(kProductNormal))) return 1;
    if (!Step("EnterBootloader", EnterBootloader(link) == kResultOk)) return 1;
    link.CloseDevice();
    if (!Step("re-enumerated as 22d4:1205", OpenWhenPresent(link, kProductBoot))) return 1;
    std::array<uint8_t, 4> code{};
    if (!Step("ReadBootCode", ReadBootCode(link, code) == kResultOk)) return 1;

    // A payload the boot loader takes its new version from (see sim_mouse.h).
    std::array<uint8_t, kBlockDataLength> block{};
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7 + 3);
    std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), block.begin());
    block[kFirmwareVersionOffset] = static_cast<uint8_t>(version);
    block[kFirmwareVersionOffset + 1] = static_cast<uint8_t>(version >> 8);
    uint32_t checksum = 0;
    for (uint8_t b : block) checksum += b;

    if (!Step("BeginDownload", BeginDownload(link, 1, checksum) == kResultOk)) return 1;
    if (!Step("WriteFirstBlock (1041-byte echo)", WriteFirstBlock(link, block) == kResultOk))
        return 1;
    if (!Step("WriteBlock", WriteBlock(link, block, kFirstFirmwareBlock) == kResultOk)) return 1;
    std::array<uint8_t, kLongReportLength> reply{};
    const bool readBack =
        ReadBlock(link, kFirstFirmwareBlock, reply) == kResultOk && reply[0] == kBootLongId &&
        std::equal(block.begin(), block.end(), reply.begin() + kPayloadOffset) &&
        (reply[kStoredSumByte] | (reply[kStoredSumByte + 1] << 8)) == BlockSum(block);
    if (!Step("ReadBlock (1041-byte reply) matches", readBack)) return 1;
    if (!Step("FinishDownload", FinishDownload(link) == kResultOk)) return 1;
    link.CloseDevice();

    if (!Step("re-enumerated as 22d4:1206", OpenWhenPresent(link, kProductNormal))) return 1;
    std::array<uint8_t, kFirmwareInfoLength> info{};
    const bool versionOk =
        ReadFirmwareVersion(link, info) == kResultOk && FirmwareVersionOf(info) == version;
    link.CloseDevice();
    return Step("new firmware version reported", versionOk) ? 0 : 1;
}

}  // namespace
}  // namespace z7

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "boot-download") == 0) {
        char* end = nullptr;
        const unsigned long version = std::strtoul(argv[2], &end, 10);
        if (*argv[2] != '\0' && *end == '\0' && version <= 0xFFFF)
            return z7::BootDownload(static_cast<uint16_t>(version));
    }
    std::fprintf(stderr, "usage: z7_kernel_probe boot-download VERSION\n");
    return 2;
}

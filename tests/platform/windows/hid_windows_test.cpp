// The Windows HID backend: the error table that feeds the retry rule, feature report sizing,
// discovery on a machine without the mouse, and interface paths as notices carry them.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/device/device_change.h"
#include "core/device/device_link.h"
#include "platform/hid_backend.h"
#include "platform/windows/hid_windows_rules.h"

namespace z7 {
namespace {

TEST(HidErrorFromWin32, MapsEveryKnownCodeAndOnlyTheFiveTransientOnesAreRetried) {
    const std::vector<std::pair<DWORD, HidError>> table = {
        {ERROR_NOT_READY, HidError::kNotReady},
        {ERROR_CRC, HidError::kCrc},
        {ERROR_WRITE_FAULT, HidError::kWriteFault},
        {ERROR_INVALID_PARAMETER, HidError::kInvalidParameter},
        {ERROR_FUNCTION_FAILED, HidError::kFunctionFailed},
        {ERROR_GEN_FAILURE, HidError::kGeneralFailure},
        {ERROR_FILE_NOT_FOUND, HidError::kDisconnected},
        {ERROR_PATH_NOT_FOUND, HidError::kDisconnected},
        {ERROR_DEV_NOT_EXIST, HidError::kDisconnected},
        {433, HidError::kDisconnected},  // ERROR_NO_SUCH_DEVICE
        {ERROR_DEVICE_NOT_CONNECTED, HidError::kDisconnected},
        {ERROR_ACCESS_DENIED, HidError::kAccessDenied},
        {ERROR_SHARING_VIOLATION, HidError::kAccessDenied},
        {ERROR_OPERATION_ABORTED, HidError::kCancelled},
        {ERROR_SUCCESS, HidError::kGeneralFailure},  // failed without saying why
        {ERROR_INVALID_HANDLE, HidError::kGeneralFailure},
        {ERROR_SEM_TIMEOUT, HidError::kGeneralFailure},
        {0xDEADBEEF, HidError::kGeneralFailure},
    };
    for (const auto& [code, expected] : table) {
        EXPECT_EQ(HidErrorFromWin32(code), expected) << code;
        const bool transient = code == 21 || code == 23 || code == 29 || code == 87 || code == 1627;
        EXPECT_EQ(IsRetryable(HidErrorFromWin32(code)), transient) << code;
    }
}

// A configuration collection whose every transfer fails with one Win32 code.
class FailingDevice final : public HidDevice {
  public:
    FailingDevice(DWORD code, int& attempts) : code_(code), attempts_(attempts) {}
    HidStatus SetFeature(std::span<const uint8_t>) override { return Fail(); }
    HidStatus GetFeature(std::span<uint8_t>) override { return Fail(); }
    HidStatus ReadInput(std::span<uint8_t>, Millis, size_t& length) override {
        length = 0;
        return {HidError::kTimeout, ""};
    }
    void CancelRead() override {}

  private:
    HidStatus Fail() {
        ++attempts_;
        return {HidErrorFromWin32(code_), "scripted"};
    }
    DWORD code_;
    int& attempts_;
};

class FailingTransport final : public HidTransport {
  public:
    DWORD code = 0;
    int attempts = 0;
    std::vector<HidCollectionInfo> Enumerate() override {
        return {{kVendorId, kProductNormal, kConfigUsagePage, kConfigUsage, "p", 64, 0, 64}};
    }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo&, HidStatus& status) override {
        status = {};
        return std::make_unique<FailingDevice>(code, attempts);
    }
};

TEST(HidErrorFromWin32, TheLinkTriesTransientCodesFourTimesAndOthersOnce) {
    for (DWORD code : {21u, 23u, 29u, 87u, 1627u, 31u, 1167u, 5u}) {
        const bool transient = IsRetryable(HidErrorFromWin32(code));
        for (bool get : {false, true}) {
            FailingTransport transport;
            transport.code = code;
            VirtualClock clock;
            DeviceLink link(transport, clock);
            ASSERT_TRUE(link.OpenConfigInterface(kProductNormal));
            std::vector<uint8_t> report(64, 0);
            report[0] = 0x60;
            EXPECT_FALSE(get ? link.GetFeatureReport(report) : link.SetFeatureReport(report));
            EXPECT_EQ(transport.attempts, transient ? 4 : 1) << code;
            EXPECT_EQ(clock.TotalSlept(), Millis(transient ? 150 : 0)) << code;
        }
    }
}

TEST(FitFeatureReport, PadsShortReportsAndCutsOnlyZeroTails) {
    std::vector<uint8_t> report(64, 0);
    report[0] = 0x60;
    report[63] = 0x7F;
    std::vector<uint8_t> out;

    // The collection's longest feature report is the 1041-byte one: a 64-byte request grows.
    ASSERT_TRUE(FitFeatureReport(report, 1041, out));
    ASSERT_EQ(out.size(), 1041u);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 64, out.end(), [](uint8_t b) { return b == 0; }));

    ASSERT_TRUE(FitFeatureReport(report, 64, out));
    EXPECT_EQ(out, report);
    ASSERT_TRUE(FitFeatureReport(report, 0, out));  // lengths unknown: unchanged
    EXPECT_EQ(out, report);

    // A longer report may lose zero padding only; cutting data would send a corrupt report.
    std::vector<uint8_t> padded(report);
    padded.resize(100, 0);
    ASSERT_TRUE(FitFeatureReport(padded, 64, out));
    EXPECT_EQ(out, report);
    padded[99] = 1;
    EXPECT_FALSE(FitFeatureReport(padded, 64, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(FitFeatureReport({}, 64, out));
}

TEST(WindowsHidTransport, DiscoveryWithoutTheMouseFindsNothingAndFailsCleanly) {
    std::unique_ptr<HidTransport> transport = CreateSystemHidTransport();
    for (const HidCollectionInfo& c : transport->Enumerate()) {
        EXPECT_EQ(c.path.rfind(R"(\\?\)", 0), 0u) << c.path;
        EXPECT_NE(c.vendorId, kVendorId) << c.path;
    }

    VirtualClock clock;
    DeviceLink link(*transport, clock);
    EXPECT_FALSE(link.OpenConfigInterface(kProductNormal));
    EXPECT_EQ(link.lastOpenProblem().outcome, OpenOutcome::kNotFound);
    EXPECT_FALSE(link.OpenConfigInterface(kProductBoot));
    EXPECT_FALSE(link.OpenEventInterface());
    std::vector<uint8_t> report(64, 0);
    EXPECT_FALSE(link.SetFeatureReport(report));

    // A path that has gone: the open names it and counts as a vanished device.
    const std::string gone =
        R"(\\?\hid#vid_22d4&pid_1206&mi_01#7&2f0e1a6c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    HidStatus status;
    EXPECT_EQ(
        transport->Open({kVendorId, kProductNormal, kConfigUsagePage, kConfigUsage, gone, 0, 0, 0},
                        status),
        nullptr);
    EXPECT_EQ(status.error, HidError::kDisconnected);
    EXPECT_NE(status.message.find(gone), std::string::npos) << status.message;
    EXPECT_TRUE(DeviceAccessHint().empty());
}

TEST(WindowsInterfacePaths, NormalModeInterfacesOfTheMouseMatchInEitherCase) {
    const char* ours[] = {
        R"(\\?\hid#vid_22d4&pid_1206&mi_01#7&2f0e1a6c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
        R"(\\?\HID#VID_22D4&PID_1206&MI_01#7&2F0E1A6C&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
        R"(\\?\HID#VID_22D4&PID_1206&MI_00#7&1b2c3d4e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}\kbd)",
        R"(\\?\HID#VID_22D4&PID_1206&MI_02&Col02#8&3a1b&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030})",
    };
    for (const char* name : ours) EXPECT_TRUE(IsOurDeviceName(name)) << name;
    const char* others[] = {
        // The boot loader is handled by the firmware updater, not by notices.
        R"(\\?\HID#VID_22D4&PID_1205#7&11aa22bb&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
        R"(\\?\hid#vid_22d4&pid_1205#7&11aa22bb&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
        R"(\\?\HID#VID_046D&PID_C077#7&1206&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
        R"(\\?\USB#VID_1A2B&PID_1206#5&22d5#{a5dcbf10-6530-11d2-901f-00c04fb951ed})",
    };
    for (const char* name : others) EXPECT_FALSE(IsOurDeviceName(name)) << name;
}

}  // namespace
}  // namespace z7

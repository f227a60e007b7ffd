#include "platform/windows/hid_windows_rules.h"

#include <algorithm>

namespace z7 {
namespace {

// Win32 error codes, spelled out so that this file needs no Windows header.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorNotReady = 21;
constexpr uint32_t kErrorCrc = 23;
constexpr uint32_t kErrorWriteFault = 29;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorDevNotExist = 55;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorNoSuchDevice = 433;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrorDeviceNotConnected = 1167;
constexpr uint32_t kErrorFunctionFailed = 1627;

}  // namespace

HidError HidErrorFromWin32(uint32_t code) {
    switch (code) {
        case kErrorNotReady:
            return HidError::kNotReady;
        case kErrorCrc:
            return HidError::kCrc;
        case kErrorWriteFault:
            return HidError::kWriteFault;
        case kErrorInvalidParameter:
            return HidError::kInvalidParameter;
        case kErrorFunctionFailed:
            return HidError::kFunctionFailed;
        case kErrorFileNotFound:
        case kErrorPathNotFound:
        case kErrorDevNotExist:
        case kErrorNoSuchDevice:
        case kErrorDeviceNotConnected:
            return HidError::kDisconnected;
        case kErrorAccessDenied:
        case kErrorSharingViolation:
            return HidError::kAccessDenied;
        case kErrorOperationAborted:
            return HidError::kCancelled;
        case kErrorGenFailure:
        default:
            return HidError::kGeneralFailure;
    }
}

bool FitFeatureReport(std::span<const uint8_t> report, size_t capsLength,
                      std::vector<uint8_t>& out) {
    out.clear();
    if (report.empty()) return false;
    if (capsLength == 0) {
        out.assign(report.begin(), report.end());
        return true;
    }
    if (report.size() > capsLength &&
        std::any_of(report.begin() + static_cast<std::ptrdiff_t>(capsLength), report.end(),
                    [](uint8_t b) { return b != 0; }))
        return false;
    out.assign(capsLength, 0);
    std::copy_n(report.begin(), std::min(report.size(), capsLength), out.begin());
    return true;
}

}  // namespace z7

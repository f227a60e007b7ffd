#include "core/device/hid_transport.h"

namespace z7 {

bool IsRetryable(HidError error) {
    switch (error) {
        case HidError::kNotReady:
        case HidError::kCrc:
        case HidError::kWriteFault:
        case HidError::kInvalidParameter:
        case HidError::kFunctionFailed:
            return true;
        default:
            return false;
    }
}

const char* HidErrorName(HidError error) {
    switch (error) {
        case HidError::kNone:
            return "no error";
        case HidError::kNotReady:
            return "device not ready";
        case HidError::kCrc:
            return "data error";
        case HidError::kWriteFault:
            return "write fault";
        case HidError::kInvalidParameter:
            return "invalid parameter";
        case HidError::kFunctionFailed:
            return "function failed";
        case HidError::kGeneralFailure:
            return "general failure";
        case HidError::kDisconnected:
            return "device disconnected";
        case HidError::kAccessDenied:
            return "permission denied";
        case HidError::kNotOpen:
            return "device not open";
        case HidError::kTimeout:
            return "timed out";
        case HidError::kCancelled:
            return "cancelled";
    }
    return "unknown error";
}

}  // namespace z7

#pragma once
// The one HID transport interface the device link sits on. Backends: hidapi (Linux, macOS),
// the native Windows HID calls, and the simulated mouse. Byte 0 of every report buffer
// is the report id and is passed to the backend unchanged.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/util/clock.h"

namespace z7 {

// Portable transfer errors. The first five are the transient errors the device link retries;
// they stand for the Windows codes the retry rule was written against, and each backend maps
// its own errors onto them:
//
//   kNotReady         ERROR_NOT_READY (21)          Linux EAGAIN, EBUSY, ETIMEDOUT;
//                                                   macOS kIOReturnNotReady, kIOReturnBusy
//   kCrc              ERROR_CRC (23)                Linux EPROTO, EILSEQ; macOS kIOReturnIOError
//   kWriteFault       ERROR_WRITE_FAULT (29)        Linux EIO; macOS kIOReturnNotResponding
//   kInvalidParameter ERROR_INVALID_PARAMETER (87)  Linux EINVAL; macOS kIOReturnBadArgument
//   kFunctionFailed   ERROR_FUNCTION_FAILED (1627)  Linux EPIPE (endpoint stall);
//                                                   macOS kIOUSBPipeStalled
//
// Everything else ends a transfer at once: ERROR_GEN_FAILURE (31) and unknown codes are
// kGeneralFailure; a vanished device (ENODEV, ENOENT, ERROR_DEVICE_NOT_CONNECTED) is
// kDisconnected; EACCES/EPERM/ERROR_ACCESS_DENIED are kAccessDenied.
enum class HidError : uint8_t {
    kNone,
    kNotReady,
    kCrc,
    kWriteFault,
    kInvalidParameter,
    kFunctionFailed,
    kGeneralFailure,
    kDisconnected,
    kAccessDenied,
    kNotOpen,    // no handle: nothing was sent
    kTimeout,    // an input read saw no report in time
    kCancelled,  // an input read was ended by CancelRead
};

[[nodiscard]] bool IsRetryable(HidError error);
const char* HidErrorName(HidError error);

// What a transfer came to; `message` says what was tried and the OS's own text.
struct HidStatus {
    HidError error = HidError::kNone;
    std::string message;
    bool ok() const { return error == HidError::kNone; }
};

// One top-level collection of a HID device. Report lengths include the report id byte and
// are 0 where the backend cannot tell.
struct HidCollectionInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::string path;
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
    uint16_t featureReportLength = 0;
};

// An open collection. SetFeature/GetFeature may be called from one thread at a time;
// CancelRead from any thread.
class HidDevice {
  public:
    virtual ~HidDevice() = default;
    virtual HidStatus SetFeature(std::span<const uint8_t> report) = 0;
    // `report` holds the wanted report id in byte 0; filled with the reply.
    virtual HidStatus GetFeature(std::span<uint8_t> report) = 0;
    // Waits up to `timeout` for one input report; kTimeout when none came, kCancelled when
    // CancelRead ended the wait. `length` is the number of bytes stored.
    virtual HidStatus ReadInput(std::span<uint8_t> report, Millis timeout, size_t& length) = 0;
    // Ends a pending ReadInput at once, or the next one if none is pending.
    virtual void CancelRead() = 0;
};

class HidTransport {
  public:
    virtual ~HidTransport() = default;
    // Every collection present, one entry per top-level usage, in the platform's order.
    virtual std::vector<HidCollectionInfo> Enumerate() = 0;
    virtual std::unique_ptr<HidDevice> Open(const HidCollectionInfo& collection,
                                            HidStatus& status) = 0;
    // The configuration image the mouse keeps in `slot`, where the backend can look at it
    // without the wire (the simulated mouse); empty for a real mouse, which has no command
    // that reads an image back.
    virtual std::vector<uint8_t> StoredImage(uint8_t /*slot*/) { return {}; }
};

}  // namespace z7

#pragma once
// Whole configuration exchanges shared by the application and z7ctl. Each holds an
// ExchangeLock for its whole run (so that neither another thread nor another program talks to
// the mouse meanwhile), starts from CloseDevice (which stops the listener), and ends by
// reopening the event interface and restarting the listener. Callers turn the result into
// their message; no exchange shows anything itself.
#include <cstdint>
#include <functional>
#include <optional>

#include "core/device/device_image.h"
#include "core/device/device_link.h"
#include "core/profile/profile_record.h"

namespace z7 {

enum class ExchangeResult {
    kOk,
    kNoDevice,       // no configuration interface found
    kNoAccess,       // the mouse is there but may not be opened (see lastOpenProblem)
    kCommandFailed,  // a command of the sequence failed (see lastTransferStatus, exchangeProblem)
    kBusy,           // another program kept the mouse for the whole wait; nothing was sent
};

struct DeviceInfo {
    std::optional<uint16_t> firmwareVersion;  // hundredths; empty when it could not be read
    std::optional<uint8_t> activeSlot;        // empty when it could not be read
    std::optional<std::array<uint8_t, 4>> deviceCode;
};

// The frame of every exchange for commands of one's own: lock, CloseDevice, open the
// configuration interface, `commands` (false: kCommandFailed), restart the listener.
[[nodiscard]] ExchangeResult RunExchange(DeviceLink& link, const std::function<bool()>& commands);

// Firmware version and active slot (and, when asked, the device code). Succeeds when the mouse
// was found; unreadable values stay empty.
[[nodiscard]] ExchangeResult RefreshFromDevice(DeviceLink& link, DeviceInfo& info,
                                               bool readDeviceCode = false);
// ReadActiveSlot, WriteProfileImage, ActivateSlot, then what can be checked: ReadActiveSlot
// must name the slot, and a backend that can show the stored image (the simulated mouse) must
// hold the image sent. The mouse has no command to read an image back, so on the real mouse the
// image itself stays unchecked. `totalEntries` as for WriteProfileImage.
[[nodiscard]] ExchangeResult WriteAllExchange(DeviceLink& link, uint8_t slot,
                                              const DeviceImage& image, size_t totalEntries);
[[nodiscard]] ExchangeResult WriteSensorExchange(DeviceLink& link, uint8_t slot,
                                                 const DeviceBlock& block);
[[nodiscard]] ExchangeResult WriteLightingExchange(DeviceLink& link, uint8_t slot,
                                                   const DeviceBlock& block);
// ReadActiveSlot, EraseSlot, and ActivateSlot(0) when both succeeded.
[[nodiscard]] ExchangeResult DeleteOnMouseExchange(DeviceLink& link, uint8_t slot);
// ReadActiveSlot, then CalibrateSurface.
[[nodiscard]] ExchangeResult CalibrateExchange(DeviceLink& link);
[[nodiscard]] ExchangeResult ActivateExchange(DeviceLink& link, uint8_t slot);

// The same writes built from a profile (its own profileSlot); they need the image module.
[[nodiscard]] ExchangeResult WriteAllExchange(DeviceLink& link, const ProfileRecord& profile);
[[nodiscard]] ExchangeResult WriteSensorExchange(DeviceLink& link, const ProfileRecord& profile);
[[nodiscard]] ExchangeResult WriteLightingExchange(DeviceLink& link, const ProfileRecord& profile);

}  // namespace z7

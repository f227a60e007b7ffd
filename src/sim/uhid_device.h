#pragma once
// The simulated mouse as a kernel HID device (Linux only): a front that publishes the real
// mouse's report descriptor through /dev/uhid and answers the kernel's GET_REPORT and
// SET_REPORT requests from the same SimMouse the in-process backend uses, so that hidraw,
// hidapi and z7ctl see a device that looks like the mouse on the USB bus.
//
// UhidDevice holds no file descriptor: it reads uhid events handed to it and writes its own
// through a callback, so it can be driven by tests. UhidFile is the /dev/uhid side.
#include <linux/uhid.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_mouse.h"

namespace z7 {

// Descriptor layout of the published device. Normal mode (0x1206): a standard mouse
// (report 1), the configuration collection (features 0x60 and 0x61) and the event collection
// (input 3). Boot mode (0x1205): the configuration collection with features 0x80 and 0x81.
inline constexpr uint8_t kUhidMouseReportId = 1;
inline constexpr char kUhidDeviceName[] = "Kesta Z7 Laser Mouse (simulated)";
inline constexpr char kUhidPhys[] = "z7-uhid-sim";
// How long after a mode switch the device leaves the kernel and comes back with the other
// product id. uhid fails a host request whose reply arrives just before the device goes away,
// so the reply that confirms the switch needs this time to reach the host.
inline constexpr Millis kUhidReenumerateDelay{200};

std::vector<uint8_t> UhidReportDescriptor(SimMode mode);
// Whole length of a feature report (report id byte included) in that mode; 0 when the
// descriptor has no such feature report.
size_t UhidFeatureLength(SimMode mode, uint8_t reportId);

class UhidDevice {
  public:
    // Sends one event to the kernel; false when the write failed.
    using Writer = std::function<bool(const uhid_event&)>;

    UhidDevice(SimMouse& mouse, Clock& clock, Writer writer);

    // Brings the published device in line with the mouse: creates it, re-creates it with the
    // other product id kUhidReenumerateDelay after a mode switch, destroys it at once while
    // the mouse is unplugged, and sends queued event reports while a host has the device
    // open. False when a write failed.
    [[nodiscard]] bool Sync();
    // Answers one event from the kernel, then Syncs. False when a write failed.
    [[nodiscard]] bool Handle(const uhid_event& event);
    // Removes the device from the kernel (no-op when none is published).
    [[nodiscard]] bool Destroy();

    bool published() const { return published_.has_value(); }
    bool open() const { return open_; }

  private:
    bool Create(SimMode mode);
    bool AnswerGetReport(const uhid_get_report_req& request);
    bool AnswerSetReport(const uhid_set_report_req& request);
    bool SendQueuedEvents();

    SimMouse& mouse_;
    Clock& clock_;
    Writer writer_;
    std::optional<Clock::TimePoint> switchDue_;  // when a pending mode switch is carried out
    std::optional<SimMode> published_;           // the mode the kernel device was created for
    uint32_t generation_ = 0;
    bool open_ = false;
};

// /dev/uhid: opens it and moves events between the kernel and a UhidDevice.
class UhidFile {
  public:
    UhidFile() = default;
    ~UhidFile();
    UhidFile(const UhidFile&) = delete;
    UhidFile& operator=(const UhidFile&) = delete;

    // Opens `path` (normally "/dev/uhid"); on failure `error` says why (missing module,
    // permission).
    [[nodiscard]] bool Open(const std::string& path, std::string& error);
    bool Write(const uhid_event& event);
    // Serves `device` until `stop` is set or a read or write fails (false, `error` set).
    // `idle` runs at least every `tickMs` milliseconds and after every event from the kernel.
    [[nodiscard]] bool Serve(UhidDevice& device, const std::atomic<bool>& stop, int tickMs,
                             const std::function<void()>& idle, std::string& error);

  private:
    int fd_ = -1;
};

}  // namespace z7

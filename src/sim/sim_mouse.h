#pragma once
// The simulated mouse: the firmware side of the wire contract, in normal mode (0x1206) and in
// boot mode (0x1205), with fault injection. SimTransport (sim_transport.h) makes it a HID
// backend; its whole state can be saved to a file (sim_state_file.h).
//
// Firmware payloads: the boot loader takes the version a good download reports from the
// payload itself. The first stored block (number 20) starts with the marker "Z7FW" followed by
// the version in hundredths, 16-bit little-endian (payload bytes 0..3 and 4..5). A payload
// without the marker is accepted and leaves the version as it was. `z7ctl firmware pack
// --sim-marker` writes the marker into test packages; real firmware never carries it.
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "core/device/device_image.h"
#include "core/device/hid_transport.h"
#include "core/util/clock.h"

namespace z7 {

enum class SimMode : uint8_t { kNormal = 0, kBoot = 1 };

inline constexpr uint16_t kSimDefaultVersion = 165;
inline constexpr std::array<uint8_t, 4> kSimDefaultDeviceCode = {'Z', '7', 'L', '1'};
inline constexpr std::array<uint8_t, 4> kFirmwareMarker = {'Z', '7', 'F', 'W'};
inline constexpr size_t kFirmwareVersionOffset = 4;
inline constexpr uint8_t kFirstFirmwareBlock = 20;
inline constexpr size_t kSimMaxEvents = 256;

// Faults that count down per reply, transfer or command; 0 is off.
struct SimFaults {
    uint32_t busyReplies = 0;        // replies that report busy (status 4)
    uint32_t failStatusReplies = 0;  // replies that report `failStatus`
    uint8_t failStatus = 2;
    uint32_t transportErrors = 0;  // set/get transfers that fail with `transportError`
    HidError transportError = HidError::kGeneralFailure;
    uint32_t unreadableReplies = 0;    // get transfers that fail outright
    int32_t unplugAfterCommands = -1;  // requests accepted before the mouse vanishes; -1 off
    bool accessDenied = false;         // opening any collection is refused
    bool strict = false;               // a reply read before the command's delay reports busy
};

struct SimEvent {
    uint8_t code = 0;
    uint8_t byte2 = 0;
    uint8_t byte3 = 0;
};

struct SimState {
    SimMode mode = SimMode::kNormal;
    uint16_t firmwareVersion = kSimDefaultVersion;
    std::array<uint8_t, 4> deviceCode = kSimDefaultDeviceCode;
    uint8_t activeSlot = 0;
    bool unplugged = false;
    std::array<DeviceImage, 5> slots{};
    std::array<DeviceImage, 5> factory{};  // what EraseSlot restores
    std::deque<SimEvent> events;
    SimFaults faults;
    uint32_t calibrations = 0;
    // Boot loader.
    bool downloadBegun = false;
    uint8_t downloadCount = 0;
    uint32_t downloadChecksum = 0;
    std::map<uint8_t, std::vector<uint8_t>> blocks;  // number -> 1024 bytes
    std::vector<uint8_t> firstBlock;                 // empty until WriteFirstBlock
};

// A new mouse: normal mode, firmware 1.65, `factory[n]` stored in slot n.
SimState NewSimState(const std::array<DeviceImage, 5>& factory);

class SimMouse {
  public:
    explicit SimMouse(Clock& clock, SimState state = {});

    SimState state() const;
    void SetState(SimState state);
    template <typename F>
    void Update(F&& change) {
        std::lock_guard lock(mutex_);
        change(state_);
    }

    void QueueEvent(SimEvent event);
    // Removal and arrival; open handles of an earlier arrival fail from then on.
    void Unplug();
    void Plug();

    // Every request the host set, in order (for tests).
    std::vector<std::vector<uint8_t>> requests() const;
    void ClearRequests();

    // The backend's side.
    std::vector<HidCollectionInfo> Collections() const;
    uint32_t generation() const;
    HidStatus CheckOpen(const std::string& path, uint32_t& generation) const;
    HidStatus SetFeature(uint32_t generation, std::span<const uint8_t> report);
    HidStatus GetFeature(uint32_t generation, std::span<uint8_t> report);
    HidStatus ReadInput(uint32_t generation, std::span<uint8_t> report, Millis timeout,
                        size_t& length, WakeSignal& wake, std::atomic<bool>& cancelled);
    // Readers are woken when an event is queued or the mouse goes away.
    void AddReader(WakeSignal* wake);
    void RemoveReader(WakeSignal* wake);

  private:
    HidStatus Gone(uint32_t generation) const;
    void Reenumerate(SimMode mode);
    void HandleNormal(std::span<const uint8_t> request);
    void HandleBoot(std::span<const uint8_t> request);
    std::vector<uint8_t>& NewReply(uint8_t status, size_t length = 64, uint8_t id = 0);
    bool GoodDownload() const;

    Clock& clock_;
    mutable std::mutex mutex_;
    SimState state_;
    uint32_t generation_ = 1;
    std::vector<std::vector<uint8_t>> requests_;
    std::vector<uint8_t> reply_;
    bool replyReady_ = false;
    Clock::TimePoint requestTime_{};
    Millis requestDelay_{0};
    bool switchAfterReply_ = false;
    SimMode switchTo_ = SimMode::kNormal;
    int stagedSlot_ = -1;  // first image half received for this slot
    std::vector<uint8_t> stagedHalf_;
    std::set<WakeSignal*> readers_;
};

}  // namespace z7

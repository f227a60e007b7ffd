#pragma once
// The device link: finds the mouse's configuration and event collections, moves feature
// reports with the retry and busy-wait rules, reads event reports, and runs the event listener.
// The application holds one process-wide instance; tests make their own with a simulated
// transport and a virtual clock.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "core/device/hid_transport.h"
#include "core/util/clock.h"
#include "platform/process_lock.h"

namespace z7 {

inline constexpr uint16_t kVendorId = 0x22D4;
inline constexpr uint16_t kProductNormal = 0x1206;
inline constexpr uint16_t kProductBoot = 0x1205;
inline constexpr uint16_t kConfigUsagePage = 0xFF01;
inline constexpr uint16_t kConfigUsage = 0x0002;
inline constexpr uint16_t kEventUsagePage = 0xFF02;
inline constexpr uint16_t kEventUsage = 0x0001;

inline constexpr uint8_t kEventReportId = 3;
inline constexpr size_t kEventReportLength = 64;
inline constexpr size_t kStatusByte = 1;
inline constexpr uint8_t kStatusDone = 1;
inline constexpr uint8_t kStatusBusy = 4;

// Event report codes and where their value sits.
inline constexpr uint8_t kEventProfileSwitch = 1;
inline constexpr uint8_t kEventShortcut = 19;
inline constexpr uint8_t kEventTextBlock = 22;
inline constexpr size_t kEventCodeByte = 1;
inline constexpr size_t kEventSlotByte = 2;
inline constexpr size_t kEventIdByte = 3;

// Why the last open found nothing; kAccessDenied means the mouse is there but the user may
// not open it (on Linux: the udev rule is missing).
enum class OpenOutcome { kOpened, kNotFound, kAccessDenied, kOpenFailed };
struct OpenProblem {
    OpenOutcome outcome = OpenOutcome::kNotFound;
    std::string path;     // the collection that could not be opened
    std::string message;  // the backend's text
};

// What the listener hands on. Handlers run on the listener thread; they must not wait for a
// thread that may call CloseDevice (it waits for the listener), so a GUI posts, never sends.
struct DeviceEventHandlers {
    // Optional: the slot shown on the host; a switch to it is ignored.
    std::function<int()> currentSlot;
    std::function<void(uint8_t slot)> onProfileSwitch;              // slot 0..4
    std::function<void(uint8_t code, uint8_t value)> onHostAction;  // codes 19 and 22
};

// Idle listener wait: woken at once by a report or by CloseDevice.
inline constexpr Millis kListenerWait{1000};

// How long an exchange waits for another program's exchange with the same mouse: a whole
// write takes under 2 s, and a busy mouse may add 4.5 s of waiting to one reply.
inline constexpr Millis kDeviceLockWait{10000};

class DeviceLink {
  public:
    DeviceLink(HidTransport& transport, Clock& clock);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Opens the first collection with our vendor id, `productId` and the configuration usage.
    [[nodiscard]] bool OpenConfigInterface(uint16_t productId);
    // Opens the first normal-mode collection with the event usage.
    [[nodiscard]] bool OpenEventInterface();
    // Closes both interfaces; stops the listener and waits until it has left its loop (unless
    // called from the listener itself).
    void CloseDevice();

    // Sends a feature report (byte 0 = report id) with the retry rule; `report` is restored
    // to its original bytes before each retry. False when every attempt failed.
    [[nodiscard]] bool SetFeatureReport(std::span<uint8_t> report);
    // Reads a feature report into `report` (zeroed, byte 0 = the wanted id) with the retry
    // rule and the busy-wait. True with a status of 4 in byte 1 is possible after the longest
    // wait; callers check the status byte.
    [[nodiscard]] bool GetFeatureReport(std::span<uint8_t> report);

    // One event read of at most 10 ms; the caller presets code 0 and value 0xFF, which stay
    // when nothing (or an unknown code) arrived.
    void ReadDeviceEvent(uint8_t& code, uint8_t& value);
    // The same with another bound; returns at once when a report arrives or CloseDevice runs.
    // Returns the read's error (kTimeout when nothing came, kDisconnected when the mouse left).
    HidError WaitDeviceEvent(uint8_t& code, uint8_t& value, Millis limit);

    bool configOpen() const { return configOpen_; }
    bool eventOpen() const { return eventOpen_; }
    // Serialises whole configuration exchanges between threads. Exchanges take it through
    // ExchangeLock, which also excludes other programs.
    std::mutex& deviceLock() { return deviceLock_; }
    // Whole exchanges also exclude other programs through the lock file `file`, one per mouse
    // (empty: the threads of this process only). An exchange gives up after waiting `wait` on
    // `waitClock` (null: real time, since the holder is another process).
    void SetProcessLock(std::filesystem::path file, Millis wait = kDeviceLockWait,
                        Clock* waitClock = nullptr);
    std::filesystem::path processLockFile() const;
    Millis processLockWait() const;
    // Why the last exchange ran unprotected against other programs (its lock file could not be
    // made), or why it could not run (another program held the mouse); empty otherwise.
    std::string lockProblem() const;
    // What failed the last exchange beyond a transfer (a write the mouse did not confirm).
    std::string exchangeProblem() const;
    void SetExchangeProblem(std::string problem);
    Clock& clock() { return clock_; }
    HidTransport& transport() { return transport_; }
    // Why the last OpenConfigInterface found nothing.
    OpenProblem lastOpenProblem() const;
    // The last transfer of the current exchange that failed after its retries (for error
    // messages); ok when none did.
    HidStatus lastTransferStatus() const;

    void SetEventHandlers(DeviceEventHandlers handlers);
    // Starts the listener if the event interface is open, handlers are set and none runs.
    bool StartDeviceListener();
    bool listenerRunning() const { return listenerRunning_; }
    // The end of every exchange: CloseDevice, OpenEventInterface, and a listener if it opened.
    void RestartListening();

  private:
    friend class ExchangeLock;
    // A new exchange does not inherit the errors of the last one.
    void ClearExchangeErrors();

    std::unique_ptr<HidDevice> Discover(uint16_t productId, uint16_t usagePage, uint16_t usage,
                                        HidCollectionInfo* found, bool record);
    HidStatus Transfer(bool get, std::span<uint8_t> report);
    bool TransferWithRetry(bool get, std::span<uint8_t> report, std::span<const uint8_t> copy);
    void ListenerLoop(std::shared_ptr<HidDevice> device, size_t inputLength,
                      DeviceEventHandlers handlers);
    void StopListener();
    void JoinListenerLocked();
    static void Dispatch(const DeviceEventHandlers& handlers, uint8_t code, uint8_t value);
    static HidError ReadEventOn(HidDevice& device, size_t inputLength, uint8_t& code,
                                uint8_t& value, Millis limit);

    HidTransport& transport_;
    Clock& clock_;
    std::mutex deviceLock_;

    mutable std::mutex stateMutex_;  // handles, problem, status; never held across a join
    std::unique_ptr<HidDevice> configDevice_;
    std::shared_ptr<HidDevice> eventDevice_;
    size_t eventInputLength_ = kEventReportLength;
    OpenProblem lastProblem_;
    HidStatus lastStatus_;
    std::string exchangeProblem_;
    std::string lockProblem_;
    std::filesystem::path processLockFile_;
    Millis processLockWait_ = kDeviceLockWait;
    Clock* processLockClock_ = nullptr;
    std::atomic<bool> configOpen_{false};
    std::atomic<bool> eventOpen_{false};

    std::mutex lifecycleMutex_;  // listener start and stop
    std::thread listener_;
    std::shared_ptr<HidDevice> listenerDevice_;
    std::atomic<std::thread::id> listenerId_{};
    std::atomic<bool> listenerRunning_{false};
    std::atomic<bool> stopRequested_{false};
    WakeSignal listenerStop_;
    DeviceEventHandlers handlers_;
};

// One whole exchange's hold on the mouse: the link's deviceLock (the threads of this process),
// then its process lock (other programs), waiting for it as SetProcessLock says. Every
// exchange, and the firmware updater from finding the mouse to its reconnect, holds one. A
// thread holding one must not take another on the same lock file: two holds exclude each
// other even in one process.
class ExchangeLock {
  public:
    explicit ExchangeLock(DeviceLink& link);
    ExchangeLock(ExchangeLock&&) = default;
    ExchangeLock& operator=(ExchangeLock&&) = default;
    // False when another program kept the mouse for the whole wait: send nothing then.
    bool held() const { return held_; }
    void Release();

  private:
    std::unique_lock<std::mutex> thread_;
    std::unique_ptr<ProcessLock> process_;
    bool held_ = false;
};

// True when a device-change notice names a normal-mode interface of the mouse: "22D4" (or
// else "22d4") and "1206" each first occur after position 0.
bool IsOurDeviceName(std::string_view name);

}  // namespace z7

#pragma once
// The mouse a front end talks to, chosen the same way by z7ctl and the application: the real
// one through the platform's HID backend, a simulated one whose state lives in a file, or a
// simulator process (`z7ctl sim serve`) reached over a local socket.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/device/device_link.h"
#include "platform/device_monitor.h"
#include "platform/file_system.h"
#include "platform/process_lock.h"

namespace z7 {

class SimMouse;

// "--simulate unix:PATH" names a simulator socket rather than a state file.
inline constexpr char kSimSocketPrefix[] = "unix:";

enum class BackendKind { kReal, kSimFile, kSimSocket };

// The lock file of exchanges with the real mouse: one per user for the mouse model, the same
// in normal and boot mode. Discovery takes the first mouse found, so every program addresses
// the same mouse anyway, and the key must outlast the re-enumeration of a firmware update.
std::filesystem::path RealMouseLockFile();
// The lock file of exchanges with the simulator served at `socketPath`.
std::filesystem::path SimSocketLockFile(const std::string& socketPath);

class MouseBackend {
  public:
    // `simulate` is the --simulate argument (absent: the real mouse). `virtualTime` counts
    // protocol delays instead of waiting (simulated mice only). Exchanges exclude other
    // programs, waiting up to `lockWait` in real time: through a lock file per mouse, or for
    // a state file through its state lock, held as long as the backend lives. Null with
    // `error` set when a state file cannot be read, is held by another program for the whole
    // wait (`busy` set), or the option is unusable.
    static std::unique_ptr<MouseBackend> Create(FileSystem& fs,
                                                const std::optional<std::string>& simulate,
                                                bool virtualTime, std::string& error,
                                                Millis lockWait = kDeviceLockWait,
                                                bool* busy = nullptr);
    ~MouseBackend();
    MouseBackend(const MouseBackend&) = delete;
    MouseBackend& operator=(const MouseBackend&) = delete;

    BackendKind kind() const { return kind_; }
    bool simulated() const { return kind_ != BackendKind::kReal; }
    DeviceLink& link() { return *link_; }
    HidTransport& transport() { return *transport_; }
    Clock& clock() { return *clock_; }
    // The in-process simulated mouse (state-file mode), else null.
    SimMouse* sim() { return sim_.get(); }
    const std::filesystem::path& statePath() const { return statePath_; }
    const std::string& socketPath() const { return socketPath_; }

    // State-file mode: writes the simulated state back (thread-safe); true in other modes.
    [[nodiscard]] bool SaveState(std::string& error);
    // Arrival and removal notices for this backend: udev (or the platform's) for the real
    // mouse, the simulator's own notices over its socket, none for a state file.
    std::unique_ptr<DeviceMonitor> CreateMonitor();

  private:
    explicit MouseBackend(FileSystem& fs);

    FileSystem& fs_;
    BackendKind kind_ = BackendKind::kReal;
    std::filesystem::path statePath_;
    std::string socketPath_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SimMouse> sim_;
    std::unique_ptr<HidTransport> transport_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<ProcessLock> stateLock_;
    std::mutex saveMutex_;
};

}  // namespace z7

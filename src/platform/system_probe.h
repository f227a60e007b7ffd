#pragma once
// What the doctor asks of the operating system: device node permissions, who holds a lock
// file, free space, whether a folder takes new files, and what the desktop session offers.
// Tests hand the doctor a fake.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace z7 {

// A device node as this process sees it.
struct NodeInfo {
    bool exists = false;
    uint32_t uid = 0;
    uint32_t gid = 0;
    uint32_t mode = 0;  // permission bits (0640, ...)
    std::string owner;  // user and group names; empty when unknown
    std::string group;
    uint32_t major = 0;  // device numbers, for the udev database
    uint32_t minor = 0;
    bool readable = false;  // for this process, access control lists included
    bool writable = false;
    std::string error;  // why it could not be looked at
};

// A process that holds a lock.
struct LockHolder {
    long pid = 0;
    std::string program;  // its name, where the system tells
};

// One setting of the pointer page and whether it takes effect here.
struct PointerCapability {
    std::string setting;  // "pointer speed", ...
    bool applied = false;
    std::string note;  // why not, where it does not
};

struct DesktopInfo {
    std::string session;    // "x11", "wayland", "windows", "tty" (no graphical session)
    bool xDisplay = false;  // an X server (or XWayland) is reachable
    bool xtest = false;     // it offers XTest, which typing text blocks needs
    bool tray = false;
    std::string trayKind;           // "StatusNotifierItem", "X11 system tray", "notification area"
    bool globalKeyCapture = false;  // keys pressed in other programs can be captured
    std::vector<PointerCapability> pointer;
};

class SystemProbe {
  public:
    enum class Os { kLinux, kWindows };
    virtual ~SystemProbe() = default;
    virtual Os os() const = 0;
    virtual NodeInfo InspectNode(const std::filesystem::path& node) = 0;
    // The process holding `lockFile` locked, where the system tells (Linux: /proc/locks).
    virtual std::optional<LockHolder> LockHolderOf(const std::filesystem::path& lockFile) = 0;
    virtual uint32_t UserId() = 0;  // 0 where the system has none
    virtual std::string UserName() = 0;
    virtual std::optional<uint64_t> FreeBytes(const std::filesystem::path& folder) = 0;
    // Creates and removes a file of its own in `folder`: the one sure test of writing there.
    virtual bool CanCreateFileIn(const std::filesystem::path& folder, std::string* error) = 0;
    virtual DesktopInfo Desktop() = 0;
};

std::unique_ptr<SystemProbe> CreateSystemProbe();

}  // namespace z7

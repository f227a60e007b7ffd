// The doctor's questions to Linux: stat and access for device nodes, /proc/locks for lock
// holders, the X server and the session bus for the desktop.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/diagnostics/doctor.h"
#include "core/util/text.h"
#include "platform/linux/input_capture_x11.h"
#include "platform/pointer_system.h"
#include "platform/system_probe.h"

namespace z7 {
namespace {

std::string UserNameOf(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return {};
}

std::string GroupNameOf(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->gr_name;
    return {};
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Qt shows its tray icon through a StatusNotifierItem watcher on the session bus where one
// runs.
bool StatusNotifierWatcherRuns() {
    // Without a bus address GIO would start a bus of its own (dbus-launch): only ask one that runs.
    std::error_code ec;
    if (Env("DBUS_SESSION_BUS_ADDRESS").empty() &&
        (Env("XDG_RUNTIME_DIR").empty() ||
         !std::filesystem::exists(std::filesystem::path(Env("XDG_RUNTIME_DIR")) / "bus", ec)))
        return false;
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.kde.StatusNotifierWatcher"),
        G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, &error);
    bool owned = false;
    if (reply) {
        gboolean value = FALSE;
        g_variant_get(reply, "(b)", &value);
        owned = value;
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    g_object_unref(bus);
    return owned;
}

class LinuxSystemProbe final : public SystemProbe {
  public:
    Os os() const override { return Os::kLinux; }

    NodeInfo InspectNode(const std::filesystem::path& node) override {
        NodeInfo info;
        struct stat st {};
        if (stat(node.c_str(), &st) != 0) {
            info.error = std::strerror(errno);
            return info;
        }
        info.exists = true;
        info.uid = st.st_uid;
        info.gid = st.st_gid;
        info.mode = st.st_mode & 07777;
        info.owner = UserNameOf(st.st_uid);
        info.group = GroupNameOf(st.st_gid);
        info.major = major(st.st_rdev);
        info.minor = minor(st.st_rdev);
        // access() honours access control lists (the seat's uaccess) as open() would.
        info.readable = access(node.c_str(), R_OK) == 0;
        info.writable = access(node.c_str(), W_OK) == 0;
        return info;
    }

    std::optional<LockHolder> LockHolderOf(const std::filesystem::path& lockFile) override {
        struct stat st {};
        if (stat(lockFile.c_str(), &st) != 0) return std::nullopt;
        std::ifstream locks("/proc/locks");
        std::string line;
        // "1: FLOCK  ADVISORY  WRITE 4242 08:01:1234 0 EOF": the device numbers in hex.
        while (std::getline(locks, line)) {
            std::istringstream in(line);
            std::string id, type, kind, mode, where;
            long pid = 0;
            if (!(in >> id >> type >> kind >> mode >> pid >> where)) continue;
            unsigned devMajor = 0, devMinor = 0;
            unsigned long inode = 0;
            if (std::sscanf(where.c_str(), "%x:%x:%lu", &devMajor, &devMinor, &inode) != 3)
                continue;
            if (inode != st.st_ino || devMajor != major(st.st_dev) || devMinor != minor(st.st_dev))
                continue;
            LockHolder holder;
            holder.pid = pid;
            std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
            std::getline(comm, holder.program);
            return holder;
        }
        return std::nullopt;
    }

    uint32_t UserId() override { return getuid(); }

    std::string UserName() override {
        std::string name = UserNameOf(getuid());
        if (name.empty()) name = Env("USER");
        return name.empty() ? "uid " + std::to_string(getuid()) : name;
    }

    std::optional<uint64_t> FreeBytes(const std::filesystem::path& folder) override {
        std::error_code ec;
        const auto space = std::filesystem::space(folder, ec);
        if (ec) return std::nullopt;
        return space.available;
    }

    bool CanCreateFileIn(const std::filesystem::path& folder, std::string* error) override {
        const std::filesystem::path probe = folder / (".z7doctor-" + std::to_string(getpid()));
        const int fd = open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (error) *error = std::strerror(errno);
            return false;
        }
        close(fd);
        unlink(probe.c_str());
        return true;
    }

    DesktopInfo Desktop() override {
        DesktopInfo d;
        const bool wayland = IsWaylandSession();
        if (Display* display = Env("DISPLAY").empty() ? nullptr : XOpenDisplay(nullptr)) {
            d.xDisplay = true;
            int opcode = 0, event = 0, error = 0;
            d.xtest = XQueryExtension(display, "XTEST", &opcode, &event, &error);
            const bool record = XQueryExtension(display, "RECORD", &opcode, &event, &error);
            d.globalKeyCapture = !wayland && record;
            const std::string trayName =
                "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
            const Atom tray = XInternAtom(display, trayName.c_str(), True);
            if (tray != None && XGetSelectionOwner(display, tray) != None) {
                d.tray = true;
                d.trayKind = "X11 system tray";
            }
            XCloseDisplay(display);
        }
        if (StatusNotifierWatcherRuns()) {
            d.tray = true;
            d.trayKind = "StatusNotifierItem";
        }
        const std::string type = Env("XDG_SESSION_TYPE");
        if (wayland)
            d.session = "wayland";
        else if (d.xDisplay || type == "x11")
            d.session = "x11";
        else
            d.session = "tty";
        d.pointer = DescribePointerSupport(*CreatePointerSystem());
        return d;
    }
};

}  // namespace

std::unique_ptr<SystemProbe> CreateSystemProbe() {
    return std::make_unique<LinuxSystemProbe>();
}

}  // namespace z7

#pragma once
// The simulated mouse served to other processes over a local (Unix-domain) socket, so that a
// running application can be driven from outside: plugging, unplugging, event reports.
//
// Wire format, both directions: frames of a 32-bit little-endian body length (1..kSimFrameMax)
// followed by the body; body byte 0 is the operation. Every request gets exactly one reply
// frame, except kSimOpCancel (which only ends a pending read) and kSimOpWatch (whose reply is
// followed by one notice frame per plug or unplug). Replies start with a status byte (a
// HidError value for device operations, 0 or 1 for control operations). Strings and byte runs
// are a 16-bit little-endian length followed by the bytes.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/device/hid_transport.h"
#include "platform/device_monitor.h"
#include "sim/sim_mouse.h"
#include "sim/sim_socket_codec.h"

namespace z7 {

enum SimSocketOp : uint8_t {
    kSimOpEnumerate = 1,   // -> status, count, collections
    kSimOpOpen = 2,        // path -> status, message; binds the connection to that collection
    kSimOpSetFeature = 3,  // bytes -> status, message
    kSimOpGetFeature = 4,  // bytes -> status, message, bytes
    kSimOpRead = 5,        // u32 timeout ms, u16 length -> status, message, bytes
    kSimOpCancel = 6,      // ends a pending read with kCancelled
    kSimOpWatch = 7,       // -> status, u8 unplugged; then notices: op 7, u8 (0 plug, 1 unplug)
    kSimOpQueueEvent = 8,  // u8 code, byte 2, byte 3 -> status
    kSimOpGetState = 9,    // -> status, state file bytes (u32 length)
    kSimOpSetState = 10,   // state file bytes -> status (1: damaged)
    kSimOpPlug = 11,       // -> status
    kSimOpUnplug = 12,     // -> status
};

// The device name in notices; it matches IsOurDeviceName.
inline constexpr char kSimSocketDeviceName[] = "sim-socket-22D4-1206";
// How often a monitor looks for a simulator that is not running.
inline constexpr Millis kSimMonitorRetry{1000};
// How long a client waits for a reply beyond the operation's own timeout.
inline constexpr Millis kSimReplyGrace{3000};

// A HID transport whose collections are those of the simulator at `path`. A simulator that is
// not running enumerates nothing.
std::unique_ptr<HidTransport> CreateSimSocketTransport(const std::string& path);
// Notices of the simulator at `path`; its process ending counts as a removal, one starting
// (with the mouse plugged in) as an arrival.
std::unique_ptr<DeviceMonitor> CreateSimSocketMonitor(const std::string& path);

// Control requests for z7ctl: one connection per object.
class SimSocketClient {
  public:
    SimSocketClient();
    ~SimSocketClient();
    SimSocketClient(const SimSocketClient&) = delete;
    SimSocketClient& operator=(const SimSocketClient&) = delete;

    [[nodiscard]] bool Connect(const std::string& path, std::string& error);
    [[nodiscard]] bool QueueEvent(const SimEvent& event, std::string& error);
    [[nodiscard]] bool SetPlugged(bool plugged, std::string& error);
    [[nodiscard]] bool GetState(SimState& state, std::string& error);
    [[nodiscard]] bool SetState(const SimState& state, std::string& error);

  private:
    bool Request(const std::vector<uint8_t>& body, std::vector<uint8_t>& reply, std::string& error);
    int fd_ = -1;
};

// $XDG_RUNTIME_DIR/kesta-z7-sim.sock, else /tmp/kesta-z7-sim-UID.sock.
std::string DefaultSimSocketPath();

// Serves one connected peer on the socket `fd`, which it closes at the end, until the peer
// hangs up, sends what the protocol does not have, or `stop` is set. ServeSimSocket runs one
// per client; the fuzzer hands it one end of a socket pair.
void ServeSimSocketConnection(SimMouse& mouse, int fd, const std::atomic<bool>& stop);

// Serves `mouse` at `path` (any stale socket file there is replaced) until `stop` is set.
// False with `error` when the socket cannot be created.
[[nodiscard]] bool ServeSimSocket(SimMouse& mouse, const std::string& path,
                                  const std::atomic<bool>& stop, std::string& error);

}  // namespace z7

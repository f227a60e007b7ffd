#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>

#include "sim/sim_socket.h"
#include "sim/sim_state_file.h"
#include "sim/sim_transport.h"

namespace z7 {
namespace {

// A server connection looks at its socket this often while it waits for a report.
constexpr Millis kServerSlice{50};
constexpr size_t kMaxConnections = 32;
constexpr size_t kMaxReport = 4096;

int64_t MsLeft(std::chrono::steady_clock::time_point deadline) {
    return std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now()).count();
}

// Waits until `fd` is readable; false on timeout or error.
bool WaitReadable(int fd, int64_t timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int r = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(timeoutMs, 0)));
        if (r < 0 && errno == EINTR) continue;
        return r > 0;
    }
}

bool ReadExact(int fd, uint8_t* data, size_t size, std::chrono::steady_clock::time_point deadline) {
    while (size > 0) {
        if (!WaitReadable(fd, MsLeft(deadline))) return false;
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SendFrame(int fd, const std::vector<uint8_t>& body) {
    const auto header = SimFrameHeader(static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> frame(header.begin(), header.end());
    frame.insert(frame.end(), body.begin(), body.end());
    return WriteAll(fd, frame.data(), frame.size());
}

// One whole frame within `timeoutMs`; false on timeout, a closed socket or a bad length.
bool ReceiveFrame(int fd, std::vector<uint8_t>& body, int64_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + Millis(timeoutMs);
    std::array<uint8_t, kSimFrameHeaderSize> header{};
    if (!ReadExact(fd, header.data(), header.size(), deadline)) return false;
    const uint32_t n = SimFrameLength(header);
    if (n == 0) return false;
    body.resize(n);
    return ReadExact(fd, body.data(), n, deadline);
}

int ConnectTo(const std::string& path, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        error = "socket path too long: " + path;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        error = "connect " + path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

const HidStatus kLost{HidError::kDisconnected, "simulator connection lost"};

// ---- client side ----

class SocketDevice final : public HidDevice {
  public:
    explicit SocketDevice(int fd) : fd_(fd) {
        if (::pipe2(cancel_, O_CLOEXEC | O_NONBLOCK) != 0) cancel_[0] = cancel_[1] = -1;
    }
    ~SocketDevice() override {
        ::close(fd_);
        if (cancel_[0] >= 0) ::close(cancel_[0]);
        if (cancel_[1] >= 0) ::close(cancel_[1]);
    }

    HidStatus SetFeature(std::span<const uint8_t> report) override {
        std::vector<uint8_t> reply;
        if (!Exchange(SimFrameWriter{}.u8(kSimOpSetFeature).run(report).bytes, reply)) return kLost;
        return ParseDeviceReply(reply, nullptr);
    }
    HidStatus GetFeature(std::span<uint8_t> report) override {
        std::vector<uint8_t> reply;
        if (!Exchange(SimFrameWriter{}.u8(kSimOpGetFeature).run(report).bytes, reply)) return kLost;
        std::vector<uint8_t> bytes;
        const HidStatus status = ParseDeviceReply(reply, &bytes);
        if (status.ok())
            std::copy_n(bytes.begin(), std::min(bytes.size(), report.size()), report.begin());
        return status;
    }
    HidStatus ReadInput(std::span<uint8_t> report, Millis timeout, size_t& length) override {
        length = 0;
        if (dead_) return kLost;
        if (TakeCancel()) return {HidError::kCancelled, "read cancelled"};
        const uint16_t wanted = static_cast<uint16_t>(std::min(report.size(), kMaxReport));
        if (!SendFrame(fd_, SimFrameWriter{}
                                .u8(kSimOpRead)
                                .u32(static_cast<uint32_t>(timeout.count()))
                                .u16(wanted)
                                .bytes))
            return Lost();
        pollfd p[2] = {{fd_, POLLIN, 0}, {cancel_[0], POLLIN, 0}};
        const auto deadline = std::chrono::steady_clock::now() + timeout + kSimReplyGrace;
        bool cancelSent = false;
        for (;;) {
            const int r = ::poll(p, cancel_[0] >= 0 && !cancelSent ? 2 : 1,
                                 static_cast<int>(std::max<int64_t>(MsLeft(deadline), 0)));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return Lost();
            if (!cancelSent && (p[1].revents & POLLIN)) {
                TakeCancel();
                if (!SendFrame(fd_, {kSimOpCancel})) return Lost();
                cancelSent = true;
                continue;
            }
            std::vector<uint8_t> reply;
            if (!ReceiveFrame(fd_, reply, kSimReplyGrace.count())) return Lost();
            std::vector<uint8_t> bytes;
            const HidStatus status = ParseDeviceReply(reply, &bytes);
            if (status.ok()) {
                length = std::min(bytes.size(), report.size());
                std::copy_n(bytes.begin(), length, report.begin());
            }
            return status;
        }
    }
    void CancelRead() override {
        const uint8_t one = 1;
        if (cancel_[1] >= 0) (void)!::write(cancel_[1], &one, 1);
    }

  private:
    bool TakeCancel() {
        uint8_t drain[16];
        bool any = false;
        while (cancel_[0] >= 0 && ::read(cancel_[0], drain, sizeof(drain)) > 0) any = true;
        return any;
    }
    HidStatus Lost() {
        dead_ = true;
        return kLost;
    }
    bool Exchange(const std::vector<uint8_t>& body, std::vector<uint8_t>& reply) {
        std::lock_guard lock(mutex_);
        if (dead_ || !SendFrame(fd_, body) || !ReceiveFrame(fd_, reply, kSimReplyGrace.count())) {
            dead_ = true;
            return false;
        }
        return true;
    }

    int fd_;
    int cancel_[2] = {-1, -1};
    std::mutex mutex_;
    std::atomic<bool> dead_{false};
};

class SocketTransport final : public HidTransport {
  public:
    explicit SocketTransport(std::string path) : path_(std::move(path)) {}

    std::vector<HidCollectionInfo> Enumerate() override {
        std::string error;
        const int fd = ConnectTo(path_, error);
        if (fd < 0) return {};
        std::vector<uint8_t> reply;
        std::vector<HidCollectionInfo> out;
        // A damaged reply is no mouse.
        if (SendFrame(fd, {kSimOpEnumerate}) && ReceiveFrame(fd, reply, kSimReplyGrace.count()))
            (void)ParseEnumerateReply(reply, out);
        ::close(fd);
        return out;
    }

    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& collection,
                                    HidStatus& status) override {
        std::string error;
        const int fd = ConnectTo(path_, error);
        if (fd < 0) {
            status = {HidError::kDisconnected, error};
            return nullptr;
        }
        std::vector<uint8_t> reply;
        if (!SendFrame(fd, SimFrameWriter{}.u8(kSimOpOpen).str(collection.path).bytes) ||
            !ReceiveFrame(fd, reply, kSimReplyGrace.count())) {
            ::close(fd);
            status = kLost;
            return nullptr;
        }
        status = ParseDeviceReply(reply, nullptr);
        if (!status.ok()) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<SocketDevice>(fd);
    }

    std::vector<uint8_t> StoredImage(uint8_t slot) override {
        SimSocketClient client;
        SimState state;
        std::string error;
        if (!client.Connect(path_, error) || !client.GetState(state, error) ||
            slot >= state.slots.size())
            return {};
        return {state.slots[slot].begin(), state.slots[slot].end()};
    }

  private:
    std::string path_;
};

// Watches the simulator; while none runs it looks again once a second, so that a program
// started before its simulator still sees the mouse arrive.
class SocketMonitor final : public DeviceMonitor {
  public:
    explicit SocketMonitor(std::string path) : path_(std::move(path)) {}
    ~SocketMonitor() override { Stop(); }

    bool Start(Callback callback) override {
        if (thread_.joinable() || ::pipe2(stop_, O_CLOEXEC) != 0) return false;
        // Subscribed before returning, so that no change after Start goes unseen.
        bool plugged = false;
        const int fd = Subscribe(plugged);
        thread_ = std::thread([this, fd, callback = std::move(callback)] { Loop(fd, callback); });
        return true;
    }
    void Stop() override {
        if (thread_.joinable()) {
            const uint8_t one = 1;
            (void)!::write(stop_[1], &one, 1);
            thread_.join();
        }
        for (int* fd : {&stop_[0], &stop_[1]}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
    }

  private:
    // True when stopped during the wait.
    bool StopWithin(int64_t ms) { return WaitReadable(stop_[0], ms); }

    // Connects and subscribes; -1 when no simulator answers. `plugged` from its reply.
    int Subscribe(bool& plugged) {
        std::string error;
        const int fd = ConnectTo(path_, error);
        if (fd < 0) return -1;
        std::vector<uint8_t> reply;
        bool unplugged = false;
        if (!SendFrame(fd, {kSimOpWatch}) || !ReceiveFrame(fd, reply, kSimReplyGrace.count()) ||
            !ParseWatchReply(reply, unplugged)) {
            ::close(fd);
            return -1;
        }
        plugged = !unplugged;
        return fd;
    }

    void Loop(int fd, const Callback& callback) {
        for (;;) {
            if (fd < 0) {
                if (StopWithin(kSimMonitorRetry.count())) return;
                bool plugged = false;
                fd = Subscribe(plugged);
                if (fd < 0) continue;
                // A simulator that appears is a mouse plugged in. (One found at the start needs
                // no notice: the program's first refresh looks for itself.)
                if (plugged) callback(DeviceChange::kArrival, kSimSocketDeviceName);
            }
            const bool stopped = Follow(fd, callback);
            ::close(fd);
            fd = -1;
            if (stopped) return;
        }
    }

    // Passes notices on until the simulator goes (a removal) or Stop; true for Stop.
    bool Follow(int fd, const Callback& callback) {
        pollfd p[2] = {{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        for (;;) {
            const int r = ::poll(p, 2, -1);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 || (p[1].revents & POLLIN)) return true;
            std::vector<uint8_t> notice;
            if (!ReceiveFrame(fd, notice, kSimReplyGrace.count())) {
                // The simulator went away: for the program that is the mouse leaving.
                callback(DeviceChange::kRemoval, kSimSocketDeviceName);
                return false;
            }
            bool unplugged = false;
            if (ParseWatchNotice(notice, unplugged))
                callback(unplugged ? DeviceChange::kRemoval : DeviceChange::kArrival,
                         kSimSocketDeviceName);
        }
    }

    std::string path_;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

// ---- server side ----

class Connection {
  public:
    Connection(int fd, SimMouse& mouse, SimTransport& transport, const std::atomic<bool>& stop)
        : fd_(fd), mouse_(mouse), transport_(transport), stop_(stop) {}
    ~Connection() { ::close(fd_); }

    void Serve() {
        while (!stop_) {
            if (watching_ && !Notify()) break;
            if (!WaitReadable(fd_, kServerSlice.count())) continue;
            std::vector<uint8_t> body;
            if (!ReceiveFrame(fd_, body, kSimReplyGrace.count()) || !Handle(body)) break;
        }
        done_ = true;
    }
    bool done() const { return done_; }

  private:
    bool Notify() {
        bool unplugged = false;
        mouse_.Update([&](SimState& s) { unplugged = s.unplugged; });
        if (unplugged == lastUnplugged_) return true;
        lastUnplugged_ = unplugged;
        return SendFrame(fd_, {kSimOpWatch, static_cast<uint8_t>(unplugged ? 1 : 0)});
    }

    bool Reply(HidStatus status, std::span<const uint8_t> bytes = {}) {
        return SendFrame(fd_, EncodeDeviceReply(status, bytes));
    }

    bool Handle(const std::vector<uint8_t>& body) {
        SimFrameReader r{body};
        const uint8_t op = r.u8();
        switch (op) {
            case kSimOpEnumerate:
                return SendFrame(fd_, EncodeEnumerateReply(transport_.Enumerate()));
            case kSimOpOpen: {
                const std::string path = r.str();
                if (!r.ok || device_) return false;
                HidCollectionInfo c;
                c.path = path;
                HidStatus status;
                device_ = transport_.Open(c, status);
                return Reply(status);
            }
            case kSimOpSetFeature: {
                const std::vector<uint8_t> report = r.run();
                if (!r.ok || !device_ || report.empty()) return false;
                return Reply(device_->SetFeature(report));
            }
            case kSimOpGetFeature: {
                std::vector<uint8_t> report = r.run();
                if (!r.ok || !device_ || report.empty()) return false;
                const HidStatus status = device_->GetFeature(report);
                return Reply(status, report);
            }
            case kSimOpRead: {
                const uint32_t timeout = r.u32();
                const uint16_t length = r.u16();
                if (!r.ok || !device_ || length == 0 || length > kMaxReport) return false;
                return ServeRead(Millis(timeout), length);
            }
            case kSimOpCancel:
                return true;  // no read pending: nothing to end
            case kSimOpWatch:
                watching_ = true;
                mouse_.Update([&](SimState& s) { lastUnplugged_ = s.unplugged; });
                return SendFrame(fd_, {0, static_cast<uint8_t>(lastUnplugged_ ? 1 : 0)});
            case kSimOpQueueEvent: {
                SimEvent e;
                e.code = r.u8();
                e.byte2 = r.u8();
                e.byte3 = r.u8();
                if (!r.ok) return false;
                mouse_.QueueEvent(e);
                return SendFrame(fd_, {0});
            }
            case kSimOpGetState:
                return SendFrame(fd_, EncodeStateReply(mouse_.state()));
            case kSimOpSetState: {
                SimState state;
                const std::span<const uint8_t> bytes(body.data() + 1, body.size() - 1);
                if (!LoadSimState(bytes, state)) return SendFrame(fd_, {1});
                // Open handles stay valid unless the plug state changes, so that faults can be
                // injected into a program while it runs.
                const bool unplug = state.unplugged;
                bool wasUnplugged = false;
                mouse_.Update([&](SimState& s) {
                    wasUnplugged = s.unplugged;
                    s = std::move(state);
                    s.unplugged = wasUnplugged;
                });
                if (unplug != wasUnplugged) unplug ? mouse_.Unplug() : mouse_.Plug();
                return SendFrame(fd_, {0});
            }
            case kSimOpPlug:
                mouse_.Plug();
                return SendFrame(fd_, {0});
            case kSimOpUnplug:
                mouse_.Unplug();
                return SendFrame(fd_, {0});
            default:
                return false;  // a peer that speaks something else is dropped
        }
    }

    // Waits for a report in slices, so that a cancel from the client is seen meanwhile.
    bool ServeRead(Millis timeout, uint16_t length) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::vector<uint8_t> report(length);
        for (;;) {
            const Millis slice = std::clamp(Millis(MsLeft(deadline)), Millis(0), kServerSlice);
            size_t got = 0;
            const HidStatus status = device_->ReadInput(report, slice, got);
            if (status.error != HidError::kTimeout || MsLeft(deadline) <= 0 || stop_) {
                return Reply(status, std::span<const uint8_t>(report.data(), got));
            }
            if (WaitReadable(fd_, 0)) {
                std::vector<uint8_t> body;
                if (!ReceiveFrame(fd_, body, kSimReplyGrace.count()) || body.size() != 1 ||
                    body[0] != kSimOpCancel)
                    return false;
                return Reply({HidError::kCancelled, "read cancelled"});
            }
        }
    }

    int fd_;
    SimMouse& mouse_;
    SimTransport& transport_;
    const std::atomic<bool>& stop_;
    std::unique_ptr<HidDevice> device_;
    bool watching_ = false;
    bool lastUnplugged_ = false;
    std::atomic<bool> done_{false};
};

}  // namespace

std::string DefaultSimSocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/kesta-z7-sim.sock";
    return "/tmp/kesta-z7-sim-" + std::to_string(::getuid()) + ".sock";
}

std::unique_ptr<HidTransport> CreateSimSocketTransport(const std::string& path) {
    return std::make_unique<SocketTransport>(path);
}

std::unique_ptr<DeviceMonitor> CreateSimSocketMonitor(const std::string& path) {
    return std::make_unique<SocketMonitor>(path);
}

SimSocketClient::SimSocketClient() = default;

SimSocketClient::~SimSocketClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool SimSocketClient::Connect(const std::string& path, std::string& error) {
    fd_ = ConnectTo(path, error);
    if (fd_ < 0) error = "no simulator at " + path + " (" + error + ")";
    return fd_ >= 0;
}

bool SimSocketClient::Request(const std::vector<uint8_t>& body, std::vector<uint8_t>& reply,
                              std::string& error) {
    if (fd_ < 0 || !SendFrame(fd_, body) || !ReceiveFrame(fd_, reply, kSimReplyGrace.count()) ||
        reply.empty()) {
        error = "the simulator did not answer";
        return false;
    }
    if (reply[0] != 0) {
        error = "the simulator refused the request";
        return false;
    }
    return true;
}

bool SimSocketClient::QueueEvent(const SimEvent& e, std::string& error) {
    std::vector<uint8_t> reply;
    return Request({kSimOpQueueEvent, e.code, e.byte2, e.byte3}, reply, error);
}

bool SimSocketClient::SetPlugged(bool plugged, std::string& error) {
    std::vector<uint8_t> reply;
    return Request({plugged ? kSimOpPlug : kSimOpUnplug}, reply, error);
}

bool SimSocketClient::GetState(SimState& state, std::string& error) {
    std::vector<uint8_t> reply;
    if (!Request({kSimOpGetState}, reply, error)) return false;
    if (!ParseStateReply(reply, state)) {
        error = "the simulator sent a damaged state";
        return false;
    }
    return true;
}

bool SimSocketClient::SetState(const SimState& state, std::string& error) {
    std::vector<uint8_t> body{kSimOpSetState};
    const std::vector<uint8_t> bytes = SaveSimState(state);
    body.insert(body.end(), bytes.begin(), bytes.end());
    std::vector<uint8_t> reply;
    return Request(body, reply, error);
}

void ServeSimSocketConnection(SimMouse& mouse, int fd, const std::atomic<bool>& stop) {
    SimTransport transport(mouse);
    Connection(fd, mouse, transport, stop).Serve();
}

bool ServeSimSocket(SimMouse& mouse, const std::string& path, const std::atomic<bool>& stop,
                    std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        error = "unusable socket path: " + path;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    ::unlink(path.c_str());
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 8) != 0) {
        error = "bind " + path + ": " + std::strerror(errno);
        ::close(listener);
        return false;
    }
    SimTransport transport(mouse);
    struct Running {
        std::unique_ptr<Connection> connection;
        std::thread thread;
    };
    std::list<Running> running;
    auto reap = [&](bool all) {
        for (auto it = running.begin(); it != running.end();) {
            if (all || it->connection->done()) {
                it->thread.join();
                it = running.erase(it);
            } else {
                ++it;
            }
        }
    };
    while (!stop) {
        reap(false);
        if (!WaitReadable(listener, 100)) continue;
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (running.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>(fd, mouse, transport, stop);
        Connection* c = connection.get();
        running.push_back({std::move(connection), std::thread([c] { c->Serve(); })});
    }
    reap(true);
    ::close(listener);
    ::unlink(path.c_str());
    return true;
}

}  // namespace z7

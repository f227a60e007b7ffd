#include "sim/mouse_backend.h"

#include <cstdio>

#include "core/util/text.h"
#include "platform/device_lock.h"
#include "platform/hid_backend.h"
#include "sim/sim_mouse.h"
#include "sim/sim_socket.h"
#include "sim/sim_state_store.h"
#include "sim/sim_transport.h"

namespace z7 {

std::filesystem::path RealMouseLockFile() {
    return DeviceLockFolder() / "mouse-22d4-1206.lock";
}

std::filesystem::path SimSocketLockFile(const std::string& socketPath) {
    std::error_code ec;
    std::filesystem::path where = std::filesystem::weakly_canonical(PathFromUtf8(socketPath), ec);
    if (ec) where = std::filesystem::absolute(PathFromUtf8(socketPath), ec).lexically_normal();
    // FNV-1a: a short, stable name for any socket path.
    uint64_t hash = 14695981039346656037ull;
    for (char c : PathToUtf8(where)) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 1099511628211ull;
    }
    char name[40];
    std::snprintf(name, sizeof name, "sim-%016llx.lock", static_cast<unsigned long long>(hash));
    return DeviceLockFolder() / name;
}

std::unique_ptr<MouseBackend> MouseBackend::Create(FileSystem& fs,
                                                   const std::optional<std::string>& simulate,
                                                   bool virtualTime, std::string& error,
                                                   Millis lockWait, bool* busy) {
    if (busy) *busy = false;
    if (virtualTime && !simulate) {
        error = "--virtual-time needs --simulate";
        return nullptr;
    }
    std::unique_ptr<MouseBackend> b(new MouseBackend(fs));
    if (virtualTime)
        b->clock_ = std::make_unique<VirtualClock>();
    else
        b->clock_ = std::make_unique<SystemClock>();
    std::filesystem::path exchangeLock;
    if (!simulate) {
        b->transport_ = CreateSystemHidTransport();
        exchangeLock = RealMouseLockFile();
    } else if (simulate->rfind(kSimSocketPrefix, 0) == 0) {
        b->kind_ = BackendKind::kSimSocket;
        b->socketPath_ = simulate->substr(sizeof(kSimSocketPrefix) - 1);
        if (b->socketPath_.empty()) {
            error = "--simulate unix: needs the simulator's socket path";
            return nullptr;
        }
        b->transport_ = CreateSimSocketTransport(b->socketPath_);
        exchangeLock = SimSocketLockFile(b->socketPath_);
    } else {
        b->kind_ = BackendKind::kSimFile;
        b->statePath_ = PathFromUtf8(*simulate);
        // The whole run is one read and one write of the state: no other program may change
        // it in between, and this lock also keeps the exchanges to one program.
        LockAttempt held = LockSimState(b->statePath_, lockWait, DefaultClock(), &error);
        if (held.status == LockStatus::kBusy) {
            if (busy) *busy = true;
            return nullptr;
        }
        b->stateLock_ = std::move(held.lock);  // without a lock file it still works alone
        SimState state;
        if (!ReadSimStateFile(fs, b->statePath_, state, error)) return nullptr;
        b->sim_ = std::make_unique<SimMouse>(*b->clock_, std::move(state));
        b->transport_ = std::make_unique<SimTransport>(*b->sim_);
    }
    b->link_ = std::make_unique<DeviceLink>(*b->transport_, *b->clock_);
    if (!exchangeLock.empty()) b->link_->SetProcessLock(exchangeLock, lockWait);
    error.clear();
    return b;
}

MouseBackend::MouseBackend(FileSystem& fs) : fs_(fs) {}

MouseBackend::~MouseBackend() {
    if (link_) link_->CloseDevice();
}

bool MouseBackend::SaveState(std::string& error) {
    if (kind_ != BackendKind::kSimFile) return true;
    std::lock_guard lock(saveMutex_);
    return WriteSimStateFile(fs_, statePath_, sim_->state(), error);
}

std::unique_ptr<DeviceMonitor> MouseBackend::CreateMonitor() {
    switch (kind_) {
        case BackendKind::kReal:
            return CreateDeviceMonitor();
        case BackendKind::kSimSocket:
            return CreateSimSocketMonitor(socketPath_);
        case BackendKind::kSimFile:
            break;
    }
    return nullptr;
}

}  // namespace z7

#include "sim/mouse_backend.h"

#include "core/util/text.h"
#include "platform/hid_backend.h"
#include "sim/sim_mouse.h"
#include "sim/sim_socket.h"
#include "sim/sim_state_store.h"
#include "sim/sim_transport.h"

namespace z7 {

std::unique_ptr<MouseBackend> MouseBackend::Create(FileSystem& fs,
                                                   const std::optional<std::string>& simulate,
                                                   bool virtualTime, std::string& error) {
    if (virtualTime && !simulate) {
        error = "--virtual-time needs --simulate";
        return nullptr;
    }
    std::unique_ptr<MouseBackend> b(new MouseBackend(fs));
    if (virtualTime)
        b->clock_ = std::make_unique<VirtualClock>();
    else
        b->clock_ = std::make_unique<SystemClock>();
    if (!simulate) {
        b->transport_ = CreateSystemHidTransport();
    } else if (simulate->rfind(kSimSocketPrefix, 0) == 0) {
        b->kind_ = BackendKind::kSimSocket;
        b->socketPath_ = simulate->substr(sizeof(kSimSocketPrefix) - 1);
        if (b->socketPath_.empty()) {
            error = "--simulate unix: needs the simulator's socket path";
            return nullptr;
        }
        b->transport_ = CreateSimSocketTransport(b->socketPath_);
    } else {
        b->kind_ = BackendKind::kSimFile;
        b->statePath_ = PathFromUtf8(*simulate);
        SimState state;
        if (!ReadSimStateFile(fs, b->statePath_, state, error)) return nullptr;
        b->sim_ = std::make_unique<SimMouse>(*b->clock_, std::move(state));
        b->transport_ = std::make_unique<SimTransport>(*b->sim_);
    }
    b->link_ = std::make_unique<DeviceLink>(*b->transport_, *b->clock_);
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

#pragma once
// The mouse a z7ctl command talks to: the real one through the platform's HID backend, or the
// simulated one kept in the --simulate state file (written back when the session ends), or a
// simulator process reached over a socket (--simulate unix:PATH).
#include <memory>
#include <optional>

#include "cli/cli.h"
#include "core/device/device_exchanges.h"
#include "core/device/device_link.h"
#include "sim/mouse_backend.h"
#include "sim/sim_mouse.h"

namespace z7::cli {

class DeviceSession {
  public:
    explicit DeviceSession(Context& ctx);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    DeviceLink& link() { return backend_->link(); }
    HidTransport& transport() { return backend_->transport(); }
    Clock& clock() { return backend_->clock(); }
    // The in-process simulated mouse of --simulate STATE; null otherwise.
    SimMouse* sim() { return backend_->sim(); }
    MouseBackend& backend() { return *backend_; }
    // Writes the simulated state back; a failure is a CliError.
    void Save();
    // Turns a failed exchange into the exit code and message of the contract.
    void Check(ExchangeResult result);
    // The "no mouse" error, with the permission hint when the mouse was seen but refused, and
    // the way out when it waits in its boot loader.
    [[noreturn]] void ThrowNoMouse();
    // Another program kept the mouse for the whole wait.
    [[noreturn]] void ThrowBusy();

  private:
    Context& ctx_;
    std::unique_ptr<MouseBackend> backend_;
    bool saved_ = false;
    bool lockWarned_ = false;
};

// Runs `body` with a session and saves the simulated state afterwards, also when body fails.
int WithDevice(Context& ctx, const std::function<int(DeviceSession&)>& body);

}  // namespace z7::cli

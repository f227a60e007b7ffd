#pragma once
// The mouse a z7ctl command talks to: the real one through the platform's HID backend, or the
// simulated one kept in the --simulate state file (written back when the session ends).
#include <memory>
#include <optional>

#include "cli/cli.h"
#include "core/device/device_exchanges.h"
#include "core/device/device_link.h"
#include "sim/sim_mouse.h"

namespace z7::cli {

class DeviceSession {
  public:
    explicit DeviceSession(Context& ctx);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    DeviceLink& link() { return *link_; }
    HidTransport& transport() { return *transport_; }
    Clock& clock() { return *clock_; }
    // Null without --simulate.
    SimMouse* sim() { return sim_.get(); }
    // Writes the simulated state back; a failure is a CliError.
    void Save();
    // Turns a failed exchange into the exit code and message of the contract.
    void Check(ExchangeResult result);
    // The "no mouse" error, with the permission hint when the mouse was seen but refused.
    [[noreturn]] void ThrowNoMouse();

  private:
    Context& ctx_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SimMouse> sim_;
    std::unique_ptr<HidTransport> transport_;
    std::unique_ptr<DeviceLink> link_;
    bool saved_ = false;
};

// Runs `body` with a session and saves the simulated state afterwards, also when body fails.
int WithDevice(Context& ctx, const std::function<int(DeviceSession&)>& body);

}  // namespace z7::cli

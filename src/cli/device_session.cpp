#include "cli/device_session.h"

#include "platform/hid_backend.h"
#include "sim/sim_factory.h"
#include "sim/sim_state_file.h"
#include "sim/sim_transport.h"

namespace z7::cli {

DeviceSession::DeviceSession(Context& ctx) : ctx_(ctx) {
    if (ctx.virtualTime && !ctx.simulateState)
        throw CliError(kExitUsage, "--virtual-time needs --simulate");
    if (ctx.virtualTime)
        clock_ = std::make_unique<VirtualClock>();
    else
        clock_ = std::make_unique<SystemClock>();
    if (ctx.simulateState) {
        SimState state;
        if (ctx.fs.Exists(*ctx.simulateState)) {
            std::vector<uint8_t> bytes;
            std::string error;
            if (!ctx.fs.ReadFile(*ctx.simulateState, bytes, kSimStateMaxBytes, &error))
                throw CliError(kExitBadInput, "cannot read the simulator state " +
                                                  ctx.simulateState->string() + ": " + error);
            if (!LoadSimState(bytes, state))
                throw CliError(kExitBadInput, "the simulator state " + ctx.simulateState->string() +
                                                  " is damaged");
        } else {
            state = FactorySimState();
        }
        sim_ = std::make_unique<SimMouse>(*clock_, std::move(state));
        transport_ = std::make_unique<SimTransport>(*sim_);
    } else {
        transport_ = CreateSystemHidTransport();
    }
    link_ = std::make_unique<DeviceLink>(*transport_, *clock_);
}

DeviceSession::~DeviceSession() {
    link_->CloseDevice();
}

void DeviceSession::Save() {
    if (!sim_ || saved_) return;
    saved_ = true;
    link_->CloseDevice();
    const std::vector<uint8_t> bytes = SaveSimState(sim_->state());
    const std::filesystem::path& path = *ctx_.simulateState;
    std::filesystem::path temp = path;
    temp += ".tmp";
    std::string error;
    if (!ctx_.fs.WriteFile(temp, bytes, &error) || !ctx_.fs.Rename(temp, path, &error))
        throw CliError(kExitBadInput,
                       "cannot write the simulator state " + path.string() + ": " + error);
}

void DeviceSession::ThrowNoMouse() {
    const OpenProblem problem = link_->lastOpenProblem();
    if (problem.outcome == OpenOutcome::kAccessDenied) {
        std::string message =
            "the mouse was found at " + problem.path + " but may not be opened (permission denied)";
        const std::string hint = sim_ ? std::string() : DeviceAccessHint();
        if (!hint.empty()) message += "; " + hint;
        throw CliError(kExitNoMouse, message);
    }
    if (problem.outcome == OpenOutcome::kOpenFailed)
        throw CliError(kExitNoMouse,
                       "the mouse was found but could not be opened: " + problem.message);
    throw CliError(kExitNoMouse, "no mouse found");
}

void DeviceSession::Check(ExchangeResult result) {
    switch (result) {
        case ExchangeResult::kOk:
            return;
        case ExchangeResult::kNoDevice:
        case ExchangeResult::kNoAccess:
            ThrowNoMouse();
        case ExchangeResult::kCommandFailed: {
            const HidStatus status = link_->lastTransferStatus();
            std::string message = "a device command failed";
            if (!status.ok()) message += " (" + status.message + ")";
            throw CliError(kExitDeviceFailed, message);
        }
    }
}

int WithDevice(Context& ctx, const std::function<int(DeviceSession&)>& body) {
    DeviceSession session(ctx);
    int code = kExitOk;
    try {
        code = body(session);
    } catch (const CliError&) {
        session.Save();
        throw;
    }
    session.Save();
    return code;
}

}  // namespace z7::cli

#include "cli/device_session.h"

#include "core/util/text.h"
#include "platform/hid_backend.h"

namespace z7::cli {

DeviceSession::DeviceSession(Context& ctx) : ctx_(ctx) {
    std::optional<std::string> simulate;
    if (ctx.simulateState) simulate = PathToUtf8(*ctx.simulateState);
    if (ctx.virtualTime && !simulate) throw CliError(kExitUsage, "--virtual-time needs --simulate");
    std::string error;
    backend_ = MouseBackend::Create(ctx.fs, simulate, ctx.virtualTime, error);
    if (!backend_) throw CliError(kExitBadInput, error);
}

DeviceSession::~DeviceSession() {
    backend_->link().CloseDevice();
}

void DeviceSession::Save() {
    if (saved_) return;
    saved_ = true;
    backend_->link().CloseDevice();
    std::string error;
    if (!backend_->SaveState(error)) throw CliError(kExitBadInput, error);
}

void DeviceSession::ThrowNoMouse() {
    const OpenProblem problem = link().lastOpenProblem();
    if (problem.outcome == OpenOutcome::kAccessDenied) {
        std::string message =
            "the mouse was found at " + problem.path + " but may not be opened (permission denied)";
        const std::string hint = backend_->simulated() ? std::string() : DeviceAccessHint();
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
            const HidStatus status = link().lastTransferStatus();
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

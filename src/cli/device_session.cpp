#include "cli/device_session.h"

#include "core/util/text.h"
#include "platform/hid_backend.h"

namespace z7::cli {

DeviceSession::DeviceSession(Context& ctx) : ctx_(ctx) {
    std::optional<std::string> simulate;
    if (ctx.simulateState) simulate = PathToUtf8(*ctx.simulateState);
    if (ctx.virtualTime && !simulate) throw CliError(kExitUsage, "--virtual-time needs --simulate");
    std::string error;
    bool busy = false;
    backend_ =
        MouseBackend::Create(ctx.fs, simulate, ctx.virtualTime, error, ctx.DeviceWait(), &busy);
    if (busy) throw CliError(kExitDeviceFailed, error);
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
    // A mouse whose firmware update was cut short answers only in its boot loader.
    for (const HidCollectionInfo& c : transport().Enumerate())
        if (c.vendorId == kVendorId && c.productId == kProductBoot &&
            c.usagePage == kConfigUsagePage && c.usage == kConfigUsage)
            throw CliError(kExitNoMouse,
                           "the mouse is in its boot loader (a firmware update did not finish); "
                           "`z7ctl firmware update` writes the firmware again and brings it back");
    throw CliError(kExitNoMouse, "no mouse found");
}

void DeviceSession::ThrowBusy() {
    const long long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(link().processLockWait()).count();
    throw CliError(kExitDeviceFailed, "another program is using the mouse (waited " +
                                          std::to_string(seconds) +
                                          " s); try again when it has finished");
}

void DeviceSession::Check(ExchangeResult result) {
    if (result != ExchangeResult::kBusy && !link().lockProblem().empty() && !lockWarned_) {
        lockWarned_ = true;
        ctx_.err << "z7ctl: warning: other programs were not kept away from the mouse: "
                 << link().lockProblem() << '\n';
    }
    switch (result) {
        case ExchangeResult::kOk:
            return;
        case ExchangeResult::kNoDevice:
        case ExchangeResult::kNoAccess:
            ThrowNoMouse();
        case ExchangeResult::kBusy:
            ThrowBusy();
        case ExchangeResult::kCommandFailed: {
            std::string message = "a device command failed";
            const std::string problem = link().exchangeProblem();
            const HidStatus status = link().lastTransferStatus();
            if (!problem.empty())
                message += ": " + problem;
            else if (!status.ok())
                message += " (" + status.message + ")";
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

// z7ctl devices | info | apply | activate | erase | calibrate | listen
#include <atomic>
#include <csignal>
#include <sstream>

#include "cli/cli.h"
#include "cli/device_session.h"
#include "core/buttons/host_action.h"
#include "core/device/device_commands.h"
#include "platform/host_actions.h"

namespace z7::cli {
namespace {

std::string Hex4(uint16_t v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) s += kDigits[(v >> shift) & 0xF];
    return s;
}

std::string CodeText(const std::array<uint8_t, 4>& code) {
    std::string s;
    for (uint8_t c : code) s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return s;
}

uint8_t SlotArg(Context& ctx) {
    return static_cast<uint8_t>(ParseSlot(ctx.TakeArg("SLOT")));
}

int RunDevices(Context& ctx) {
    ctx.ExpectNoMoreArgs();
    return WithDevice(ctx, [&](DeviceSession& session) {
        Json list = Json::array();
        std::ostringstream text;
        for (const HidCollectionInfo& c : session.transport().Enumerate()) {
            // The collections discovery matches; the mouse's standard pointer collection is not
            // one.
            const bool config = c.usagePage == kConfigUsagePage && c.usage == kConfigUsage;
            const bool events = c.usagePage == kEventUsagePage && c.usage == kEventUsage;
            if (c.vendorId != kVendorId ||
                (c.productId != kProductNormal && c.productId != kProductBoot) ||
                !(config || events))
                continue;
            const char* mode = c.productId == kProductNormal ? "normal" : "boot";
            list.push(Json::object()
                          .set("path", c.path)
                          .set("vendorId", int{c.vendorId})
                          .set("productId", int{c.productId})
                          .set("usagePage", int{c.usagePage})
                          .set("usage", int{c.usage})
                          .set("mode", mode));
            text << c.path << "  " << Hex4(c.vendorId) << ':' << Hex4(c.productId) << "  usage "
                 << Hex4(c.usagePage) << '/' << Hex4(c.usage) << "  " << mode << '\n';
        }
        std::string out = text.str();
        if (out.empty()) out = "no mouse found\n";
        ctx.Print(list, out);
        return kExitOk;
    });
}

std::string VersionText(uint16_t v) {
    const unsigned hundredths = v % 100u;
    return std::to_string(v / 100u) + (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
}

int RunInfo(Context& ctx) {
    ctx.ExpectNoMoreArgs();
    return WithDevice(ctx, [&](DeviceSession& session) {
        DeviceLink& link = session.link();
        DeviceInfo info;
        const ExchangeResult result = RefreshFromDevice(link, info, true);
        if (result == ExchangeResult::kNoDevice) {
            // A mouse left in its boot loader answers only there.
            ExchangeLock lock(link);
            if (!lock.held()) session.ThrowBusy();
            if (link.OpenConfigInterface(kProductBoot)) {
                std::array<uint8_t, 4> code{};
                const bool haveCode = ReadBootCode(link, code) == kResultOk;
                link.CloseDevice();
                ctx.Print(Json::object()
                              .set("mode", "boot")
                              .set("deviceCode", haveCode ? Json(CodeText(code)) : Json()),
                          "mode: boot loader\ndevice code: " + (haveCode ? CodeText(code) : "-"));
                return kExitOk;
            }
        }
        session.Check(result);
        const std::string version =
            info.firmwareVersion ? VersionText(*info.firmwareVersion) : "-.--";
        const std::string code = info.deviceCode ? CodeText(*info.deviceCode) : "";
        Json j = Json::object()
                     .set("firmwareVersion", version)
                     .set("activeSlot", info.activeSlot ? Json(int{*info.activeSlot}) : Json())
                     .set("deviceCode", code);
        ctx.Print(j, "firmware version: " + version + "\nactive slot: " +
                         (info.activeSlot ? std::to_string(*info.activeSlot) : "-") +
                         "\ndevice code: " + code);
        // What could be read is shown, but a mouse that did not answer is not a success.
        if (!info.firmwareVersion || !info.activeSlot) {
            const char* missing = !info.firmwareVersion && !info.activeSlot
                                      ? "its firmware version and active slot"
                                  : !info.firmwareVersion ? "its firmware version"
                                                          : "its active slot";
            std::string message = std::string("the mouse did not report ") + missing;
            const HidStatus status = link.lastTransferStatus();
            if (!status.ok()) message += " (" + status.message + ")";
            throw CliError(kExitDeviceFailed, message);
        }
        return kExitOk;
    });
}

int RunApply(Context& ctx) {
    const bool sensor = ctx.TakeFlag("--sensor");
    const bool lighting = ctx.TakeFlag("--lighting");
    const uint8_t slot = SlotArg(ctx);
    ctx.ExpectNoMoreArgs();
    if (sensor && lighting)
        throw CliError(kExitUsage, "--sensor and --lighting exclude each other");
    LoadedProfiles p = LoadProfiles(ctx);
    ctx.ReleaseDataLock();
    const ProfileRecord& profile = p.set[slot];
    if (!sensor && !lighting) {
        const size_t entries = TotalEntries(BuildDeviceRecord(profile));
        if (entries > kMaxImageEntries)
            throw CliError(kExitDeviceFailed,
                           "the image was refused: its buttons hold " + std::to_string(entries) +
                               " macro entries (at most " + std::to_string(kMaxImageEntries) + ")");
    }
    return WithDevice(ctx, [&](DeviceSession& session) {
        const ExchangeResult r = sensor     ? WriteSensorExchange(session.link(), profile)
                                 : lighting ? WriteLightingExchange(session.link(), profile)
                                            : WriteAllExchange(session.link(), profile);
        session.Check(r);
        const char* kind = sensor ? "sensor" : lighting ? "lighting" : "image";
        ctx.Print(
            Json::object().set("slot", int{slot}).set("written", kind),
            std::string("slot ") + std::to_string(slot) + ": " + kind + " written and activated");
        return kExitOk;
    });
}

int RunSlotCommand(Context& ctx, bool erase) {
    const uint8_t slot = SlotArg(ctx);
    ctx.ExpectNoMoreArgs();
    return WithDevice(ctx, [&](DeviceSession& session) {
        session.Check(erase ? DeleteOnMouseExchange(session.link(), slot)
                            : ActivateExchange(session.link(), slot));
        ctx.Print(Json::object().set("slot", int{slot}).set(erase ? "erased" : "activated", true),
                  std::string("slot ") + std::to_string(slot) + (erase ? " erased" : " activated"));
        return kExitOk;
    });
}

int RunCalibrate(Context& ctx) {
    ctx.ExpectNoMoreArgs();
    return WithDevice(ctx, [&](DeviceSession& session) {
        session.Check(CalibrateExchange(session.link()));
        ctx.Print(Json::object().set("calibrated", true), "surface calibrated");
        return kExitOk;
    });
}

const char* EventName(uint8_t code) {
    switch (code) {
        case kEventProfileSwitch:
            return "profile";
        case kEventShortcut:
            return "shortcut";
        case kEventTextBlock:
            return "textblock";
        default:
            return "unknown";
    }
}

// Ctrl+C (or a TERM) ends `listen` like its --count or --seconds would: the simulated mouse's
// state is written back and the exit code is 0.
std::atomic<bool> listenStop{false};
extern "C" void OnListenSignal(int) {
    listenStop.store(true);
}

// Restores the default handlers however the listen ends.
struct ListenSignals {
    ListenSignals() {
        listenStop.store(false);
        std::signal(SIGINT, OnListenSignal);
        std::signal(SIGTERM, OnListenSignal);
    }
    ~ListenSignals() {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
};

int RunListen(Context& ctx) {
    const auto countText = ctx.TakeOption("--count");
    auto secondsText = ctx.TakeOption("--seconds");
    const bool actions = !ctx.TakeFlag("--no-actions");
    ctx.ExpectNoMoreArgs();
    const long long count = countText ? ParseNumber(*countText, "--count") : -1;
    // Virtual time never runs out by itself: it listens one second unless told otherwise.
    if (!secondsText && ctx.virtualTime) secondsText = "1";
    const long long seconds = secondsText ? ParseNumber(*secondsText, "--seconds") : -1;
    if ((countText && count < 1) || (secondsText && seconds < 0))
        throw CliError(kExitBadInput, "--count and --seconds take positive numbers");
    return WithDevice(ctx, [&](DeviceSession& session) {
        DeviceLink& link = session.link();
        link.CloseDevice();
        if (!link.OpenEventInterface()) session.ThrowNoMouse();
        Clock& clock = session.clock();
        const std::filesystem::path dataFolder =
            actions ? ctx.DataFolder() : std::filesystem::path();
        std::unique_ptr<HostActions> ownActions;
        const Clock::TimePoint end = clock.Now() + std::chrono::seconds(seconds);
        long long seen = 0;
        const ListenSignals signals;
        while ((count < 0 || seen < count) && (seconds < 0 || clock.Now() < end) &&
               !listenStop.load()) {
            // Short waits keep Ctrl+C prompt.
            Millis wait = std::min(kListenerWait, Millis(200));
            if (seconds >= 0)
                wait = std::min(wait, std::chrono::duration_cast<Millis>(end - clock.Now()));
            uint8_t code = 0, value = 0xFF;
            const HidError error = link.WaitDeviceEvent(code, value, wait);
            if (error == HidError::kDisconnected)
                throw CliError(kExitNoMouse, "the mouse was unplugged");
            if (code == 0) continue;
            ++seen;
            const Json event = Json::object().set("code", int{code}).set("value", int{value});
            ctx.Print(event, std::string(EventName(code)) + " " + std::to_string(value));
            // The libraries are read afresh for every press, so edits made meanwhile count.
            if (actions && (code == kEventShortcut || code == kEventTextBlock)) {
                if (!ctx.hostActions && !ownActions) ownActions = CreateHostActions();
                RunHostAction(ctx.fs, code, value, dataFolder,
                              ctx.hostActions ? *ctx.hostActions : *ownActions);
            }
            ctx.out.flush();
        }
        link.CloseDevice();
        return kExitOk;
    });
}

}  // namespace

int RunDevicesCommand(Context& ctx) {
    return RunDevices(ctx);
}
int RunInfoCommand(Context& ctx) {
    return RunInfo(ctx);
}
int RunApplyCommand(Context& ctx) {
    return RunApply(ctx);
}
int RunActivateCommand(Context& ctx) {
    return RunSlotCommand(ctx, false);
}
int RunEraseCommand(Context& ctx) {
    return RunSlotCommand(ctx, true);
}
int RunCalibrateCommand(Context& ctx) {
    return RunCalibrate(ctx);
}
int RunListenCommand(Context& ctx) {
    return RunListen(ctx);
}

}  // namespace z7::cli

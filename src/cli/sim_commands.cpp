// z7ctl sim show | event | set  (the simulated mouse of --simulate, in a state file or behind a
// simulator socket)
#include <sstream>

#include "cli/cli.h"
#include "cli/device_session.h"
#include "core/util/text.h"
#include "sim/sim_socket.h"

namespace z7::cli {
namespace {

std::string Hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

std::string VersionText(uint16_t v) {
    const unsigned hundredths = v % 100u;
    return std::to_string(v / 100u) + (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
}

// "1.65", "1.6" or "2" as hundredths.
uint16_t ParseVersion(const std::string& text) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (whole.empty() || frac.size() > 2 || (dot != std::string::npos && frac.empty()) ||
        whole.find_first_not_of("0123456789") != std::string::npos ||
        frac.find_first_not_of("0123456789") != std::string::npos)
        throw CliError(kExitBadInput, "firmwareVersion takes X.YY: \"" + text + "\"");
    while (frac.size() < 2) frac += '0';
    const long long v = ParseNumber(whole, "firmwareVersion") * 100 + std::stoi(frac);
    if (v > 0xFFFF) throw CliError(kExitBadInput, "firmwareVersion too large: " + text);
    return static_cast<uint16_t>(v);
}

uint32_t Count(const std::string& text, const char* what, long long max = 1000000) {
    const long long v = ParseNumber(text, what);
    if (v < 0 || v > max)
        throw CliError(kExitBadInput, std::string(what) + " out of range: " + text);
    return static_cast<uint32_t>(v);
}

bool Flag(const std::string& text, const char* what) {
    return Count(text, what, 1) == 1;
}

HidError ErrorByName(const std::string& name) {
    static const std::pair<const char*, HidError> kNames[] = {
        {"notReady", HidError::kNotReady},
        {"crc", HidError::kCrc},
        {"writeFault", HidError::kWriteFault},
        {"invalidParameter", HidError::kInvalidParameter},
        {"functionFailed", HidError::kFunctionFailed},
        {"general", HidError::kGeneralFailure},
        {"disconnected", HidError::kDisconnected},
    };
    for (const auto& [n, e] : kNames)
        if (name == n) return e;
    throw CliError(kExitBadInput, "unknown transport error \"" + name +
                                      "\" (notReady, crc, writeFault, invalidParameter, "
                                      "functionFailed, general, disconnected)");
}

SimMouse& Sim(DeviceSession& session) {
    if (!session.sim()) throw CliError(kExitUsage, "the sim commands need --simulate STATE");
    return *session.sim();
}

int Show(Context& ctx, const SimState& s) {
    const std::string mode = s.mode == SimMode::kNormal ? "normal" : "boot";
    Json slots = Json::array();
    std::ostringstream text;
    text << "mode: " << mode << "\nfirmware version: " << VersionText(s.firmwareVersion)
         << "\ndevice code: " << std::string(s.deviceCode.begin(), s.deviceCode.end())
         << "\nactive slot: " << int{s.activeSlot} << "\nunplugged: " << s.unplugged
         << "\nqueued events: " << s.events.size() << "\ncalibrations: " << s.calibrations << '\n';
    for (size_t i = 0; i < s.slots.size(); ++i) {
        slots.push(Hex(s.slots[i]));
        text << "slot " << i << ": " << Hex(s.slots[i]) << '\n';
    }
    const SimFaults& f = s.faults;
    Json j = Json::object()
                 .set("mode", mode)
                 .set("firmwareVersion", VersionText(s.firmwareVersion))
                 .set("deviceCode", std::string(s.deviceCode.begin(), s.deviceCode.end()))
                 .set("activeSlot", int{s.activeSlot})
                 .set("slots", slots)
                 .set("unplugged", s.unplugged)
                 .set("events", s.events.size())
                 .set("calibrations", s.calibrations)
                 .set("busy", f.busyReplies)
                 .set("failStatus", f.failStatusReplies)
                 .set("transportErrors", f.transportErrors)
                 .set("unreadable", f.unreadableReplies)
                 .set("unplugAfter", f.unplugAfterCommands)
                 .set("accessDenied", f.accessDenied)
                 .set("strict", f.strict);
    ctx.Print(j, text.str());
    return kExitOk;
}

SimEvent ParseEvent(Context& ctx) {
    const std::string kind = ctx.TakeArg("KIND");
    const uint32_t value = Count(ctx.TakeArg("VALUE"), "VALUE", 255);
    ctx.ExpectNoMoreArgs();
    SimEvent e;
    if (kind == "profile")
        e = {kEventProfileSwitch, static_cast<uint8_t>(value), 0};
    else if (kind == "shortcut")
        e = {kEventShortcut, 0, static_cast<uint8_t>(value)};
    else if (kind == "textblock")
        e = {kEventTextBlock, 0, static_cast<uint8_t>(value)};
    else
        throw CliError(kExitUsage, "sim event takes profile, shortcut or textblock");
    return e;
}

void PrintQueued(Context& ctx, const SimEvent& e) {
    const char* kind = e.code == kEventProfileSwitch ? "profile"
                       : e.code == kEventShortcut    ? "shortcut"
                                                     : "textblock";
    const int value = e.code == kEventProfileSwitch ? e.byte2 : e.byte3;
    ctx.Print(Json::object().set("queued", kind).set("value", value), "");
}

void ApplySettings(Context& ctx, SimState& s) {
    if (ctx.args.empty()) throw CliError(kExitUsage, "sim set needs KEY=VALUE");
    for (const std::string& arg : ctx.args) {
        const size_t eq = arg.find('=');
        if (eq == std::string::npos) throw CliError(kExitUsage, "not KEY=VALUE: " + arg);
        const std::string key = arg.substr(0, eq), value = arg.substr(eq + 1);
        SimFaults& f = s.faults;
        if (key == "mode") {
            if (value != "normal" && value != "boot")
                throw CliError(kExitBadInput, "mode is normal or boot");
            s.mode = value == "normal" ? SimMode::kNormal : SimMode::kBoot;
        } else if (key == "firmwareVersion") {
            s.firmwareVersion = ParseVersion(value);
        } else if (key == "deviceCode") {
            if (value.size() != 4) throw CliError(kExitBadInput, "deviceCode takes 4 characters");
            std::copy(value.begin(), value.end(), s.deviceCode.begin());
        } else if (key == "activeSlot") {
            s.activeSlot = static_cast<uint8_t>(ParseSlot(value));
        } else if (key == "unplugged") {
            s.unplugged = Flag(value, "unplugged");
        } else if (key == "busy") {
            f.busyReplies = Count(value, "busy");
        } else if (key == "failStatus") {
            f.failStatusReplies = Count(value, "failStatus");
        } else if (key == "failStatusCode") {
            f.failStatus = static_cast<uint8_t>(Count(value, "failStatusCode", 255));
        } else if (key == "transportErrors") {
            f.transportErrors = Count(value, "transportErrors");
        } else if (key == "transportError") {
            f.transportError = ErrorByName(value);
        } else if (key == "unreadable") {
            f.unreadableReplies = Count(value, "unreadable");
        } else if (key == "unplugAfter") {
            f.unplugAfterCommands =
                value == "-1" ? -1 : static_cast<int32_t>(Count(value, "unplugAfter"));
        } else if (key == "accessDenied") {
            f.accessDenied = Flag(value, "accessDenied");
        } else if (key == "strict") {
            f.strict = Flag(value, "strict");
        } else if (key == "events" && value == "clear") {
            s.events.clear();
        } else {
            throw CliError(kExitUsage, "unknown sim setting: " + key);
        }
    }
    ctx.args.clear();
}

// --simulate unix:PATH: the same commands sent to a running simulator.
int RunOnSocket(Context& ctx, const std::string& sub, const std::string& path) {
    SimSocketClient client;
    std::string error;
    if (!client.Connect(path, error)) throw CliError(kExitNoMouse, error);
    SimState state;
    if (sub == "show") {
        ctx.ExpectNoMoreArgs();
        if (!client.GetState(state, error)) throw CliError(kExitDeviceFailed, error);
        return Show(ctx, state);
    }
    if (sub == "event") {
        const SimEvent e = ParseEvent(ctx);
        if (!client.QueueEvent(e, error)) throw CliError(kExitDeviceFailed, error);
        PrintQueued(ctx, e);
        return kExitOk;
    }
    if (sub == "set") {
        if (!client.GetState(state, error)) throw CliError(kExitDeviceFailed, error);
        ApplySettings(ctx, state);
        if (!client.SetState(state, error)) throw CliError(kExitDeviceFailed, error);
        ctx.Print(Json::object().set("set", true), "");
        return kExitOk;
    }
    throw CliError(kExitUsage, "unknown sim command: " + sub);
}

}  // namespace

int RunSimCommand(Context& ctx) {
    const std::string sub = ctx.TakeArg("sim command (show, event, set, uhid, serve)");
    if (sub == "serve") return RunSimServeCommand(ctx);
    if (!ctx.simulateState) throw CliError(kExitUsage, "the sim commands need --simulate STATE");
    if (sub == "uhid") return RunSimUhidCommand(ctx);
    const std::string target = PathToUtf8(*ctx.simulateState);
    if (target.rfind(kSimSocketPrefix, 0) == 0)
        return RunOnSocket(ctx, sub, target.substr(sizeof(kSimSocketPrefix) - 1));
    return WithDevice(ctx, [&](DeviceSession& session) -> int {
        if (sub == "show") {
            ctx.ExpectNoMoreArgs();
            return Show(ctx, Sim(session).state());
        }
        if (sub == "event") {
            const SimEvent e = ParseEvent(ctx);
            Sim(session).QueueEvent(e);
            PrintQueued(ctx, e);
            return kExitOk;
        }
        if (sub == "set") {
            SimState state = Sim(session).state();
            ApplySettings(ctx, state);
            Sim(session).SetState(std::move(state));
            ctx.Print(Json::object().set("set", true), "");
            return kExitOk;
        }
        throw CliError(kExitUsage, "unknown sim command: " + sub);
    });
}

}  // namespace z7::cli

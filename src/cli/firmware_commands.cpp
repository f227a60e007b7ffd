// z7ctl firmware check | update | pack
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/cli.h"
#include "cli/device_session.h"
#include "core/firmware/firmware_updater.h"
#include "core/util/text.h"
#include "platform/paths.h"
#include "sim/sim_mouse.h"

namespace z7::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr size_t kMarkerVersionByte = kFirmwareVersionOffset;  // u16 LE after the 4 marker bytes
constexpr size_t kMarkerLength = kFirmwareVersionOffset + 2;
constexpr size_t kMaxPayloadBytes = kMaxFirmwareBlocks * kFirmwareBlockSize;

std::istream* gPromptStream = nullptr;
bool gPromptTerminal = false;

bool StdinIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

std::filesystem::path PackageFolder(Context& ctx) {
    if (ctx.args.empty()) return FindAsset(kFirmwareFolderName);
    // An option this command does not know is a usage error, not a folder to look in.
    if (ctx.args.front().rfind("--", 0) == 0)
        throw CliError(kExitUsage, "unknown option: " + ctx.args.front());
    return PathFromUtf8(ctx.TakeArg("DIR"));
}

bool IsRegularFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

Json TextOrNull(const std::string& text) {
    return text.empty() ? Json() : Json(text);
}

std::string Printable(const std::string& code) {
    std::string s;
    for (char c : code) s += (c >= 0x20 && c < 0x7F) ? c : '?';
    return s;
}

// Exit codes and messages for the views that end the command with a failure.
[[noreturn]] void ThrowView(DeviceSession& session, const FirmwareUpdater& updater,
                            const std::filesystem::path& folder) {
    switch (updater.view()) {
        case UpdaterView::kFileProblem:
            throw CliError(kExitBadInput,
                           "firmware package " + folder.string() + ": " + updater.problemText());
        case UpdaterView::kNotFound:
            if (updater.package().image.IsForThisMouse()) session.ThrowNoMouse();
            // A package for another device is bad input, whatever mouse is attached.
            throw CliError(kExitBadInput,
                           "firmware package " + folder.string() + ": " + updater.problemText());
        default:
            if (updater.busy()) session.ThrowBusy();
            throw CliError(kExitDeviceFailed, "firmware: " + updater.problemText());
    }
}

Json StateJson(const char* state, const FirmwareUpdater& updater) {
    return Json::object()
        .set("state", state)
        .set("fileVersion", TextOrNull(updater.fileVersionText()))
        .set("mouseVersion", TextOrNull(updater.mouseVersionText()));
}

std::string StateText(const char* state, const FirmwareUpdater& updater) {
    std::string text = std::string("state: ") + state;
    if (!updater.fileVersionText().empty()) text += "\nfile version: " + updater.fileVersionText();
    if (!updater.mouseVersionText().empty())
        text += "\nmouse version: " + updater.mouseVersionText();
    if (!updater.deviceCodeText().empty())
        text += "\ndevice code: " + Printable(updater.deviceCodeText());
    return text;
}

int RunCheck(Context& ctx) {
    const std::filesystem::path folder = PackageFolder(ctx);
    ctx.ExpectNoMoreArgs();
    return WithDevice(ctx, [&](DeviceSession& session) {
        UpdaterCallbacks callbacks;
        // A check does not wait minutes for a boot loader that may never come.
        callbacks.onLongBootSearch = [] { return false; };
        FirmwareUpdater updater(session.link(), callbacks);
        const UpdaterView view = updater.Start(ctx.fs, folder);
        // A boot loader would be re-flashed by an update; a check only reports it.
        const char* state = view == UpdaterView::kProgress ? "boot-loader" : UpdaterViewName(view);
        if (view != UpdaterView::kProblem)
            ctx.Print(StateJson(state, updater), StateText(state, updater));
        if (view == UpdaterView::kFileProblem || view == UpdaterView::kNotFound ||
            view == UpdaterView::kProblem)
            ThrowView(session, updater, folder);
        return kExitOk;
    });
}

bool Confirm(Context& ctx, const FirmwareUpdater& updater) {
    std::istream& in = gPromptStream ? *gPromptStream : std::cin;
    const bool terminal = gPromptStream ? gPromptTerminal : StdinIsTerminal();
    if (!terminal)
        throw CliError(kExitUsage,
                       "the firmware update needs a confirmation and standard input is not a "
                       "terminal; add --yes to update without asking");
    const bool older = updater.view() == UpdaterView::kMouseNewer;
    ctx.err << "Replace the mouse firmware " << updater.mouseVersionText() << " with "
            << updater.fileVersionText() << (older ? " (an older version)" : "")
            << "? Keep the mouse plugged in until the update has ended. [y/N] ";
    ctx.err.flush();
    std::string answer;
    if (!std::getline(in, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

void DrawBar(std::ostream& err, int percent) {
    const int filled = percent * kBarWidth / kMaxProgress;
    err << "\rwriting firmware [" << std::string(static_cast<size_t>(filled), '#')
        << std::string(static_cast<size_t>(kBarWidth - filled), ' ') << "] " << percent << '%';
    err.flush();
}

int RunUpdate(Context& ctx) {
    const bool yes = ctx.TakeFlag("--yes");
    const std::filesystem::path folder = PackageFolder(ctx);
    ctx.ExpectNoMoreArgs();
    return WithDevice(ctx, [&](DeviceSession& session) {
        bool barShown = false;
        UpdaterCallbacks callbacks;
        callbacks.onLongBootSearch = [&] {
            ctx.err << "looking for the mouse's boot loader; this may take a few minutes...\n";
            ctx.err.flush();
            return true;
        };
        callbacks.onProgress = [&](int percent) {
            if (percent == 0 && !barShown) return;
            barShown = true;
            DrawBar(ctx.err, percent);
        };
        callbacks.onView = [&](UpdaterView view) {
            if (view == UpdaterView::kCompleted && barShown) {
                DrawBar(ctx.err, kMaxProgress);
                ctx.err << "\nwaiting for the mouse to restart...\n";
                barShown = false;
            } else if (view == UpdaterView::kProblem && barShown) {
                ctx.err << '\n';
                barShown = false;
            }
        };
        FirmwareUpdater updater(session.link(), callbacks);
        const UpdaterView start = updater.Start(ctx.fs, folder);
        switch (start) {
            case UpdaterView::kUpToDate:
                ctx.Print(StateJson("up-to-date", updater),
                          "the mouse already runs firmware " + updater.mouseVersionText());
                return kExitOk;
            case UpdaterView::kMouseNewer:
            case UpdaterView::kFileNewer:
                if (!yes && !Confirm(ctx, updater)) {
                    ctx.Print(StateJson(UpdaterViewName(start), updater),
                              "firmware update declined; nothing was changed");
                    return kExitOk;
                }
                break;
            case UpdaterView::kProgress:
                ctx.err << "the mouse waits in its boot loader: writing the firmware again\n";
                break;
            default:
                ThrowView(session, updater, folder);
        }
        const UpdaterView end = updater.Update();
        if (end != UpdaterView::kSuccess) {
            if (updater.busy()) session.ThrowBusy();
            if (end == UpdaterView::kProblem)
                throw CliError(kExitDeviceFailed,
                               "firmware update failed: " + updater.problemText() +
                                   "; if the mouse does not work, run the update again");
            throw CliError(kExitDeviceFailed, "firmware update stopped");
        }
        ctx.Print(StateJson("success", updater),
                  "firmware updated; the mouse reports version " + updater.mouseVersionText());
        // Written, but a mouse that does not say which firmware it runs has not confirmed it.
        if (updater.mouseVersionText() == "-.--")
            throw CliError(kExitDeviceFailed,
                           "the firmware was written, but the mouse did not report its version "
                           "afterwards; check it with `z7ctl info`");
        return kExitOk;
    });
}

int RunPack(Context& ctx) {
    const auto versionText = ctx.TakeOption("--version");
    const auto out = ctx.TakeOption("--out");
    const bool simMarker = ctx.TakeFlag("--sim-marker");
    (void)ctx.TakeFlag("--raw");  // what packing always does now; kept for older scripts
    const std::filesystem::path payloadPath = PathFromUtf8(ctx.TakeArg("PAYLOAD"));
    ctx.ExpectNoMoreArgs();
    if (!versionText) throw CliError(kExitUsage, "firmware pack needs --version X.YY");
    if (!out) throw CliError(kExitUsage, "firmware pack needs --out DIR");
    uint16_t version = 0;
    if (!ParseFirmwareVersion(*versionText, version))
        throw CliError(kExitBadInput, "not a firmware version: \"" + *versionText +
                                          "\" (expected X.YY, at most 655.35)");
    // A device, a FIFO or a folder is no payload (and a FIFO would never end).
    if (!IsRegularFile(payloadPath))
        throw CliError(kExitBadInput,
                       "cannot read " + payloadPath.string() + ": not a regular file");
    std::vector<uint8_t> payload;
    std::string error;
    if (!ctx.fs.ReadFile(payloadPath, payload, kMaxPayloadBytes + 1, &error))
        throw CliError(kExitBadInput, "cannot read " + payloadPath.string() + ": " + error);
    if (payload.empty()) throw CliError(kExitBadInput, "the payload is empty");
    // The payload goes in as given. Only a test package for the simulated mouse carries the
    // marker from which the simulated boot loader learns the version it was given.
    if (simMarker) {
        payload.insert(payload.begin(), kMarkerLength, 0);
        std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), payload.begin());
        payload[kMarkerVersionByte] = static_cast<uint8_t>(version);
        payload[kMarkerVersionByte + 1] = static_cast<uint8_t>(version >> 8);
    }
    if (payload.size() > kMaxPayloadBytes)
        throw CliError(kExitBadInput,
                       std::string("the payload") + (simMarker ? " with the marker" : "") +
                           " is larger than " + std::to_string(kMaxFirmwareBlocks) + " blocks of " +
                           std::to_string(kFirmwareBlockSize) + " bytes");
    const std::filesystem::path folder = PathFromUtf8(*out);
    std::string imageName;
    if (!WriteFirmwarePackage(ctx.fs, folder, payload, version, &imageName, &error))
        throw CliError(kExitBadInput,
                       "cannot write the package into " + folder.string() + ": " + error);
    const size_t blocks = (payload.size() + kFirmwareBlockSize - 1) / kFirmwareBlockSize;
    ctx.Print(Json::object()
                  .set("folder", PathToUtf8(folder))
                  .set("image", imageName)
                  .set("version", FirmwareVersionText(version))
                  .set("blocks", static_cast<int>(blocks))
                  .set("simMarker", simMarker),
              "wrote " + PathToUtf8(folder / kFirmwareDescriptionName) + " and " + imageName +
                  " (" + std::to_string(blocks) + " blocks, version " +
                  FirmwareVersionText(version) + (simMarker ? ", simulator marker" : "") + ")");
    return kExitOk;
}

}  // namespace

void SetPromptInput(std::istream* in, bool terminal) {
    gPromptStream = in;
    gPromptTerminal = terminal;
}

std::istream& PromptInput(bool& terminal) {
    terminal = gPromptStream ? gPromptTerminal : StdinIsTerminal();
    return gPromptStream ? *gPromptStream : std::cin;
}

int RunFirmwareCommand(Context& ctx) {
    const std::string sub = ctx.TakeArg("firmware subcommand (check, update or pack)");
    if (sub == "check") return RunCheck(ctx);
    if (sub == "update") return RunUpdate(ctx);
    if (sub == "pack") return RunPack(ctx);
    throw CliError(kExitUsage, "unknown firmware subcommand: " + sub);
}

}  // namespace z7::cli

// z7ctl --simulate STATE sim uhid [--seconds S]: the simulated mouse as a kernel HID device
// (/dev/uhid, Linux only), served until interrupted. The state file stays the mouse's state
// while it runs: what the host changes is written back after each change, and what
// `z7ctl --simulate STATE sim set|event` writes into it is taken over within a tick.
#include <chrono>
#include <csignal>

#include "cli/cli.h"
#include "sim/sim_factory.h"
#include "sim/sim_state_file.h"
#include "sim/sim_state_store.h"

#ifdef __linux__
#include "sim/uhid_device.h"
#endif

namespace z7::cli {

#ifdef __linux__
namespace {

constexpr int kTickMs = 50;
constexpr char kUhidPath[] = "/dev/uhid";

std::atomic<bool> stopRequested{false};

extern "C" void OnStopSignal(int) {
    stopRequested.store(true);
}

// Keeps the state file and the running mouse equal in both directions. Every look at the file
// holds the state's lock, so that a z7ctl command on the file is never half taken over nor
// overwritten.
class StateMirror {
  public:
    StateMirror(Context& ctx, std::filesystem::path path) : ctx_(ctx), path_(std::move(path)) {}

    SimState LoadInitial() {
        std::string error;
        const LockAttempt lock = LockSimState(path_, ctx_.DeviceWait(), clock_, &error);
        if (lock.status == LockStatus::kBusy) throw CliError(kExitDeviceFailed, error);
        SimState state = FactorySimState();
        if (ctx_.fs.Exists(path_)) {
            if (!ctx_.fs.ReadFile(path_, fileBytes_, kSimStateMaxBytes, &error))
                throw CliError(kExitBadInput,
                               "cannot read the simulator state " + path_.string() + ": " + error);
            if (!LoadSimState(fileBytes_, state))
                throw CliError(kExitBadInput,
                               "the simulator state " + path_.string() + " is damaged");
        }
        return state;
    }

    // Takes over a state written by another process, then writes the mouse's own changes; a
    // state in use by a command is left to the next tick.
    void Tick(SimMouse& mouse) {
        const LockAttempt lock = LockSimState(path_, Millis(0), clock_, nullptr);
        if (lock.status == LockStatus::kBusy) return;
        std::vector<uint8_t> onDisk;
        if (ctx_.fs.ReadFile(path_, onDisk, kSimStateMaxBytes, nullptr) && onDisk != fileBytes_) {
            SimState outside;
            if (LoadSimState(onDisk, outside)) {
                mouse.SetState(std::move(outside));
                fileBytes_ = std::move(onDisk);
                damagedWarned_ = false;
            } else if (!damagedWarned_) {
                ctx_.err << "z7ctl: ignoring the damaged simulator state " << path_.string()
                         << '\n';
                damagedWarned_ = true;
            }
        }
        SaveLocked(mouse);
    }

    // The last write, waiting for a command that holds the state.
    void Save(SimMouse& mouse) {
        std::string error;
        const LockAttempt lock = LockSimState(path_, ctx_.DeviceWait(), clock_, &error);
        if (lock.status == LockStatus::kBusy) {
            ctx_.err << "z7ctl: " << error << '\n';
            return;
        }
        SaveLocked(mouse);
    }

  private:
    void SaveLocked(SimMouse& mouse) {
        const SimState state = mouse.state();
        std::vector<uint8_t> bytes = SaveSimState(state);
        if (bytes == fileBytes_) return;
        std::string error;
        if (!WriteSimStateFile(ctx_.fs, path_, state, error)) {
            ctx_.err << "z7ctl: " << error << '\n';
            return;
        }
        fileBytes_ = std::move(bytes);
    }

    Context& ctx_;
    std::filesystem::path path_;
    SystemClock clock_;
    std::vector<uint8_t> fileBytes_;
    bool damagedWarned_ = false;
};

}  // namespace

int RunSimUhidCommand(Context& ctx) {
    const auto secondsText = ctx.TakeOption("--seconds");
    ctx.ExpectNoMoreArgs();
    if (ctx.virtualTime) throw CliError(kExitUsage, "sim uhid runs on real time only");
    const long long seconds = secondsText ? ParseNumber(*secondsText, "--seconds") : -1;
    if (secondsText && seconds < 1)
        throw CliError(kExitBadInput, "--seconds takes a positive number");

    StateMirror mirror(ctx, *ctx.simulateState);
    SystemClock clock;
    SimMouse mouse(clock, mirror.LoadInitial());

    UhidFile file;
    std::string error;
    if (!file.Open(kUhidPath, error)) throw CliError(kExitNoMouse, error);
    UhidDevice device(mouse, clock, [&](const uhid_event& ev) { return file.Write(ev); });

    stopRequested.store(false);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;  // no SA_RESTART: poll() returns at once
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    ctx.out << "serving the simulated mouse through " << kUhidPath << " (state "
            << ctx.simulateState->string() << "); stop with Ctrl+C" << std::endl;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const bool served = file.Serve(
        device, stopRequested, kTickMs,
        [&] {
            mirror.Tick(mouse);
            if (seconds > 0 && std::chrono::steady_clock::now() >= end) stopRequested.store(true);
        },
        error);
    (void)device.Destroy();
    mirror.Save(mouse);
    if (!served) throw CliError(kExitDeviceFailed, error);
    return kExitOk;
}

#else

int RunSimUhidCommand(Context&) {
    throw CliError(kExitUsage, "sim uhid needs Linux (/dev/uhid)");
}

#endif

}  // namespace z7::cli

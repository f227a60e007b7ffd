// z7ctl [--simulate STATE] sim serve [--socket PATH] [--seconds S]: the simulated mouse as a
// process of its own, reached by `kesta-z7 --simulate unix:PATH` and
// `z7ctl --simulate unix:PATH ...`, so that plugging, unplugging and event reports can be
// driven from outside while a program runs. Without --simulate a new factory mouse is served
// and forgotten; with it, the state is read at the start and written back at the end.
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "cli/cli.h"
#include "core/util/text.h"
#include "sim/mouse_backend.h"
#include "sim/sim_factory.h"
#include "sim/sim_socket.h"
#include "sim/sim_state_store.h"

namespace z7::cli {
namespace {

std::atomic<bool> serveStop{false};

extern "C" void OnServeSignal(int) {
    serveStop.store(true);
}

}  // namespace

int RunSimServeCommand(Context& ctx) {
    const auto socketOption = ctx.TakeOption("--socket");
    const auto secondsText = ctx.TakeOption("--seconds");
    ctx.ExpectNoMoreArgs();
    const long long seconds = secondsText ? ParseNumber(*secondsText, "--seconds") : -1;
    if (secondsText && seconds < 1)
        throw CliError(kExitBadInput, "--seconds takes a positive number");
    std::filesystem::path statePath;
    SimState state = FactorySimState();
    LockAttempt stateLock;
    if (ctx.simulateState) {
        statePath = *ctx.simulateState;
        if (PathToUtf8(statePath).rfind(kSimSocketPrefix, 0) == 0)
            throw CliError(kExitUsage, "sim serve takes a state file, not a socket, as --simulate");
        std::string error;
        // The state is the server's until it writes it back: a z7ctl on the file meanwhile
        // would be overwritten.
        stateLock = LockSimState(statePath, ctx.DeviceWait(), DefaultClock(), &error);
        if (stateLock.status == LockStatus::kBusy) throw CliError(kExitDeviceFailed, error);
        if (!ReadSimStateFile(ctx.fs, statePath, state, error))
            throw CliError(kExitBadInput, error);
    }
    const std::string path = socketOption ? *socketOption : DefaultSimSocketPath();
    std::unique_ptr<Clock> clock;
    if (ctx.virtualTime)
        clock = std::make_unique<VirtualClock>();
    else
        clock = std::make_unique<SystemClock>();
    SimMouse mouse(*clock, std::move(state));

    serveStop.store(false);
    std::signal(SIGINT, OnServeSignal);
    std::signal(SIGTERM, OnServeSignal);
    std::thread timer;
    if (seconds > 0) {
        timer = std::thread([seconds] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
            while (!serveStop && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            serveStop.store(true);
        });
    }
    ctx.out << "serving the simulated mouse at unix:" << path << "; stop with Ctrl+C" << std::endl;
    std::string error;
    const bool served = ServeSimSocket(mouse, path, serveStop, error);
    serveStop.store(true);
    if (timer.joinable()) timer.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (!served) throw CliError(kExitUsage, error);
    if (!statePath.empty() && !WriteSimStateFile(ctx.fs, statePath, mouse.state(), error))
        throw CliError(kExitBadInput, error);
    return kExitOk;
}

}  // namespace z7::cli

// A whole-profile write (ReadActiveSlot, both image halves, ActivateSlot, the confirming
// ReadActiveSlot) on the real clock against the simulated mouse, with the lock other programs
// honour, compared with the delays the firmware needs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "core/device/device_commands.h"
#include "core/device/device_exchanges.h"
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

namespace {

constexpr double kMandatedMs = 10 + 80 + 80 + 1500 + 10;

void BM_WriteAllExchange(benchmark::State& state) {
    z7::SystemClock clock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    mouse.Update([](z7::SimState& s) { s.faults.strict = true; });  // early reads would show
    z7::SimTransport transport(mouse);
    z7::DeviceLink link(transport, clock);
    const auto lockFile = std::filesystem::temp_directory_path() / "z7-bench-device.lock";
    link.SetProcessLock(lockFile);
    z7::DeviceImage image = z7::FactoryImages()[2];
    double totalMs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const z7::ExchangeResult r = z7::WriteAllExchange(link, 2, image, 0);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (r != z7::ExchangeResult::kOk) state.SkipWithError("write failed");
        state.SetIterationTime(ms / 1000.0);
        totalMs += ms;
        image[0x40] ^= 1;
    }
    const double mean = totalMs / static_cast<double>(state.iterations());
    state.counters["mandated_ms"] = kMandatedMs;
    state.counters["overhead_ms"] = mean - kMandatedMs;
    state.counters["overhead_pct"] = 100.0 * (mean - kMandatedMs) / kMandatedMs;
    std::error_code ec;
    std::filesystem::remove(lockFile, ec);
}
BENCHMARK(BM_WriteAllExchange)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// What keeping other programs out costs one exchange: the lock file opened, locked, released.
void BM_ExchangeLock(benchmark::State& state) {
    z7::SystemClock clock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    z7::SimTransport transport(mouse);
    z7::DeviceLink link(transport, clock);
    const auto lockFile = std::filesystem::temp_directory_path() / "z7-bench-lock.lock";
    link.SetProcessLock(lockFile);
    for (auto _ : state) {
        z7::ExchangeLock lock(link);
        if (!lock.held()) state.SkipWithError("lock not taken");
    }
    std::error_code ec;
    std::filesystem::remove(lockFile, ec);
}
BENCHMARK(BM_ExchangeLock)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// The idle event listener on the real clock against the simulated mouse: CPU time and
// wake-ups per second, compared with the fixed 10 ms read + 100 ms sleep poll, and the time
// CloseDevice takes to stop it.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/device/device_link.h"
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

namespace {

using namespace std::chrono;

struct Usage {
    double cpuMs;
    long wakeups;  // voluntary context switches of the whole process
};

Usage Now() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double cpu = (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
                       (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
    return {cpu, u.ru_nvcsw};
}

void Report(benchmark::State& state, const Usage& a, const Usage& b, double seconds) {
    state.counters["cpu_ms_per_s"] = (b.cpuMs - a.cpuMs) / seconds;
    state.counters["wakeups_per_s"] = static_cast<double>(b.wakeups - a.wakeups) / seconds;
}

double Seconds() {
    return static_cast<double>(
        std::getenv("Z7_IDLE_SECONDS") ? std::atoi(std::getenv("Z7_IDLE_SECONDS")) : 20);
}

void BM_ListenerIdle(benchmark::State& state) {
    z7::SystemClock clock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    z7::SimTransport transport(mouse);
    z7::DeviceLink link(transport, clock);
    link.SetEventHandlers(
        {.currentSlot = {}, .onProfileSwitch = [](uint8_t) {}, .onHostAction = {}});
    const double seconds = Seconds();
    for (auto _ : state) {
        if (!link.OpenEventInterface() || !link.StartDeviceListener())
            state.SkipWithError("no listener");
        std::this_thread::sleep_for(milliseconds(200));  // let it settle into its wait
        const Usage a = Now();
        std::this_thread::sleep_for(duration<double>(seconds));
        const Usage b = Now();
        Report(state, a, b, seconds);
        link.CloseDevice();
    }
}
BENCHMARK(BM_ListenerIdle)->Iterations(1)->Unit(benchmark::kSecond);

// What the fixed poll costs, for comparison.
void BM_FixedPollIdle(benchmark::State& state) {
    z7::SystemClock clock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    z7::SimTransport transport(mouse);
    z7::DeviceLink link(transport, clock);
    const double seconds = Seconds() / 4;
    for (auto _ : state) {
        if (!link.OpenEventInterface()) state.SkipWithError("no event interface");
        std::atomic<bool> run{true};
        std::thread poll([&] {
            while (run) {
                uint8_t code = 0, value = 0xFF;
                link.ReadDeviceEvent(code, value);
                clock.Sleep(milliseconds(100));
            }
        });
        std::this_thread::sleep_for(milliseconds(200));
        const Usage a = Now();
        std::this_thread::sleep_for(duration<double>(seconds));
        const Usage b = Now();
        Report(state, a, b, seconds);
        run = false;
        poll.join();
        link.CloseDevice();
    }
}
BENCHMARK(BM_FixedPollIdle)->Iterations(1)->Unit(benchmark::kSecond);

void BM_CloseDeviceStopsListener(benchmark::State& state) {
    z7::SystemClock clock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    z7::SimTransport transport(mouse);
    z7::DeviceLink link(transport, clock);
    link.SetEventHandlers(
        {.currentSlot = {}, .onProfileSwitch = [](uint8_t) {}, .onHostAction = {}});
    for (auto _ : state) {
        state.PauseTiming();
        if (!link.OpenEventInterface() || !link.StartDeviceListener())
            state.SkipWithError("no listener");
        std::this_thread::sleep_for(milliseconds(50));  // idle inside its wait
        state.ResumeTiming();
        link.CloseDevice();
    }
}
BENCHMARK(BM_CloseDeviceStopsListener)->Iterations(50)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

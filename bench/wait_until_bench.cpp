// CPU used by long waits with no transfer, on the real clock with no events, as a share of one
// core next to the 0.5 % target:
//   a. 10 s of WaitUntil polling a condition every 10 ms, as the wait for the scanner's trigger
//      does (the device's answer left out), next to 10 s of bare 10 ms sleeps: what waking up
//      100 times a second costs on this machine whatever the waiting code does. The two are
//      measured in alternating 2 s slices, so load from elsewhere falls on both alike;
//   b. a 10 s delay, WaitUntil without a condition.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <thread>

#include "bench/build_description.h"
#include "core/run_loop.h"

namespace {

constexpr uint32_t kWaitMs = 10'000;
constexpr uint32_t kPollMs = 10;  // the trigger wait's interval
constexpr double kTargetPercent = 0.5;

// Process CPU time over wall time of `wait`, in percent of one core.
double CpuPercent(const std::function<void()>& wait) {
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    wait();
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
    return 100.0 * cpuSeconds / wall.count();
}

void Report(benchmark::State& state, const char* what, double percent) {
    state.counters["cpu_percent"] = percent;
    state.counters["ratio"] = percent / kTargetPercent;
    std::printf("%-52s %.3f %% of one core (target <= %.1f %%, ratio %.2f)\n", what, percent,
                kTargetPercent, percent / kTargetPercent);
}

void BM_TriggerWait(benchmark::State& state) {
    constexpr uint32_t kSliceMs = 2'000;
    double waitCpu = 0, sleepCpu = 0;
    for (auto _ : state) {
        for (uint32_t done = 0; done < kWaitMs; done += kSliceMs) {
            waitCpu += CpuPercent([] { WaitUntil([] { return false; }, kPollMs, kSliceMs); });
            sleepCpu += CpuPercent([] {
                for (uint32_t slept = 0; slept < kSliceMs; slept += kPollMs)
                    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            });
        }
    }
    const double slices = kWaitMs / kSliceMs;
    Report(state, "trigger-like wait, 10 s polling every 10 ms:", waitCpu / slices);
    std::printf("%-52s %.3f %% of one core (the wait costs %.2fx of it)\n",
                "reference: 10 s of bare 10 ms sleeps, no Qt:", sleepCpu / slices,
                waitCpu / sleepCpu);
    state.counters["bare_sleep_percent"] = sleepCpu / slices;
}

void BM_Delay(benchmark::State& state) {
    double percent = 0;
    for (auto _ : state)
        percent = CpuPercent([] { WaitUntil(nullptr, nullptr, kWaitMs, kWaitMs); });
    Report(state, "delay of 10 s:", percent);
}

BENCHMARK(BM_TriggerWait)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Delay)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    PrintBuildDescription();
    QCoreApplication app(argc, argv);  // the wait processes events as it would in the program
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

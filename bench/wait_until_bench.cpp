// CPU used by a long idle wait: a 5 s WaitUntil with no condition and no events, on the real
// clock, measured as a share of one core next to the 5 % target.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "bench/build_description.h"
#include "imaging/run_loop.h"

namespace {

constexpr uint32_t kWaitMs = 5000;
constexpr double kTargetPercent = 5.0;

void BM_IdleWaitCpuShare(benchmark::State& state) {
    double percent = 0;
    for (auto _ : state) {
        const std::clock_t cpuStart = std::clock();
        const auto wallStart = std::chrono::steady_clock::now();
        WaitUntil(nullptr, nullptr, kWaitMs, kWaitMs);
        const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        percent = 100.0 * cpuSeconds / wall.count();
    }
    state.counters["cpu_percent"] = percent;
    state.counters["target_percent"] = kTargetPercent;
    state.counters["ratio"] = percent / kTargetPercent;
    std::printf("idle WaitUntil %u ms: %.2f %% of one core (target <= %.0f %%, ratio %.2f)\n",
                kWaitMs, percent, kTargetPercent, percent / kTargetPercent);
}
BENCHMARK(BM_IdleWaitCpuShare)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    PrintBuildDescription();
    QCoreApplication app(argc, argv);  // the wait processes events as it would in the program
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

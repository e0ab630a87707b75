// The device search on a port where nothing answers: the time per port and per speed, next to
// what the protocol implies (seven speeds, three attempts each, 100 ms time-out per attempt).
#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/build_description.h"
#include "device/serial_ports.h"
#include "discovery/device_search_dlg.h"
#include "tests/support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kAttempts = 3;
constexpr double kTimeoutSeconds = 0.1;
constexpr double kSpeeds = 7;
constexpr double kSpeedReference = kAttempts * kTimeoutSeconds;  // 0.3 s
constexpr double kPortReference = kSpeeds * kSpeedReference;     // 2.1 s

void Report(benchmark::State& state, const char* what, double seconds, double reference) {
    state.counters[std::string(what) + "_s"] = seconds;
    state.counters[std::string(what) + "_reference_s"] = reference;
    std::printf("search, %s without a device: %.3f s (protocol bound %.1f s, ratio %.3f)\n", what,
                seconds, reference, seconds / reference);
}

void BM_SearchPortWithoutDevice(benchmark::State& state) {
    PtyPair empty;  // a serial line with nothing on the other end
    const QString port = QString::fromStdString(empty.SlavePath());
    SetSerialPortSource([port] { return QStringList{port}; });

    double portSeconds = 0;
    std::vector<double> speedSeconds;
    for (auto _ : state) {
        CDeviceSearchDlg dialog(nullptr);
        // Each new rate in the speed column marks the end of the previous speed's probe.
        Clock::time_point last{};
        QObject::connect(
            dialog.List()->model(), &QAbstractItemModel::dataChanged, &dialog,
            [&](const QModelIndex& index) {
                if (index.column() != CDeviceSearchDlg::kColumnSpeed ||
                    index.data().toString().isEmpty())
                    return;  // another column, or the reset before the search
                const auto now = Clock::now();
                if (last != Clock::time_point{})
                    speedSeconds.push_back(std::chrono::duration<double>(now - last).count());
                last = now;
            });
        auto* start = static_cast<QPushButton*>(dialog.Control(CDeviceSearchDlg::IDC_START));
        const auto begin = Clock::now();
        start->click();
        const auto end = Clock::now();
        // The last speed ends with the search.
        speedSeconds.push_back(std::chrono::duration<double>(end - last).count());
        portSeconds += std::chrono::duration<double>(end - begin).count();
    }
    SetSerialPortSource({});
    double speedTotal = 0;
    for (double s : speedSeconds) speedTotal += s;
    Report(state, "per_port", portSeconds / double(state.iterations()), kPortReference);
    Report(state, "per_speed", speedTotal / double(speedSeconds.size()), kSpeedReference);
}
BENCHMARK(BM_SearchPortWithoutDevice)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    PrintBuildDescription();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);  // the search processes events between its probes
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Image path figures: the scaler next to Qt's smooth scaling of the same sizes, JPEG decoding next
// to libjpeg-turbo's own decoder on the same bytes (its TurboJPEG interface, reusing one handle and
// one pixel buffer), and one whole frame (decode, scale into an 800 x 600 view, paint) next to the
// bare decode.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/build_description.h"
#include "imaging/image_decoder.h"
#include "imaging/image_viewer.h"
#include "imaging/scaler.h"

namespace {

// A picture with gradients, edges and noise, so JPEG has real work to do.
QImage Synthetic(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int noise = int(random() % 33) - 16;
            const int stripe = ((x / 24 + y / 16) % 2) * 60;
            line[x] = qRgb(std::clamp(x * 255 / w + noise, 0, 255),
                           std::clamp(y * 255 / h + stripe + noise, 0, 255),
                           std::clamp(128 + stripe - noise, 0, 255));
        }
    }
    return image;
}

QByteArray Jpeg(int w, int h) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(80);
    writer.write(Synthetic(w, h));
    return buffer.data();
}

void ScaleOurs(benchmark::State& state, QSize from, QSize to, ScalerPath path) {
    const ScalerPath previous = SetScalerPath(path);
    const QImage source = Synthetic(from.width(), from.height());
    std::vector<uint32_t> out(size_t(to.width()) * to.height());
    const ConstPixelView src{reinterpret_cast<const uint32_t*>(source.constBits()), from.width(),
                             from.height(), from.width()};
    for (auto _ : state) {
        ScaleImage(src, {out.data(), to.width(), to.height(), to.width()});
        benchmark::DoNotOptimize(out.data());
    }
    SetScalerPath(previous);
}

void ScaleQt(benchmark::State& state, QSize from, QSize to) {
    const QImage source = Synthetic(from.width(), from.height());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            source.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void DecodeOurs(benchmark::State& state, QByteArray jpeg) {
    for (auto _ : state) {
        QImage image;
        if (!DecodeImage(image, reinterpret_cast<const uint8_t*>(jpeg.constData()),
                         uint32_t(jpeg.size())))
            state.SkipWithError("decode failed");
    }
}

void DecodeTurbo(benchmark::State& state, QByteArray jpeg) {
    tjhandle handle = tjInitDecompress();
    auto* bytes = reinterpret_cast<unsigned char*>(jpeg.data());
    int w = 0, h = 0, subsampling = 0, colourspace = 0;
    tjDecompressHeader3(handle, bytes, jpeg.size(), &w, &h, &subsampling, &colourspace);
    std::vector<unsigned char> pixels(size_t(w) * h * 4);
    for (auto _ : state) {
        // The same 32-bit BGRX layout the Qt decoder produces.
        if (tjDecompress2(handle, bytes, jpeg.size(), pixels.data(), w, 0, h, TJPF_BGRX, 0) != 0)
            state.SkipWithError("decode failed");
    }
    tjDestroy(handle);
}

// One frame as the program handles it: decode, scale into the view's back buffer, paint.
void Frame(benchmark::State& state, QByteArray jpeg, int stage) {
    CImageViewer view;
    view.resize(800, 600);
    view.show();
    QImage screen(800, 600, QImage::Format_RGB32);
    QImage image;
    DecodeImage(image, reinterpret_cast<const uint8_t*>(jpeg.constData()), uint32_t(jpeg.size()));
    for (auto _ : state) {
        if (stage == 0 || stage == 3)
            DecodeImage(image, reinterpret_cast<const uint8_t*>(jpeg.constData()),
                        uint32_t(jpeg.size()));
        if (stage == 1 || stage == 3) view.SetImage(image);
        if (stage == 2 || stage == 3) view.render(&screen);  // what a full repaint copies
    }
}

// Keeps each benchmark's best repetition: on a machine shared with builds, the least disturbed.
class FigureReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            Keep(times_, run.run_name.function_name, run.GetAdjustedRealTime());
            Keep(cpuTimes_, run.run_name.function_name, run.GetAdjustedCPUTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Us(const std::string& name) const { return Find(times_, name); }
    double CpuUs(const std::string& name) const { return Find(cpuTimes_, name); }

private:
    static void Keep(std::map<std::string, double>& times, const std::string& name, double us) {
        auto [it, added] = times.emplace(name, us);
        if (!added) it->second = std::min(it->second, us);
    }
    static double Find(const std::map<std::string, double>& times, const std::string& name) {
        auto it = times.find(name);
        return it == times.end() ? 0 : it->second;
    }
    std::map<std::string, double> times_, cpuTimes_;
};

constexpr int kDecodeRepetitions = 9;

std::string SizeName(QSize s) {
    return std::to_string(s.width()) + "x" + std::to_string(s.height());
}

}  // namespace

int main(int argc, char** argv) {
    PrintBuildDescription();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Repetitions of different benchmarks run in random order, so that our decoder and
    // libjpeg-turbo's meet the same load from other processes; a later flag may turn it off.
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> args(argv, argv + argc + 1);  // with the closing null
    args.insert(args.begin() + 1, interleave);
    int argCount = argc + 1;
    benchmark::Initialize(&argCount, args.data());

    const std::vector<std::pair<QSize, QSize>> scalings = {{{400, 300}, {800, 600}},
                                                           {{640, 480}, {800, 600}},  // enlarging
                                                           {{640, 480}, {400, 300}},
                                                           {{1280, 1024}, {750, 600}},  // reducing
                                                           {{2560, 2048}, {400, 320}}};
    // Our scaling with the kernels the processor gets, and with the SSE2 baseline besides.
    std::vector<std::pair<std::string, ScalerPath>> paths = {{" ours", BestScalerPath()}};
    if (BestScalerPath() != ScalerPath::kSse2 && ScalerPathAvailable(ScalerPath::kSse2))
        paths.push_back({" ours sse2", ScalerPath::kSse2});
    for (const auto& [from, to] : scalings) {
        const std::string name = "scale " + SizeName(from) + "->" + SizeName(to);
        // Qt spreads smooth scaling over a thread pool: process CPU time shows the work per core.
        for (const auto& [suffix, path] : paths)
            benchmark::RegisterBenchmark((name + suffix).c_str(), ScaleOurs, from, to, path)
                ->Unit(benchmark::kMicrosecond)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
        benchmark::RegisterBenchmark((name + " qt").c_str(), ScaleQt, from, to)
            ->Unit(benchmark::kMicrosecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    }
    const std::vector<QSize> frames = {{640, 480}, {1280, 1024}};
    std::map<std::string, QByteArray> jpegs;
    for (QSize size : frames) {
        const std::string name = SizeName(size);
        const QByteArray jpeg = Jpeg(size.width(), size.height());
        // Repeated, so that the figures below can take each one's best run.
        benchmark::RegisterBenchmark(("decode " + name + " ours").c_str(), DecodeOurs, jpeg)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(kDecodeRepetitions);
        benchmark::RegisterBenchmark(("decode " + name + " turbo").c_str(), DecodeTurbo, jpeg)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(kDecodeRepetitions);
        const char* stages[] = {"decode", "scale", "paint", "total"};
        for (int stage = 0; stage < 4; ++stage)
            benchmark::RegisterBenchmark(("frame " + name + " " + stages[stage]).c_str(), Frame,
                                         jpeg, stage)
                ->Unit(benchmark::kMicrosecond);
    }

    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n");
    const char* pathNames[] = {"portable", "SSE2", "AVX2"};
    for (const auto& [suffix, path] : paths) {
        std::printf("scaler kernels: %s\n", pathNames[int(path)]);
        for (const auto& [from, to] : scalings) {
            const std::string name = "scale " + SizeName(from) + "->" + SizeName(to);
            const double ours = reporter.Us(name + suffix), qt = reporter.Us(name + " qt");
            const double oursCpu = reporter.CpuUs(name + suffix),
                         qtCpu = reporter.CpuUs(name + " qt");
            if (ours <= 0 || qt <= 0 || oursCpu <= 0) continue;
            const double mp = to.width() * double(to.height()) / 1e6;
            std::printf(
                "%-26s ours %6.1f MP/s, Qt smooth %6.1f MP/s (speed ratio %.2f, target >= 1); "
                "per CPU second ours %6.1f, Qt %6.1f (ratio %.2f)\n",
                name.c_str(), mp / ours * 1e6, mp / qt * 1e6, qt / ours, mp / oursCpu * 1e6,
                mp / qtCpu * 1e6, qtCpu / oursCpu);
        }
    }
    for (QSize size : frames) {
        const std::string name = SizeName(size);
        const double ours = reporter.Us("decode " + name + " ours"),
                     turbo = reporter.Us("decode " + name + " turbo"),
                     oursCpu = reporter.CpuUs("decode " + name + " ours"),
                     turboCpu = reporter.CpuUs("decode " + name + " turbo");
        if (ours > 0 && turbo > 0 && turboCpu > 0)
            std::printf(
                "decode %-21s ours %7.0f us, libjpeg-turbo %7.0f us; ratio %.3f (target <= 1.05); "
                "CPU time ratio %.3f; best of %d runs\n",
                name.c_str(), ours, turbo, ours / turbo, oursCpu / turboCpu, kDecodeRepetitions);
        const double d = reporter.Us("frame " + name + " decode"),
                     s = reporter.Us("frame " + name + " scale"),
                     p = reporter.Us("frame " + name + " paint"),
                     t = reporter.Us("frame " + name + " total");
        if (t > 0 && turbo > 0)
            std::printf(
                "frame %-9s into 800x600 decode %6.0f + scale %6.0f + paint %5.0f = %6.0f us "
                "(measured together); libjpeg-turbo decode %6.0f us; ratio %.2f\n",
                name.c_str(), d, s, p, t, turbo, t / turbo);
    }
    return 0;
}

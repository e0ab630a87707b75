// Soak: continuous video against the simulated scanner at 115200 baud without pacing, through
// the acquisition loop into an 800 x 600 view, for N frames (first argument, default 1000).
// Reports frames per second and how resident memory (/proc/self/statm) and open descriptors
// (/proc/self/fd) grow: the least-squares slope per 100 frames of samples taken every 100 frames
// in the second half of the run (in the first, caches fill and the allocator finds its size),
// and the median change between samples, which a one-off step (Qt retiring an idle pool thread)
// leaves at 0 while a leak does not. A steady program shows 0 for all.
// Usage: soak_bench [frames]
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/acquisition.h"
#include "bench/build_description.h"
#include "bench/test_card.h"
#include "core/run_loop.h"
#include "device/baud_rate.h"
#include "device/device_exceptions.h"
#include "device/device_link.h"
#include "device/image_area.h"
#include "device/packet_protocol.h"
#include "imaging/image_file.h"
#include "imaging/image_viewer.h"
#include "tools/scanner-sim/scanner.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultFrames = 1000;
constexpr int kSampleEvery = 100;
constexpr ImageParameters kFrameParams{1, 320, 240, 1, 90};

struct Sample {
    double frame;
    double residentKb;
    double descriptors;
};

double ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1024;
}

double OpenDescriptors() {
    double count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// Least-squares slope of y over frames, per 100 frames.
double SlopePer100(const std::vector<Sample>& samples, double Sample::*y) {
    const double n = double(samples.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample& s : samples) {
        sx += s.frame;
        sy += s.*y;
        sxx += s.frame * s.frame;
        sxy += s.frame * (s.*y);
    }
    const double denominator = n * sxx - sx * sx;
    return denominator == 0 ? 0 : (n * sxy - sx * sy) / denominator * 100;
}

// Median of the changes from one sample to the next.
double MedianStep(const std::vector<Sample>& samples, double Sample::*y) {
    std::vector<double> steps;
    for (size_t i = 1; i < samples.size(); ++i) steps.push_back(samples[i].*y - samples[i - 1].*y);
    std::sort(steps.begin(), steps.end());
    const size_t n = steps.size();
    return n % 2 ? steps[n / 2] : (steps[n / 2 - 1] + steps[n / 2]) / 2;
}

// Shows every frame in the view, as the main window does.
class ViewHost : public AcquisitionHost {
public:
    explicit ViewHost(CImageViewer& viewer) : m_viewer(viewer) {}
    int SelectedMode() const override { return Video; }
    ImageParameters SnapshotParameters() const override { return kFrameParams; }
    ImageParameters VideoParameters() const override { return kFrameParams; }
    void SetStatusText(const QString&) override {}
    void ShowImage(const ReceivedImage& image) override {
        m_viewer.SetImage(image.picture);
        ++shown;
    }
    QWidget* Window() override { return &m_viewer; }
    int shown = 0;

private:
    CImageViewer& m_viewer;
};

scanner_sim::Config SimConfig(const QByteArray& jpeg) {
    scanner_sim::Config config;
    config.baudIndex = kMaxBaudIndex;
    config.pacing = false;
    config.images = {scanner_sim::Bytes(jpeg.begin(), jpeg.end())};
    config.logCapacity = 100;  // the simulator's own records stay small and fixed
    return config;
}

void Soak(int frames) {
    const QByteArray jpeg = FrameJpeg();
    scanner_sim::Scanner scanner(SimConfig(jpeg));
    DeviceLink link(scanner.SlavePath(), kMaxBaudIndex, 200);
    CDeviceProtocol& protocol = link.Protocol();
    CheckImageSupport(protocol);
    LeaveImageLoad(protocol);

    CImageViewer viewer;
    viewer.resize(800, 600);
    viewer.show();
    ViewHost host(viewer);
    OperationScope scope;

    std::vector<Sample> samples;
    const auto start = Clock::now();
    for (int i = 1; i <= frames; ++i) {
        AcquireImage(protocol, host, host.VideoParameters());
        if (i % kSampleEvery == 0 && i >= frames / 2)
            samples.push_back({double(i), ResidentKb(), OpenDescriptors()});
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    LeaveImageLoad(protocol);
    if (host.shown != frames) throw std::runtime_error("not every frame was decoded and shown");

    std::printf("soak: %d frames of a %d-byte 320x240 JPEG at 115200 baud, unpaced, in %.1f s\n",
                frames, int(jpeg.size()), seconds);
    std::printf("%-44s %10.2f fps\n", "frames per second", frames / seconds);
    if (samples.size() < 2) {
        std::printf("(at least %d frames are needed for the slopes)\n", 4 * kSampleEvery);
        return;
    }
    std::printf("%-44s %10.2f KB   median step %.2f KB (%.0f KB at frame %d, %.0f KB at the end)\n",
                "resident memory slope per 100 frames", SlopePer100(samples, &Sample::residentKb),
                MedianStep(samples, &Sample::residentKb), samples.front().residentKb,
                int(samples.front().frame), samples.back().residentKb);
    std::printf("%-44s %10.2f      median step %.2f (%.0f open at frame %d, %.0f at the end)\n",
                "open descriptor slope per 100 frames", SlopePer100(samples, &Sample::descriptors),
                MedianStep(samples, &Sample::descriptors), samples.front().descriptors,
                int(samples.front().frame), samples.back().descriptors);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrintBuildDescription();
    const QStringList args = app.arguments();
    const int frames = args.size() > 1 ? args[1].toInt() : kDefaultFrames;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: soak_bench [frames]   (default %d)\n", kDefaultFrames);
        return 2;
    }
    try {
        Soak(frames);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak_bench: %s\n", e.what());
        return 1;
    } catch (const CException&) {
        std::fprintf(stderr, "soak_bench: the serial channel failed (time-out or closed)\n");
        return 1;
    }
    return 0;
}

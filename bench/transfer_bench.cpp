// End-to-end transfer figures over a pseudo-terminal against the simulated scanner:
//   a. image payload rate at 115200 baud (simulator holding every byte to the line rate) against
//      the wire bound of 128-byte reads;
//   b. host turnaround of one 128-byte read transaction without pacing;
//   c. frames per second of the whole video loop (request, locate, read, decode, show) for a
//      320 x 240 JPEG against the wire bound of every byte the frame moves;
//   d. time from the last block to the frame painted in an 800 x 600 view.
// A plain program with its own clock: each figure is one long measurement, not a kernel.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

#include "app/acquisition.h"
#include "bench/build_description.h"
#include "bench/test_card.h"
#include "bench/wire_bound.h"
#include "core/run_loop.h"
#include "device/baud_rate.h"
#include "device/com_device.h"
#include "device/device_commands.h"
#include "device/device_exceptions.h"
#include "device/image_area.h"
#include "imaging/image_file.h"
#include "imaging/image_viewer.h"
#include "tools/scanner-sim/scanner.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr ImageParameters kFrameParams{1, 320, 240, 1, 90};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Figure(const char* name, double value, const char* unit, double reference,
            const char* target) {
    std::printf("%-44s %10.2f %-6s reference %10.2f %-6s ratio %6.3f  %s\n", name, value, unit,
                reference, unit, value / reference, target);
}

// Forwards to the real port and counts the bytes that cross the line each way.
class CountingDevice : public CBasicDevice {
public:
    explicit CountingDevice(CBasicDevice& inner) : m_inner(inner) {}
    uint64_t Bytes() const { return m_written + m_read; }

    bool IsOpen() const override { return m_inner.IsOpen(); }
    void Write(const uint8_t* data, uint32_t length) override {
        m_inner.Write(data, length);
        m_written += length;
    }
    void WriteByte(uint8_t value) override { Write(&value, 1); }
    void Read(uint8_t* buffer, uint32_t length) override {
        m_inner.Read(buffer, length);
        m_read += length;
    }
    uint8_t ReadByte() override {
        uint8_t value = 0;
        Read(&value, 1);
        return value;
    }
    void ClearErrors() override { m_inner.ClearErrors(); }
    void PurgeReceive() override { m_inner.PurgeReceive(); }
    void PurgeTransmit() override { m_inner.PurgeTransmit(); }

private:
    CBasicDevice& m_inner;
    uint64_t m_written = 0;
    uint64_t m_read = 0;
};

// A simulated scanner at 115200 baud serving `images`, with the program's channel open on it.
struct Rig {
    Rig(bool pacing, std::vector<scanner_sim::Bytes> images)
        : scanner(MakeConfig(pacing, std::move(images))), counter(port) {
        if (!port.Open(scanner.SlavePath(), BaudIndexToRate(kMaxBaudIndex), 200))
            throw std::runtime_error("cannot open the simulator's port");
        protocol.Attach(&counter);
        CheckImageSupport(protocol);
        LeaveImageLoad(protocol);
    }
    static scanner_sim::Config MakeConfig(bool pacing, std::vector<scanner_sim::Bytes> images) {
        scanner_sim::Config config;
        config.baudIndex = kMaxBaudIndex;
        config.pacing = pacing;
        config.images = std::move(images);
        return config;
    }

    scanner_sim::Scanner scanner;
    CComDevice port;
    CountingDevice counter;
    CDeviceProtocol protocol;
};

scanner_sim::Bytes Pattern(std::size_t size) {
    scanner_sim::Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    return bytes;
}

// a. The payload rate of one 64 KiB image read in 128-byte blocks, with the line paced.
void PayloadRate() {
    const scanner_sim::Bytes image = Pattern(64 * 1024);
    Rig rig(true, {image});
    RequestImage(rig.protocol, kFrameParams);
    const ImageLocation where = LocateImage(rig.protocol);
    std::vector<uint8_t> buffer(where.size);
    const auto start = Clock::now();
    CheckStatus(rig.protocol.ReadMemory(where.address, buffer.data(), where.size, nullptr, nullptr,
                                        kMemoryChunk));
    const double seconds = Seconds(Clock::now() - start);
    if (buffer != image)
        throw std::runtime_error("the image read back differs from the one served");

    const double bound = BlockPayloadRate(kMemoryChunk);
    Figure("a. payload rate, 64 KiB at 115200 (paced)", where.size / seconds, "B/s", bound,
           "(wire bound; target ratio >= 0.97)");
}

// b. Host time per 128-byte read transaction when the device answers at once.
void Turnaround() {
    Rig rig(false, {Pattern(64 * 1024)});
    RequestImage(rig.protocol, kFrameParams);
    const ImageLocation where = LocateImage(rig.protocol);
    uint8_t block[kMemoryChunk];
    std::vector<double> micros;
    const uint32_t blocks = where.size / kMemoryChunk;
    for (uint32_t i = 0; i < 3000; ++i) {
        const uint32_t address = where.address + (i % blocks) * kMemoryChunk;
        const auto start = Clock::now();
        CheckStatus(
            rig.protocol.ReadMemory(address, block, kMemoryChunk, nullptr, nullptr, kMemoryChunk));
        if (i >= 100) micros.push_back(Micros(Clock::now() - start));  // after a warm-up
    }
    Figure("b. turnaround per 128-byte read (median)", Median(micros), "us", 200,
           "(limit; target ratio <= 1)");
}

// The image view, noting when it last finished painting.
class TimedViewer : public CImageViewer {
public:
    Clock::time_point painted;

protected:
    void paintEvent(QPaintEvent* event) override {
        CImageViewer::paintEvent(event);
        painted = Clock::now();
    }
};

// Runs the video loop into the view and notes the times of each frame's last stages.
class VideoHost : public AcquisitionHost {
public:
    explicit VideoHost(TimedViewer& viewer) : m_viewer(viewer) {}
    Clock::time_point lastBlock, decoded, shown;

    int SelectedMode() const override { return Video; }
    ImageParameters SnapshotParameters() const override { return kFrameParams; }
    ImageParameters VideoParameters() const override { return kFrameParams; }
    void SetStatusText(const QString&) override { lastBlock = Clock::now(); }  // after each block
    void ShowImage(const ReceivedImage& image) override {
        decoded = Clock::now();
        m_viewer.SetImage(image.picture);
        shown = Clock::now();
    }
    QWidget* Window() override { return &m_viewer; }

private:
    TimedViewer& m_viewer;
};

// c. and d. Whole frames through the acquisition loop, paced, into an 800 x 600 view.
void VideoFrames() {
    const QByteArray jpeg = FrameJpeg();
    Rig rig(true, {scanner_sim::Bytes(jpeg.begin(), jpeg.end())});
    TimedViewer viewer;
    viewer.resize(800, 600);
    viewer.show();
    VideoHost host(viewer);
    OperationScope scope;

    constexpr int kFrames = 6;
    std::vector<double> decode, set, paint, total;
    uint64_t wireBytes = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        const uint64_t before = rig.counter.Bytes();
        AcquireImage(rig.protocol, host, host.VideoParameters());
        wireBytes += rig.counter.Bytes() - before;
        if (viewer.painted < host.shown) throw std::runtime_error("the frame was not painted");
        decode.push_back(Micros(host.decoded - host.lastBlock));
        set.push_back(Micros(host.shown - host.decoded));
        paint.push_back(Micros(viewer.painted - host.shown));
        total.push_back(Micros(viewer.painted - host.lastBlock));
    }
    const double seconds = Seconds(Clock::now() - start);

    const double bytesPerFrame = double(wireBytes) / kFrames;
    const double boundFps = kLineBaud / kBitsPerByte / bytesPerFrame;
    std::printf(
        "c. frame: %lld-byte JPEG 320x240; %.0f bytes on the wire per frame (every "
        "request and answer:\n   request, acknowledge and ready polls, locate, data reads)\n",
        static_cast<long long>(jpeg.size()), bytesPerFrame);
    Figure("c. frames per second at 115200 (paced)", kFrames / seconds, "fps", boundFps,
           "(wire bound; the 10 ms poll waits are not on the wire)");
    std::printf(
        "d. last block to frame on screen, median of %d frames: decode (after the "
        "last block's event pass) %.0f us, SetImage %.0f us, paint %.0f us\n",
        kFrames, Median(decode), Median(set), Median(paint));
    Figure("d. last block to frame painted (median)", Median(total) / 1000, "ms",
           WireMs(kReadRequestBytes + kReadAnswerOverhead + 128),
           "(reference: one block's wire time)");
}

}  // namespace

int main(int argc, char** argv) {
    PrintBuildDescription();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        PayloadRate();
        Turnaround();
        VideoFrames();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "transfer_bench: %s\n", e.what());
        return 1;
    } catch (const CException&) {
        std::fprintf(stderr, "transfer_bench: the serial channel failed (time-out or closed)\n");
        return 1;
    }
    return 0;
}

// Time automatic saving adds to each image, next to the time the image itself takes on the wire.
// The image is the 640x480 JPEG test card from resources/samples; each save is what the program
// does per image: a new temporary file written and flushed (fsync), renamed to its numbered name
// without replacing anything, and the folder flushed. The folder is on the build's own disk
// (not a RAM-backed /tmp), or the one given as the first argument.
//
// Wire time counts only the image's own bytes at 10 bits each (start, 8 data, stop) at 115200
// baud; the protocol's framing makes the real transfer longer, so the ratio is an upper bound.
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/build_description.h"
#include "bench/wire_bound.h"
#include "imaging/file_writer.h"
#include "imaging/image_file.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kImages = 200;
constexpr double kTargetPercent = 1.0;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    PrintBuildDescription();
    QCoreApplication app(argc, argv);
    QFile sample(QStringLiteral(VELTOR_SAMPLES_DIR "/testcard-640x480.jpg"));
    if (!sample.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "autosave_bench: cannot read %s\n", qPrintable(sample.fileName()));
        return 1;
    }
    const QByteArray jpeg = sample.readAll();
    const QString base =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QCoreApplication::applicationDirPath();
    QTemporaryDir folder(base + QStringLiteral("/autosave-bench-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "autosave_bench: cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }

    std::vector<double> millis;
    for (int i = 0; i < kImages; ++i) {
        const auto start = Clock::now();
        const QString path = WriteNewFile(folder.path(), AutoSaveStem(QDateTime::currentDateTime()),
                                          FileExtension(ImageFileType::Jpeg), jpeg);
        millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (path.isEmpty()) {
            std::fprintf(stderr, "autosave_bench: the save failed\n");
            return 1;
        }
    }
    const double save = Median(millis);
    const double wire = WireMs(jpeg.size());
    const double percent = 100 * save / wire;
    std::printf("image: %lld-byte JPEG 640x480; %d saves into %s\n",
                static_cast<long long>(jpeg.size()), kImages, qPrintable(folder.path()));
    std::printf("%-44s %10.3f ms     reference %10.2f ms     ratio %6.3f %%  (target <= %.0f %%)\n",
                "auto-save per image (median)", save, wire, percent, kTargetPercent);
    std::printf("%-44s %10.3f ms\n", "auto-save per image (slowest)",
                *std::max_element(millis.begin(), millis.end()));
    return 0;
}

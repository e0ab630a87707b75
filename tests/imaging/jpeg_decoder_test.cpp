// JPEG decoding through DecodeImage: padded, cut-off and corrupt files, the scan limit.
#include "imaging/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "imaging/image_decoder.h"
#include "tests/imaging/test_images.h"

namespace {

Bytes Cut(const Bytes& jpeg, size_t length, bool endMarker) {
    Bytes cut(jpeg.begin(), jpeg.begin() + long(length));
    if (endMarker) cut.insert(cut.end(), {0xFF, 0xD9});
    return cut;
}

TEST(JpegDecoding, PaddingAfterTheEndMarkerIsIgnored) {
    const Bytes jpeg = MakeJpeg(JpegKind::Baseline);
    QImage whole, padded;
    ASSERT_TRUE(DecodeEveryPixel(whole, jpeg));
    for (uint8_t fill : {0x00, 0xFF, 0xD9}) {
        Bytes block = jpeg;
        block.resize(4096, fill);
        ASSERT_TRUE(DecodeEveryPixel(padded, block)) << int(fill);
        EXPECT_EQ(padded, whole);
    }
    Bytes twoFiles = jpeg;  // a stale transfer after the image: only the first one counts
    const Bytes grey = MakeJpeg(JpegKind::Grey);
    twoFiles.insert(twoFiles.end(), grey.begin(), grey.end());
    ASSERT_TRUE(DecodeEveryPixel(padded, twoFiles));
    EXPECT_EQ(padded, whole);
}

// No part of a picture is shown: a file cut anywhere is refused, also when an end marker follows
// the cut (the library then decodes the rest as grey, or a progressive file at lower quality).
TEST(JpegDecoding, CutOffFilesAreRefused) {
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::SeparateScans,
                          JpegKind::WithRestarts}) {
        SCOPED_TRACE(int(kind));
        const Bytes jpeg = MakeJpeg(kind);
        QImage image;
        EXPECT_FALSE(DecodeEveryPixel(image, Cut(jpeg, jpeg.size() / 2, true)));
        EXPECT_FALSE(DecodeEveryPixel(image, Cut(jpeg, jpeg.size() - 1, false)));
        int accepted = 0;
        for (size_t length = 3; length < jpeg.size() - 2; ++length)
            for (bool endMarker : {false, true})
                accepted += Decode(image, Cut(jpeg, length, endMarker));
        EXPECT_EQ(accepted, 0);
    }
}

TEST(JpegDecoding, CorruptRestartMarkersAreRefused) {
    const Bytes jpeg = MakeJpeg(JpegKind::WithRestarts);
    size_t rst = 0;
    while (!(jpeg[rst] == 0xFF && jpeg[rst + 1] == 0xD0)) ++rst;
    QImage image;
    Bytes lost = jpeg;
    lost.erase(lost.begin() + long(rst), lost.begin() + long(rst) + 2);
    EXPECT_FALSE(DecodeEveryPixel(image, lost));
    Bytes wrong = jpeg;
    wrong[rst + 1] = 0xD3;
    EXPECT_FALSE(DecodeEveryPixel(image, wrong));
}

TEST(JpegDecoding, ScanCountIsLimited) {
    QImage image;
    EXPECT_TRUE(DecodeEveryPixel(image, MakeManyScanJpeg(kMaxJpegScans)));
    EXPECT_FALSE(DecodeEveryPixel(image, MakeManyScanJpeg(kMaxJpegScans + 1)));

    // Crafted files of a sizeable picture: hundreds of scans refining one coefficient at a time,
    // and 20,000 empty scans (repeats of one that sends the last coefficient, which the library
    // takes without a warning). Refused within the limit's work.
    const Bytes valid = MakeManyScanJpeg(694, 512, 512);
    const Bytes repeats = WithRepeatedLastScan(MakeManyScanJpeg(64, 512, 512), 20000);
    for (const Bytes* crafted : {&valid, &repeats}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(Decode(image, *crafted));
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        std::printf("%zu-byte many-scan JPEG refused in %.1f ms\n", crafted->size(), took.count());
    }
}

}  // namespace

#include "tests/imaging/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>  // jpeglib.h uses FILE without declaring it
#include <cstdlib>
#include <cstring>

#include "imaging/image_decoder.h"

// Needs <cstdio> first.
#include <jpeglib.h>

namespace {

void Put16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& b, uint32_t v) {
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// The test pictures as JPEG input: Gradient() in grey, RGB or CMYK (with a varying K), flat grey.
void Grey(int x, int y, uint8_t* p) { p[0] = uint8_t(qGray(Gradient(x, y))); }
void Rgb(int x, int y, uint8_t* p) {
    const QRgb c = Gradient(x, y);
    p[0] = uint8_t(qRed(c)), p[1] = uint8_t(qGreen(c)), p[2] = uint8_t(qBlue(c));
}
void Cmyk(int x, int y, uint8_t* p) {
    Rgb(x, y, p);
    p[3] = uint8_t(255 - (x + 2 * y) % 64);
}
void MidGrey(int, int, uint8_t* p) { p[0] = 128; }

// Writes the picture `pixel` draws with `components` channels; `configure` sets what differs from
// libjpeg's defaults.
Bytes Compress(int width, int height, int components, void (*pixel)(int x, int y, uint8_t* p),
               const std::function<void(jpeg_compress_struct&)>& configure = {}) {
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);  // a library error ends the test program
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = width;
    c.image_height = height;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (configure) configure(c);
    jpeg_start_compress(&c, TRUE);
    Bytes row(size_t(width) * components);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x)
            pixel(x, int(c.next_scanline), &row[size_t(x) * components]);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    Bytes jpeg(out, out + outSize);
    jpeg_destroy_compress(&c);
    std::free(out);
    return jpeg;
}

jpeg_scan_info Scan(int component, int from, int to, int high, int low) {
    return {1, {component}, from, to, high, low};
}

}  // namespace

Bytes MakeBmp(const BmpFormat& s, const Bytes& pixels) {
    const bool core = s.infoSize == 12;
    const uint32_t masksAfter = s.infoSize == 40 ? 4 * uint32_t(s.masks.size()) : 0;
    const uint32_t offset =
        14 + s.infoSize + masksAfter + (core ? 3 : 4) * uint32_t(s.palette.size());
    Bytes b{'B', 'M'};
    Put32(b, offset + uint32_t(pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, s.infoSize);
    if (core) {
        for (int v : {s.width, s.height, 1, s.bpp}) Put16(b, v);
    } else {
        Put32(b, s.width);
        Put32(b, uint32_t(s.topDown ? -s.height : s.height));
        Put16(b, 1);
        Put16(b, s.bpp);
        for (uint32_t v :
             {s.compression, uint32_t(pixels.size()), 2835u, 2835u, uint32_t(s.palette.size()), 0u})
            Put32(b, v);
        Bytes extension(s.infoSize - 40, 0);
        for (size_t i = 0; i < s.masks.size() && s.infoSize > 40; ++i)
            for (int k = 0; k < 4; ++k) extension[4 * i + k] = uint8_t(s.masks[i] >> (8 * k));
        b.insert(b.end(), extension.begin(), extension.end());
    }
    if (s.infoSize == 40)
        for (uint32_t mask : s.masks) Put32(b, mask);
    for (QRgb c : s.palette) {
        b.insert(b.end(), {uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c))});
        if (!core) b.push_back(0);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes BmpRows(const BmpFormat& s, const std::function<uint32_t(int x, int y)>& value) {
    const size_t rowBytes = (size_t(s.width) * s.bpp + 31) / 32 * 4;
    Bytes rows;
    for (int n = 0; n < s.height; ++n) {
        const int y = s.topDown ? n : s.height - 1 - n;
        Bytes row(rowBytes, 0);
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = value(x, y);
            if (s.bpp < 8) {
                const int bit = x * s.bpp;
                row[bit / 8] |= uint8_t(v << (8 - s.bpp - bit % 8));
            } else {
                for (int k = 0; k < s.bpp / 8; ++k) row[x * s.bpp / 8 + k] = uint8_t(v >> (8 * k));
            }
        }
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
}

QRgb Gradient(int x, int y) { return qRgb(x * 4 % 256, y * 5 % 256, 128 + (x + y) % 8); }

Bytes MakeJpeg(JpegKind kind, int width, int height) {
    switch (kind) {
        case JpegKind::Baseline: return Compress(width, height, 3, Rgb);
        case JpegKind::Grey: return Compress(width, height, 1, Grey);
        case JpegKind::FlatGrey: return Compress(width, height, 1, MidGrey);
        case JpegKind::Cmyk: return Compress(width, height, 4, Cmyk);
        case JpegKind::Progressive:
            return Compress(width, height, 3, Rgb, [](auto& c) { jpeg_simple_progression(&c); });
        case JpegKind::WithRestarts:
            return Compress(width, height, 3, Rgb, [](auto& c) { c.restart_in_rows = 1; });
        case JpegKind::SeparateScans:
            return Compress(width, height, 3, Rgb, [](auto& c) {
                static const jpeg_scan_info scans[] = {Scan(0, 0, 63, 0, 0), Scan(1, 0, 63, 0, 0),
                                                       Scan(2, 0, 63, 0, 0)};
                c.scan_info = scans;
                c.num_scans = 3;
            });
    }
    return {};
}

Bytes MakeManyScanJpeg(int scans, int width, int height) {
    // The DC scan, then per AC coefficient a first scan and up to 10 refinements.
    std::vector<jpeg_scan_info> script{Scan(0, 0, 0, 0, 0)};
    int refinements = scans - 64;
    for (int k = 1; k < 64; ++k) {
        const int low = std::min(refinements, 10);
        refinements -= low;
        script.push_back(Scan(0, k, k, 0, low));
        for (int bit = low; bit > 0; --bit) script.push_back(Scan(0, k, k, bit, bit - 1));
    }
    return Compress(width, height, 1, Grey, [&](auto& c) {
        c.scan_info = script.data();
        c.num_scans = int(script.size());
    });
}

Bytes WithRepeatedLastScan(const Bytes& jpeg, int copies) {
    size_t sos = jpeg.size() - 2;
    while (!(jpeg[sos] == 0xFF && jpeg[sos + 1] == 0xDA)) --sos;
    const Bytes scan(jpeg.begin() + long(sos), jpeg.end() - 2);  // up to the end marker
    Bytes result(jpeg.begin(), jpeg.end() - 2);
    for (int i = 0; i < copies; ++i) result.insert(result.end(), scan.begin(), scan.end());
    result.insert(result.end(), {0xFF, 0xD9});
    return result;
}

namespace {

QImage Filled(int width, int height, QImage::Format format, uint32_t pattern) {
    QImage image(width, height, format);
    image.fill(pattern);
    return image;
}
QImage FilledWithZeros(int w, int h, QImage::Format f) { return Filled(w, h, f, 0); }
QImage FilledWithOnes(int w, int h, QImage::Format f) { return Filled(w, h, f, 0xFFFFFFFFu); }

}  // namespace

bool DecodeEveryPixel(QImage& image, const Bytes& bytes) {
    const auto size = uint32_t(bytes.size());
    QImage other;
    const bool accepted = DecodeImage(image, bytes.data(), size, FilledWithZeros);
    EXPECT_EQ(DecodeImage(other, bytes.data(), size, FilledWithOnes), accepted);
    if (!accepted || image.size() != other.size()) return accepted;
    const size_t rowBytes = size_t(image.width()) * 4;  // QImage::operator== skips RGB32's X
    for (int y = 0; y < image.height(); ++y)
        if (std::memcmp(image.constScanLine(y), other.constScanLine(y), rowBytes) != 0) {
            ADD_FAILURE() << "row " << y << " not entirely written";
            break;
        }
    return accepted;
}

bool Decode(QImage& image, const Bytes& bytes) {
    return DecodeImage(image, bytes.data(), uint32_t(bytes.size()));
}

// Writes the seed corpora (corpus/<target>/seed-*) and dictionaries (dict/<target>.dict) of the
// fuzz targets under the given folder. Usage: veltor-fuzz-seeds <fuzz folder>
// Seeds are small cases that reach each target's paths; other files in the corpus folders (inputs
// kept from fuzz runs) are left alone.
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/scanner-sim/frame_parser.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path g_root;

void WriteFile(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void Seed(const char* target, const std::string& name, const Bytes& bytes) {
    WriteFile(g_root / "corpus" / target / ("seed-" + name), bytes);
}

// One dictionary entry per string, in libFuzzer's syntax with \xNN escapes.
void Dictionary(const char* target, const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) {
        text += '"';
        for (unsigned char c : entry) {
            char escaped[5];
            const bool plain = c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
            std::snprintf(escaped, sizeof escaped, plain ? "%c" : "\\x%02X", c);
            text += escaped;
        }
        text += "\"\n";
    }
    WriteFile(g_root / "dict" / (std::string(target) + ".dict"), Bytes(text.begin(), text.end()));
}

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Le16(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// --- ini_file: op count, then per op a kind byte (1: pick a key of the file, 2: UTF-16 value),
// the pick or the section and key, the value; then the file.

Bytes Text(const std::string& text) { return Bytes{uint8_t(text.size())} + B(text); }
Bytes NamedWrite(const std::string& section, const std::string& key, const std::string& value) {
    return Bytes{0} + Text(section) + Text(key) + Text(value);
}
Bytes PickedWrite(uint8_t pick, const std::string& value) { return Bytes{1, pick} + Text(value); }

void IniSeeds() {
    const std::string programFile =
        "[Connect]\nPortName=/dev/ttyUSB0\nBaudRate=6\nTimeout=1000\n\n[ImageAcquisition]\n"
        "AcquisitionMode=1\n\n[ImageAcquisition\\Snapshot]\nImageFormat=1\nViewWidth=-1\n"
        "ViewHeight=-1\nSubsamplingCoeff=1\nJpegQuality=90\n\n[Window]\nIsMaximized=0\n";
    Seed("ini_file", "program-file", Bytes{0} + B(programFile));
    Seed("ini_file", "hand-edited",
         Bytes{3} + PickedWrite(0, " lead") + PickedWrite(1, "\"quoted\"") +
             NamedWrite("Window", "Width", "800") +
             B("\xEF\xBB\xBF; settings\r\n[Connect]\r\n  PortName = \"/dev/ttyS0\"  \r\n"
               "Timeout=300\r\n; between\r\n\r\n[Other]\r\nx='1'"));
    Seed("ini_file", "value-with-mark",
         Bytes{1} + NamedWrite("Connect", "PortName", "\xEF\xBB\xBF/dev/ttyS1") +
             B("[connect]\nportname = x\n"));
    Seed("ini_file", "lone-surrogate",
         Bytes{1, 2} + Text("A") + Text("k") + Bytes{2, 0xD8, 0x00, 0x00, 0x41} + B("[A]\nk=1"));
    Seed("ini_file", "refused-names",
         Bytes{3} + NamedWrite("Con]nect", "a", "1") + NamedWrite("A", ";k", "1") +
             NamedWrite("A", " k", "1"));
    Seed("ini_file", "insert-before-last-line",
         Bytes{2} + NamedWrite("A", "new", "'x'") + NamedWrite("B", "k", "\t") +
             B("[A]\nk=1\n; last line without an ending"));
    Seed("ini_file", "odd-lines",
         Bytes{1} + NamedWrite("Connect", "Timeout", "5") +
             Bytes{'n', 'o', 0, 0xFF, '[', 1, '=', 2, '\r', '\r', '\n'} +
             B("[Connect\n=orphan\n  [Connect]  trailing\nTimeout\n"));
}

// --- image_decoder: files as the device sends them.

Bytes Encode(const QImage& image, const char* format, int quality = -1) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) throw std::runtime_error("cannot encode a seed image");
    return Bytes(buffer.data().begin(), buffer.data().end());
}

QImage Pattern(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 40, y * 60, (x + y) * 20, 255 - x * 30));
    return image.convertToFormat(format);
}

// A BMP with a 40-byte (or 12-byte core) header around the given pixel rows; `palette` holds
// the colour table or, for bit fields, the masks.
Bytes Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const Bytes& palette,
          const Bytes& pixels, bool core = false) {
    const uint32_t infoSize = core ? 12 : 40;
    const uint32_t offset = 14 + infoSize + uint32_t(palette.size());
    Bytes info =
        core ? Le32(12) + Le16(uint32_t(width)) + Le16(uint32_t(height)) + Le16(1) + Le16(bits)
             : Le32(40) + Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le16(1) + Le16(bits) +
                   Le32(compression) + Le32(uint32_t(pixels.size())) + Le32(2835) + Le32(2835) +
                   Le32(bits <= 8 ? uint32_t(palette.size() / 4) : 0) + Le32(0);
    return B("BM") + Le32(offset + uint32_t(pixels.size())) + Le32(0) + Le32(offset) + info +
           palette + pixels;
}

// A 32-bit BMP with a 108-byte header whose masks include alpha.
Bytes AlphaBmp() {
    const Bytes pixels = Le32(0x80FF0000) + Le32(0xFF00FF00);  // 1 x 2
    const uint32_t offset = 14 + 108;
    Bytes info = Le32(108) + Le32(1) + Le32(2) + Le16(1) + Le16(32) + Le32(3) +
                 Le32(uint32_t(pixels.size())) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0) +
                 Le32(0x00FF0000) + Le32(0x0000FF00) + Le32(0x000000FF) + Le32(0xFF000000) +
                 B("BGRs");
    info.resize(108, 0);  // colour space end points and gamma
    return B("BM") + Le32(offset + uint32_t(pixels.size())) + Le32(0) + Le32(offset) + info +
           pixels;
}

void ImageSeeds() {
    Seed("image_decoder", "alpha.bmp", AlphaBmp());
    Seed("image_decoder", "palette.bmp", Encode(Pattern(8, 3, QImage::Format_Indexed8), "bmp"));
    Seed("image_decoder", "mono.bmp", Encode(Pattern(32, 2, QImage::Format_Mono), "bmp"));
    Seed("image_decoder", "rgb.bmp", Encode(Pattern(3, 2, QImage::Format_RGB32), "bmp"));
    const Bytes rows24 = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};  // 2 x 2
    Seed("image_decoder", "top-down.bmp", Bmp(2, -2, 24, 0, {}, rows24));
    Seed("image_decoder", "core.bmp", Bmp(2, 1, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0}, true));
    const Bytes grey = {0, 0, 0, 0, 128, 128, 128, 0, 255, 255, 255, 0};
    Seed("image_decoder", "rle8.bmp", Bmp(4, 2, 8, 1, grey, {4, 1, 0, 0, 2, 2, 2, 0, 0, 1}));
    const Bytes masks = Le32(0x00FF0000) + Le32(0x0000FF00) + Le32(0x000000FF);
    Seed("image_decoder", "bitfields.bmp",
         Bmp(1, 2, 32, 3, masks, Le32(0x00112233) + Le32(0x00445566)));
    Seed("image_decoder", "colour.jpg", Encode(Pattern(8, 8, QImage::Format_RGB32), "jpeg", 75));
    Seed("image_decoder", "grey.jpg",
         Encode(Pattern(17, 9, QImage::Format_Grayscale8), "jpeg", 50));
    Bytes cut = Encode(Pattern(16, 16, QImage::Format_RGB32), "jpeg", 90);
    cut.resize(cut.size() / 2);
    Seed("image_decoder", "truncated.jpg", cut);
}

// --- packet_protocol: command, answer length, parameter count and bytes, then the answer bytes.

Bytes Frame(const Bytes& payload) { return scanner_sim::BuildFrame(payload); }

void ProtocolSeeds() {
    const Bytes state = {0x9F, 0x00, 1, 2, 3, 4};
    Seed("packet_protocol", "state", Bytes{0x9F, 4, 0} + Frame(state));
    Seed("packet_protocol", "info", Bytes{0x9E, 5, 1, 0} + Frame({0x9E, 0, 1, 2, 3, 4, 151}));
    Seed("packet_protocol", "not-supported", Bytes{0xA1, 1, 0} + Frame({0xA1, 8}));
    Seed("packet_protocol", "wrong-echo-then-answer",
         Bytes{0x9F, 4, 0} + Frame({0x9E, 0, 1, 2, 3, 4}) + Frame(state));
    Bytes badCheck = Frame(state);
    badCheck.back() ^= 1;
    Seed("packet_protocol", "bad-check-then-answer", Bytes{0x9F, 4, 0} + badCheck + Frame(state));
    Seed("packet_protocol", "echo-only", Bytes{0x9F, 4, 0} + Frame({0x9F}));
    Seed("packet_protocol", "one-byte-too-many", Bytes{0x9F, 4, 0} + Frame(state + Bytes{5}));
    Bytes longest = {0x9D, 0};
    for (int i = 0; i < 254; ++i) longest.push_back(uint8_t(i));
    Seed("packet_protocol", "longest-answer", Bytes{0x9D, 254, 3, 0, 0, 1} + Frame(longest));
    Seed("packet_protocol", "unframeable-answer", Bytes{0x9D, 255, 0});
    Seed("packet_protocol", "silence", Bytes{0x9F, 4, 0, 0x03, 0x02, 0x20, 0x9F});
}

// --- image_area: the device's image area.

Bytes Area(char version, uint16_t headerLength, uint32_t imageSize, size_t imageBytes) {
    Bytes area = Bytes{uint8_t(version), 0x47, 0x4D, 0x49} + Le16(headerLength) + Bytes{0, 0};
    area.resize(std::max<size_t>(headerLength, area.size()), 0);
    area = area + Le32(imageSize);
    for (size_t i = 0; i < imageBytes; ++i) area.push_back(uint8_t(i * 7));
    return area;
}

void AreaSeeds() {
    Seed("image_area", "image", Area('2', 20, 40, 40));
    Seed("image_area", "three-blocks", Area('2', 20, 300, 300));
    Seed("image_area", "short-header", Area('2', 16, 8, 8));
    Seed("image_area", "header-too-short", Area('2', 7, 8, 8));
    Seed("image_area", "old-interface", Area('1', 20, 8, 8));
    Seed("image_area", "size-beyond-limit", Area('2', 20, 0x04000001, 0));
    Seed("image_area", "size-beyond-area", Area('2', 20, 1000, 10));
    Bytes far = Area('2', 20, 4, 4);
    far[4] = 0xFF;  // the size word would lie far past the area
    Seed("image_area", "header-past-area", far);
}

// --- frame_parser: (delay in ms, byte) pairs.

Bytes Timed(const Bytes& bytes, uint8_t delay) {
    Bytes pairs;
    for (uint8_t b : bytes) pairs = pairs + Bytes{delay, b};
    return pairs;
}

void ParserSeeds() {
    const Bytes frame = Frame({0x9F, 1, 2});
    Seed("frame_parser", "two-frames", Timed(frame, 1) + Timed({0x55, 0xAA}, 0) + Timed(frame, 0));
    Bytes broken = Timed(frame, 2);
    broken[4] = 60;  // a gap longer than the parser waits, inside the frame
    Seed("frame_parser", "gap-then-frame", broken + Timed(frame, 1));
    Bytes longest(256);
    for (size_t i = 0; i < longest.size(); ++i) longest[i] = uint8_t(i);
    Seed("frame_parser", "longest", Timed(Frame(longest), 0));
    Bytes bad = Frame({0x9E, 0});
    bad.back() ^= 0xFF;
    Seed("frame_parser", "bad-check", Timed(bad + frame, 1));
}

void Dictionaries() {
    Dictionary("ini_file", {"[", "]", "=", "\"", "'", "\xEF\xBB\xBF", "\r\n", ";", "#", " ", "\t",
                            "\v", "Connect", "PortName", "ImageAcquisition\\Snapshot"});
    Dictionary(
        "image_decoder",
        {"BM", std::string("\x28\0\0\0", 4), std::string("\x0C\0\0\0", 4),
         std::string("\x6C\0\0\0", 4), std::string("\x7C\0\0\0", 4), std::string("\x03\0\0\0", 4),
         "\xFF\xD8\xFF", "\xFF\xD9", "\xFF\xC0", "\xFF\xC2", "\xFF\xC4", "\xFF\xDA", "\xFF\xDB",
         "\xFF\xDD", "\xFF\xE0", "\xFF\xEE", std::string("JFIF\0", 5), std::string("Exif\0\0", 6)});
    Dictionary("packet_protocol", {"\x02", std::string("\x9F\0", 2), std::string("\x9E\0", 2),
                                   std::string("\x9D\0", 2), "\x9F\x02", "\x9F\x08"});
    Dictionary("image_area", {"2GMI", std::string("\x14\0", 2), std::string("\x10\0", 2),
                              std::string("\x08\0", 2), "\x80", "\x01"});
    Dictionary("frame_parser", {std::string("\0\x02", 2), std::string("\0\0", 2), "\x33"});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltor-fuzz-seeds <fuzz folder>\n");
        return 2;
    }
    g_root = argv[1];
    try {
        IniSeeds();
        ImageSeeds();
        ProtocolSeeds();
        AreaSeeds();
        ParserSeeds();
        Dictionaries();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltor-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}

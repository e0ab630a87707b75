#include "imaging/bmp_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // the old header: 16-bit sizes, 3-byte colours
constexpr uint32_t kOs2HeaderSize = 64;   // gives compression codes 3 and up other meanings
enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

uint32_t Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// One colour channel of a 16- or 32-bit pixel: where its bits are and how to widen them to 8.
class Channel {
public:
    Channel() = default;
    explicit Channel(uint32_t mask)
        : m_mask(mask), m_shift(mask ? std::countr_zero(mask) : 0), m_bits(std::popcount(mask)) {}

    // A channel's bits must be adjacent; an empty channel reads as 0.
    bool Valid() const { return ((m_mask >> m_shift) & ((m_mask >> m_shift) + 1)) == 0; }
    bool Present() const { return m_mask != 0; }

    uint32_t Of(uint32_t pixel) const {
        if (m_bits == 0) return 0;
        uint32_t v = (pixel & m_mask) >> m_shift;
        if (m_bits >= 8) return v >> (m_bits - 8);
        v <<= 8 - m_bits;  // repeat the bits downwards, so that all ones becomes 255
        for (int filled = m_bits; filled < 8; filled *= 2) v |= v >> filled;
        return v;
    }

private:
    uint32_t m_mask = 0;
    int m_shift = 0;
    int m_bits = 0;
};

// What the headers say about the pixels and where they are.
struct Layout {
    int width = 0;
    int height = 0;  // rows, counted positive
    bool topDown = false;
    uint32_t bitsPerPixel = 0;
    uint32_t compression = kRgb;
    Channel red, green, blue, alpha;
    std::array<QRgb, 256> palette{};  // entries the file lacks are opaque black
    uint32_t pixelOffset = 0;
};

bool IsRle(const Layout& l) { return l.compression == kRle8 || l.compression == kRle4; }

bool KnownCoding(uint32_t bitsPerPixel, uint32_t compression) {
    switch (compression) {
        case kRgb:
            return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                   bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
        case kRle8: return bitsPerPixel == 8;
        case kRle4: return bitsPerPixel == 4;
        case kBitFields:
        case kAlphaBitFields: return bitsPerPixel == 16 || bitsPerPixel == 32;
        default: return false;
    }
}

// Reads the channel masks of 16- and 32-bit pixels. They are part of the newer headers, or follow
// the 40-byte one; `tableOffset` moves past them then. False when they are missing or scattered.
bool ReadMasks(Layout& l, const uint8_t* d, uint32_t n, uint32_t infoSize, uint32_t& tableOffset) {
    if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
        const uint32_t count = l.compression == kAlphaBitFields ? 4 : 3;
        if (infoSize == 40) {
            tableOffset += 4 * count;
            if (tableOffset > n) return false;
        } else if (infoSize < 40 + 4 * count) {
            return false;
        }
        const uint8_t* masks = d + kFileHeaderSize + 40;
        const bool hasAlpha = count == 4 || infoSize >= 56;
        l.red = Channel(Le32(masks));
        l.green = Channel(Le32(masks + 4));
        l.blue = Channel(Le32(masks + 8));
        l.alpha = Channel(hasAlpha ? Le32(masks + 12) : 0);
    } else {
        const bool rgb555 = l.bitsPerPixel == 16;
        l.red = Channel(rgb555 ? 0x7C00 : 0xFF0000);
        l.green = Channel(rgb555 ? 0x03E0 : 0xFF00);
        l.blue = Channel(rgb555 ? 0x001F : 0xFF);
    }
    return l.red.Valid() && l.green.Valid() && l.blue.Valid() && l.alpha.Valid();
}

// Reads the colour table of palette pixels, which follows the header and masks.
bool ReadPalette(Layout& l, const uint8_t* d, uint32_t n, uint32_t colours, bool core,
                 uint32_t& tableOffset) {
    l.palette.fill(qRgb(0, 0, 0));
    if (l.bitsPerPixel > 8) return true;  // any colour table is only a display hint
    if (colours == 0) colours = 1u << l.bitsPerPixel;
    if (colours > l.palette.size()) return false;
    const uint32_t entrySize = core ? 3 : 4;
    if (uint64_t{tableOffset} + colours * entrySize > n) return false;
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* bgr = d + tableOffset + i * entrySize;
        l.palette[i] = qRgb(bgr[2], bgr[1], bgr[0]);
    }
    tableOffset += colours * entrySize;
    return true;
}

bool ReadLayout(Layout& l, const uint8_t* d, uint32_t n) {
    if (n < kFileHeaderSize + 4) return false;
    const uint32_t infoSize = Le32(d + kFileHeaderSize);
    const bool core = infoSize == kCoreHeaderSize;
    const uint32_t known[] = {kCoreHeaderSize, 40, 52, 56, kOs2HeaderSize, 108, 124};
    if (std::find(std::begin(known), std::end(known), infoSize) == std::end(known)) return false;
    if (n < kFileHeaderSize + infoSize) return false;

    const uint8_t* info = d + kFileHeaderSize;
    int64_t width = 0, height = 0;
    uint32_t planes = 0, colours = 0;
    if (core) {
        width = Le16(info + 4);
        height = Le16(info + 6);
        planes = Le16(info + 8);
        l.bitsPerPixel = Le16(info + 10);
    } else {
        width = static_cast<int32_t>(Le32(info + 4));
        height = static_cast<int32_t>(Le32(info + 8));  // negative: rows stored top-down
        planes = Le16(info + 12);
        l.bitsPerPixel = Le16(info + 14);
        l.compression = Le32(info + 16);
        colours = Le32(info + 32);
    }
    if (planes != 1 || !KnownCoding(l.bitsPerPixel, l.compression)) return false;
    if (infoSize == kOs2HeaderSize && l.compression >= kBitFields) return false;
    l.topDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || !FitsPixelCap(width, height)) return false;
    if (l.topDown && IsRle(l)) return false;  // run-length codes only go bottom-up
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(height);

    uint32_t tableOffset = kFileHeaderSize + infoSize;
    if (!ReadMasks(l, d, n, infoSize, tableOffset)) return false;
    if (!ReadPalette(l, d, n, colours, core, tableOffset)) return false;
    // The pixels come after the headers and colour table; an offset of 0 or one pointing into them
    // is a broken file.
    l.pixelOffset = Le32(d + 10);
    return l.pixelOffset >= tableOffset && l.pixelOffset <= n;
}

QRgb* Row(QImage& image, int y) { return reinterpret_cast<QRgb*>(image.scanLine(y)); }

void ConvertRow(const Layout& l, const uint8_t* in, QRgb* out) {
    const uint32_t bpp = l.bitsPerPixel;
    if (bpp <= 8) {
        const uint32_t mask = (1u << bpp) - 1;
        for (int x = 0; x < l.width; ++x) {
            const uint32_t bit = uint32_t(x) * bpp;  // the first pixel is in the high bits
            out[x] = l.palette[(in[bit / 8] >> (8 - bpp - bit % 8)) & mask];
        }
    } else if (bpp == 24) {
        for (int x = 0; x < l.width; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
    } else {
        const bool alpha = l.alpha.Present();
        for (int x = 0; x < l.width; ++x, in += bpp / 8) {
            const uint32_t pixel = bpp == 16 ? Le16(in) : Le32(in);
            out[x] = qRgba(l.red.Of(pixel), l.green.Of(pixel), l.blue.Of(pixel),
                           alpha ? l.alpha.Of(pixel) : 255);
        }
    }
}

bool DecodeRows(const Layout& l, const uint8_t* d, uint32_t n, QImage& image) {
    const uint64_t rowBytes = (uint64_t{uint32_t(l.width)} * l.bitsPerPixel + 31) / 32 * 4;
    if (l.pixelOffset + rowBytes * uint32_t(l.height) > n) return false;
    const uint8_t* in = d + l.pixelOffset;
    for (int row = 0; row < l.height; ++row, in += rowBytes)
        ConvertRow(l, in, Row(image, l.topDown ? row : l.height - 1 - row));
    return true;
}

// Run-length codes, rows bottom-up: pairs (count, index) for a run, (0, 0) for the end of a row,
// (0, 1) for the end of the bitmap, (0, 2, dx, dy) to move on, (0, n) before n literal indices
// padded to an even byte count. A 4-bit run alternates the two indices in its byte. Pixels the
// codes skip keep palette colour 0; codes reaching past the image edge draw nothing there.
class RleReader {
public:
    RleReader(const Layout& l, QImage& image) : m_layout(l), m_image(image) {}

    bool Decode(const uint8_t* p, const uint8_t* end) {
        m_image.fill(m_layout.palette[0]);
        const bool fourBit = m_layout.compression == kRle4;
        while (end - p >= 2) {
            const uint32_t count = p[0], code = p[1];
            p += 2;
            if (count > 0) {
                Draw(count, [&](uint32_t i) { return fourBit ? Nibble(code, i) : code; });
            } else if (code == 0) {
                m_x = 0;
                ++m_y;
            } else if (code == 1) {
                return true;
            } else if (code == 2) {
                if (end - p < 2) return false;
                m_x += p[0];
                m_y += p[1];
                p += 2;
            } else {
                const uint32_t bytes = fourBit ? (code + 1) / 2 : code;
                if (uint64_t(end - p) < bytes + bytes % 2) return false;
                Draw(code, [&](uint32_t i) { return fourBit ? Nibble(p[i / 2], i) : p[i]; });
                p += bytes + bytes % 2;
            }
        }
        return false;  // the data ended before the end-of-bitmap code
    }

private:
    static uint32_t Nibble(uint32_t byte, uint32_t i) { return i % 2 ? byte & 15 : byte >> 4; }

    template <typename IndexAt>
    void Draw(uint32_t count, IndexAt index) {
        const int64_t visible =
            m_y < m_layout.height ? std::clamp<int64_t>(m_layout.width - m_x, 0, count) : 0;
        if (visible > 0) {
            QRgb* out = Row(m_image, m_layout.height - 1 - int(m_y)) + m_x;
            for (uint32_t i = 0; i < visible; ++i) out[i] = m_layout.palette[index(i)];
        }
        m_x += count;
    }

    const Layout& m_layout;
    QImage& m_image;
    int64_t m_x = 0, m_y = 0;  // y from the bottom row; both may run past the image
};

}  // namespace

bool DecodeBmp(QImage& image, const uint8_t* data, uint32_t size, ImageAllocator allocate) {
    Layout layout;
    if (!ReadLayout(layout, data, size)) return false;
    const QImage::Format format =
        layout.alpha.Present() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    image = allocate(layout.width, layout.height, format);
    if (image.isNull()) return false;
    if (IsRle(layout))
        return RleReader(layout, image).Decode(data + layout.pixelOffset, data + size);
    return DecodeRows(layout, data, size, image);
}

#include "imaging/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE without declaring it

// jerror.h needs jpeglib.h first.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

// Format_RGB32 is 0xFFRRGGBB in native byte order; the library writes 0xFF into the X byte.
constexpr J_COLOR_SPACE kRgb32Layout =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// What the library's callbacks share with the decoder. Failures leave the library by longjmp,
// so everything between here and there is plain data.
struct Session {
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf failed;
    uint32_t scannedComponents;  // a bit for each component some scan carried
};

Session& SessionOf(j_common_ptr cinfo) { return *static_cast<Session*>(cinfo->client_data); }

[[noreturn]] void Fail(j_common_ptr cinfo) { std::longjmp(SessionOf(cinfo).failed, 1); }

// The library warns when it makes up data: for a cut-off file (also one closed by an end marker
// right after the cut), a corrupt code, a misplaced restart marker or scan. Only warnings about
// metadata leave every pixel as the file has it.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    switch (cinfo->err->msg_code) {
        case JWRN_ADOBE_XFORM:
        case JWRN_JFIF_MAJOR:
        case JWRN_BOGUS_ICC: return;
        default: Fail(cinfo);
    }
}

void NoteScan(j_decompress_ptr cinfo) {
    if (cinfo->input_scan_number > kMaxJpegScans) Fail(reinterpret_cast<j_common_ptr>(cinfo));
    Session& session = SessionOf(reinterpret_cast<j_common_ptr>(cinfo));
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        session.scannedComponents |= 1u << cinfo->cur_comp_info[i]->component_index;
}

// Called before each row of coefficients a scan brings, and before each row of output.
void OnProgress(j_common_ptr cinfo) { NoteScan(reinterpret_cast<j_decompress_ptr>(cinfo)); }

// A file cut between two scans, then closed by an end marker, decodes without a warning; what
// gives it away is a component no scan carried, or a progressive refinement that never came.
bool AllScansArrived(const jpeg_decompress_struct& cinfo, uint32_t scannedComponents) {
    if (!cinfo.progressive_mode) return scannedComponents == (1u << cinfo.num_components) - 1;
    for (int c = 0; c < cinfo.num_components; ++c)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo.coef_bits[c][k] != 0) return false;
    return true;
}

// Hands the library every row at once, which lets it convert several per call.
void ReadRows(jpeg_decompress_struct& cinfo, QImage& image) {
    auto* rows = static_cast<JSAMPARRAY>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                  sizeof(JSAMPROW) * cinfo.output_height));
    for (JDIMENSION y = 0; y < cinfo.output_height; ++y) rows[y] = image.scanLine(int(y));
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline,
                            cinfo.output_height - cinfo.output_scanline);
}

// CMYK JPEGs store inverted inks (as Adobe writes them), so a channel times K is the light left.
void ReadCmykRows(jpeg_decompress_struct& cinfo, QImage& image) {
    JSAMPARRAY cmyk = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                 JPOOL_IMAGE, cinfo.output_width * 4, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(cinfo.output_scanline)));
        jpeg_read_scanlines(&cinfo, cmyk, 1);
        const uint8_t* in = cmyk[0];
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x, in += 4) {
            const int k = in[3];
            out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
        }
    }
}

// All the library calls; any failure in them jumps back to the setjmp here.
bool Run(jpeg_decompress_struct& cinfo, Session& session, QImage& image, const uint8_t* data,
         uint32_t size, ImageAllocator allocate) {
    if (setjmp(session.failed)) return false;
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &session.progress;
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    NoteScan(&cinfo);
    if (!FitsPixelCap(cinfo.image_width, cinfo.image_height)) return false;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : kRgb32Layout;
    image = allocate(int(cinfo.image_width), int(cinfo.image_height), QImage::Format_RGB32);
    if (image.isNull()) return false;

    jpeg_start_decompress(&cinfo);  // reads a multi-scan file up to its end marker
    if (!AllScansArrived(cinfo, session.scannedComponents)) return false;
    if (cmyk) {
        ReadCmykRows(cinfo, image);
    } else {
        ReadRows(cinfo, image);
    }
    jpeg_finish_decompress(&cinfo);  // reads up to the end marker
    return true;
}

}  // namespace

bool DecodeJpeg(QImage& image, const uint8_t* data, uint32_t size, ImageAllocator allocate) {
    jpeg_decompress_struct cinfo{};
    Session session{};
    cinfo.err = jpeg_std_error(&session.errors);
    session.errors.error_exit = Fail;
    session.errors.emit_message = OnMessage;
    session.progress.progress_monitor = OnProgress;
    cinfo.client_data = &session;
    const bool decoded = Run(cinfo, session, image, data, size, allocate);
    jpeg_destroy_decompress(&cinfo);
    return decoded;
}

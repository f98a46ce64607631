// JPEG through libjpeg-turbo: decoding straight into BGRA at a reduced DCT scale when the caller
// needs less than the full size, and encoding with optimised Huffman tables.

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

#include "picture/picture_codec_posix.h"
#include "picture/picture_jpeg_markers.h"

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

[[noreturn]] void onError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

// Warnings are silent, but a stream that ends early or whose entropy-coded data is broken
// counts as undecodable: half a picture is no picture.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0) return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC) onError(cinfo);
}

void silent(j_common_ptr) {}

void useErrorManager(ErrorManager& err)
{
    jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.emit_message = onMessage;
    err.base.output_message = silent;
}

// Adobe writes CMYK inverted; both kinds are laid down as plain RGB without a profile.
void cmykRowToBgra(const JSAMPLE* cmyk, uint8_t* bgra, uint32_t width, bool inverted)
{
    for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgra += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgra[0] = static_cast<uint8_t>(y * k / 255);
        bgra[1] = static_cast<uint8_t>(m * k / 255);
        bgra[2] = static_cast<uint8_t>(c * k / 255);
        bgra[3] = 255;
    }
}

// Kept apart from decodeJpeg so that no C++ object lives in the frame that longjmp returns to.
bool decodeInto(jpeg_decompress_struct& cinfo, ErrorManager& err, const uint8_t* data, size_t size,
                const PictureSizeHint& hint, DecodedPicture& out, JSAMPLE* volatile& cmykRow)
{
    if (setjmp(err.escape)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    const uint32_t fullWidth = cinfo.image_width;
    const uint32_t fullHeight = cinfo.image_height;
    // Even a blank JPEG spends a few bits on every 8 x 8 block.
    if (!pictureSizeAllowed(fullWidth, fullHeight) || !pixelsFitData(fullWidth, fullHeight, size, 2048)) return false;

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    cinfo.scale_num = 1;
    cinfo.scale_denom = jpegScaleDenominator(fullWidth, fullHeight, hint);
    jpeg_calc_output_dimensions(&cinfo);
    if (!allocatePicture(out, cinfo.output_width, cinfo.output_height)) return false;
    out.fullWidth = fullWidth;
    out.fullHeight = fullHeight;

    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(out.width) * 4;
    if (cmyk) {
        cmykRow = static_cast<JSAMPLE*>(std::malloc(stride));
        if (!cmykRow) return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* row = out.bgra.data() + cinfo.output_scanline * stride;
        JSAMPROW target = cmyk ? cmykRow : row;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) return false;
        if (cmyk) cmykRowToBgra(cmykRow, row, out.width, cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

bool encodeInto(jpeg_compress_struct& cinfo, ErrorManager& err, const EncodeInput& in, const uint8_t* bgra,
                unsigned char** buffer, unsigned long* size)
{
    if (setjmp(err.escape)) return false;
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);  // keeps *buffer current as it grows
    cinfo.image_width = in.width;
    cinfo.image_height = in.height;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRA;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, in.jpegQuality, TRUE);
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    if (in.icc && !in.icc->empty())
        jpeg_write_icc_profile(&cinfo, in.icc->data(), static_cast<unsigned>(in.icc->size()));
    const size_t stride = static_cast<size_t>(in.width) * 4;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bgra + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

bool decodeJpeg(const uint8_t* data, size_t size, const PictureSizeHint& hint, DecodedPicture& out)
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    useErrorManager(err);
    cinfo.err = &err.base;
    JSAMPLE* volatile cmykRow = nullptr;
    const bool ok = decodeInto(cinfo, err, data, size, hint, out, cmykRow);
    jpeg_destroy_decompress(&cinfo);
    std::free(cmykRow);
    if (!ok) out = {};
    return ok;
}

bool encodeJpeg(const EncodeInput& in, std::vector<uint8_t>& out)
{
    // JPEG keeps no alpha: transparent parts are laid over white.
    std::vector<uint8_t> flattened;
    const uint8_t* bgra = in.bgra;
    if (in.hasAlpha) {
        const size_t n = static_cast<size_t>(in.width) * in.height * 4;
        flattened.assign(in.bgra, in.bgra + n);
        for (size_t i = 0; i < n; i += 4) {
            const uint8_t a = flattened[i + 3];
            for (int c = 0; c < 3; ++c) flattened[i + c] = overWhite(flattened[i + c], a);
            flattened[i + 3] = 255;
        }
        bgra = flattened.data();
    }
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    useErrorManager(err);
    cinfo.err = &err.base;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = encodeInto(cinfo, err, in, bgra, &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    if (ok && buffer) out.assign(buffer, buffer + size);
    std::free(buffer);
    return ok && !out.empty();
}

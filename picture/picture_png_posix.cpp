// PNG through libpng: every colour type and depth to 8-bit BGRA, the iCCP profile kept.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <png.h>

#include "picture/picture_codec_posix.h"

namespace {

constexpr char kTruncated[] = "truncated";

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, size_t length)
{
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > r->size - r->pos) png_error(png, kTruncated);
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
}

void writeToMemory(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bool full = false;
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        full = true;
    }
    if (full) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}
void warnNothing(png_structp, png_const_charp) {}
// libpng's word for why it stopped, kept in the buffer its error pointer names (when there is one).
constexpr size_t kMessageBytes = 128;
[[noreturn]] void failPng(png_structp png, png_const_charp message)
{
    if (auto* text = static_cast<char*>(png_get_error_ptr(png)); text && message)
        std::snprintf(text, kMessageBytes, "%s", message);
    png_longjmp(png, 1);
}

void readFromFile(png_structp png, png_bytep out, size_t length)
{
    auto* f = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fread(out, 1, length, f) != length) png_error(png, kTruncated);
}

// Kept apart so that the longjmp target holds no C++ object of its own: the header and the
// buffers live in the caller's frame.
RowDecode readPng(png_structp png, png_infop info, const ByteSource& source, MemoryReader& reader,
                  RowReceiver& receiver, RowStreamHeader& header, std::vector<uint8_t>& buffer,
                  std::vector<png_bytep>& rows)
{
    if (setjmp(png_jmpbuf(png))) {
        const auto* message = static_cast<const char*>(png_get_error_ptr(png));
        if (std::strcmp(message, kTruncated) == 0) return RowDecode::Truncated;
        receiver.explain(message);
        return RowDecode::Failed;
    }
    if (source.data)
        png_set_read_fn(png, &reader, readFromMemory);
    else
        png_set_read_fn(png, source.file, readFromFile);
    png_set_user_limits(png, 1u << 20, 1u << 20);
    png_set_chunk_malloc_max(png, 64u << 20);
    // Chunks the picture does not need are skipped unread. libpng would otherwise allocate a text
    // chunk at the length its header claims, whatever the file holds: a 155-byte file asked for 1.9 GB.
    static constexpr png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0tIME\0sPLT\0hIST\0pCAL\0sCAL\0eXIf\0oFFs\0pHYs";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, static_cast<int>(sizeof(kSkipped) / 5));
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) return RowDecode::Failed;
    if (!pictureSizeAllowed(width, height)) return refuseSize(receiver, width, height);
    // Deflate turns one byte into at most 1032; a 1-bit row byte holds 8 pixels.
    if (!pixelsFitData(width, height, source.bytes(), 8 * 1032)) return RowDecode::Truncated;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.mayHaveAlpha = alpha;
    // An interlaced picture is only complete after its last pass: it is read whole.
    const bool whole = passes > 1;
    header.decoderBytes =
        (whole ? uint64_t{width} * height * 4 : uint64_t{width} * 4) + uint64_t{width} * 8 * 2 + (uint64_t{64} << 10);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) && profile && profileSize)
        header.icc.assign(profile, profile + profileSize);
    if (!receiver.header(header)) return RowDecode::Failed;

    const size_t stride = static_cast<size_t>(width) * 4;
    if (!whole) {
        buffer.resize(stride);
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, buffer.data(), nullptr);
            if (!receiver.rows(buffer.data(), 1)) return RowDecode::Failed;
        }
    } else {
        uint8_t* target = receiver.pictureBuffer();
        if (!target) {
            buffer.resize(stride * height);
            target = buffer.data();
        }
        rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = target + y * stride;
        png_read_image(png, rows.data());
        if (!receiver.rows(target, height)) return RowDecode::Failed;
    }
    png_read_end(png, nullptr);
    return RowDecode::Done;
}

bool writePng(png_structp png, png_infop info, const EncodeInput& in, std::vector<uint8_t>& out,
              std::vector<png_bytep>& rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, writeToMemory, flushNothing);
    png_set_IHDR(png, info, in.width, in.height, 8, in.hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (in.icc && !in.icc->empty())
        png_set_iCCP(png, info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, in.icc->data(),
                     static_cast<png_uint_32>(in.icc->size()));
    png_write_info(png, info);
    png_set_bgr(png);
    if (!in.hasAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the fourth byte
    rows.resize(in.height);
    for (uint32_t y = 0; y < in.height; ++y)
        rows[y] = const_cast<png_bytep>(in.bgra + static_cast<size_t>(y) * in.width * 4);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    return true;
}

}  // namespace

bool encodePngOnce(const EncodeInput& in, std::vector<uint8_t>& out);

RowDecode decodePngRows(const ByteSource& source, RowReceiver& receiver)
{
    char message[kMessageBytes] = {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, message, failPng, warnNothing);
    if (!png) return RowDecode::NoMemory;
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{source.data, source.size, 0};
    RowStreamHeader header;
    std::vector<uint8_t> buffer;
    std::vector<png_bytep> rows;
    RowDecode result = RowDecode::NoMemory;
    try {
        if (info) result = readPng(png, info, source, reader, receiver, header, buffer, rows);
    } catch (const std::bad_alloc&) {
        result = RowDecode::NoMemory;
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return result;
}

bool encodePngOnce(const EncodeInput& in, std::vector<uint8_t>& out)
{
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, warnNothing);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    const bool ok = info && writePng(png, info, in, out, rows);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok) out.clear();
    return ok;
}

bool encodePng(const EncodeInput& in, std::vector<uint8_t>& out)
{
    if (encodePngOnce(in, out)) return true;
    if (!in.icc || in.icc->empty()) return false;
    // libpng refuses profiles that fail its checks; the picture is worth more than the profile.
    EncodeInput plain = in;
    plain.icc = nullptr;
    return encodePngOnce(plain, out);
}

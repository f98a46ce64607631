// JPEG through libjpeg-turbo: decoding straight into BGRA at a reduced DCT scale when the caller
// needs less than the full size, and encoding with optimised Huffman tables.

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "picture/picture_codec_posix.h"
#include "picture/picture_jpeg_markers.h"

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    int code = 0;  // the message that ended the decode
    char text[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void onError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    cinfo->err->format_message(cinfo, err->text);
    std::longjmp(err->escape, 1);
}

// Warnings are silent, but a stream that ends early or whose entropy-coded data is broken
// counts as undecodable: half a picture is no picture.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0) return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC) onError(cinfo);
}

// What libjpeg's last word means to the user.
RowDecode failureOf(const ErrorManager& err, RowReceiver& receiver)
{
    if (err.code == JWRN_JPEG_EOF) return RowDecode::Truncated;
    receiver.explain(err.text);
    switch (err.code) {
    case JERR_SOF_UNSUPPORTED:
    case JERR_BAD_PRECISION:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_NOT_COMPILED: return RowDecode::Unsupported;
    default: return RowDecode::Failed;
    }
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

// libjpeg's own file source reads 4 KB at a time, and its fast Huffman decoder runs only while a
// few KB are buffered, so most of a picture went through the slow one; this one reads 64 KB.
constexpr size_t kSourceBytes = size_t{64} << 10;

struct FileSource {
    jpeg_source_mgr base{};
    std::FILE* file = nullptr;
    JOCTET* buffer = nullptr;  // kSourceBytes
    bool readAny = false;
};

void fileSourceStart(j_decompress_ptr cinfo) { reinterpret_cast<FileSource*>(cinfo->src)->readAny = false; }

// As libjpeg's own: an empty file is an error; at the end a warning (which counts as an error
// here) and an end-of-image marker.
boolean fileSourceFill(j_decompress_ptr cinfo)
{
    auto* source = reinterpret_cast<FileSource*>(cinfo->src);
    size_t got = std::fread(source->buffer, 1, kSourceBytes, source->file);
    if (got == 0) {
        if (!source->readAny) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->readAny = true;
    source->base.next_input_byte = source->buffer;
    source->base.bytes_in_buffer = got;
    return TRUE;
}

void fileSourceSkip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) return;
    jpeg_source_mgr* source = cinfo->src;
    while (count > static_cast<long>(source->bytes_in_buffer)) {
        count -= static_cast<long>(source->bytes_in_buffer);
        fileSourceFill(cinfo);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

void fileSourceEnd(j_decompress_ptr) {}

void useFileSource(jpeg_decompress_struct& cinfo, FileSource& source)
{
    source.base.init_source = fileSourceStart;
    source.base.fill_input_buffer = fileSourceFill;
    source.base.skip_input_data = fileSourceSkip;
    source.base.resync_to_restart = jpeg_resync_to_restart;
    source.base.term_source = fileSourceEnd;
    source.base.bytes_in_buffer = 0;
    source.base.next_input_byte = nullptr;
    cinfo.src = &source.base;
}

// What libjpeg holds while it decodes: a progressive (or multi-scan) stream keeps the
// coefficients of the whole picture; a sequential one only a few rows of blocks.
uint64_t decoderMemory(const jpeg_decompress_struct& cinfo)
{
    uint64_t bytes = uint64_t{cinfo.output_width} * 4 * 16 + uint64_t{cinfo.image_width} * 3 * 32 +
                     (uint64_t{64} << 10) + kSourceBytes;
    if (cinfo.progressive_mode || cinfo.buffered_image)
        for (int c = 0; c < cinfo.num_components; ++c)
            bytes +=
                uint64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks * 64 * sizeof(JCOEF);
    return bytes;
}

// Kept apart from decodeJpegRows so that no C++ object lives in the frame that longjmp returns
// to; the header is the caller's.
RowDecode decodeInto(jpeg_decompress_struct& cinfo, ErrorManager& err, const ByteSource& source, FileSource& fileSource,
                     const PictureSizeHint& hint, RowReceiver& receiver, RowStreamHeader& header,
                     JSAMPLE* volatile& rowBuffer)
{
    if (setjmp(err.escape)) return failureOf(err, receiver);
    jpeg_create_decompress(&cinfo);
    if (source.data)
        jpeg_mem_src(&cinfo, source.data, static_cast<unsigned long>(source.size));
    else
        useFileSource(cinfo, fileSource);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return RowDecode::Failed;
    const uint32_t fullWidth = cinfo.image_width;
    const uint32_t fullHeight = cinfo.image_height;
    if (!pictureSizeAllowed(fullWidth, fullHeight)) return refuseSize(receiver, fullWidth, fullHeight);
    // Even a blank JPEG spends a few bits on every 8 x 8 block.
    if (!pixelsFitData(fullWidth, fullHeight, source.bytes(), 2048)) return RowDecode::Truncated;

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    cinfo.scale_num = 1;
    cinfo.scale_denom = jpegScaleDenominator(fullWidth, fullHeight, hint);
    jpeg_calc_output_dimensions(&cinfo);
    header.width = cinfo.output_width;
    header.height = cinfo.output_height;
    header.fullWidth = fullWidth;
    header.fullHeight = fullHeight;
    header.mayHaveAlpha = false;
    header.decoderBytes = decoderMemory(cinfo);
    if (!receiver.header(header)) return RowDecode::Failed;

    jpeg_start_decompress(&cinfo);
    // A band of rows at a time: libjpeg-turbo hands out what one call can make, up to the band.
    constexpr uint32_t kBand = 16;
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 4;
    rowBuffer = static_cast<JSAMPLE*>(std::malloc(stride * kBand));
    if (!rowBuffer) return RowDecode::NoMemory;
    JSAMPROW rows[kBand];
    for (uint32_t i = 0; i < kBand; ++i) rows[i] = rowBuffer + i * stride;
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, kBand);
        if (got == 0) return RowDecode::Truncated;
        if (cmyk)
            for (JDIMENSION i = 0; i < got; ++i)
                cmykRowToBgra(rows[i], rows[i], cinfo.output_width, cinfo.saw_Adobe_marker);
        if (!receiver.rows(rowBuffer, got)) return RowDecode::Failed;
    }
    jpeg_finish_decompress(&cinfo);
    return RowDecode::Done;
}

// Optimised Huffman tables make libjpeg keep the coefficients of the whole picture (about 3 bytes
// a pixel); above this, a streamed encode uses the standard tables, which changes the file's size
// by a few per cent and none of its pixels.
constexpr uint64_t kMostOptimisedPixels = uint64_t{16} << 20;

// Hands libjpeg's output on to a sink a buffer at a time; a sink that refuses ends the encode
// through the error manager.
struct SinkDestination {
    jpeg_destination_mgr base{};
    PictureByteSink* sink = nullptr;
    std::vector<uint8_t> buffer;
};

void sinkStart(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
    d->base.next_output_byte = d->buffer.data();
    d->base.free_in_buffer = d->buffer.size();
}

boolean sinkFull(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
    if (!d->sink->write(d->buffer.data(), d->buffer.size())) ERREXIT(cinfo, JERR_FILE_WRITE);
    sinkStart(cinfo);
    return TRUE;
}

void sinkEnd(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
    const size_t used = d->buffer.size() - d->base.free_in_buffer;
    if (used != 0 && !d->sink->write(d->buffer.data(), used)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// Into `sink` when there is one, else into a buffer of libjpeg's that `buffer` and `size` follow.
bool startCompress(jpeg_compress_struct& cinfo, ErrorManager& err, uint32_t width, uint32_t height, int quality,
                   bool optimise, const std::vector<uint8_t>* icc, SinkDestination* sink, unsigned char** buffer,
                   unsigned long* size)
{
    if (setjmp(err.escape)) return false;
    jpeg_create_compress(&cinfo);
    if (sink) {
        sink->base.init_destination = sinkStart;
        sink->base.empty_output_buffer = sinkFull;
        sink->base.term_destination = sinkEnd;
        cinfo.dest = &sink->base;
    } else {
        jpeg_mem_dest(&cinfo, buffer, size);  // keeps *buffer current as it grows
    }
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRA;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = optimise ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (icc && !icc->empty()) jpeg_write_icc_profile(&cinfo, icc->data(), static_cast<unsigned>(icc->size()));
    return true;
}

bool writeRows(jpeg_compress_struct& cinfo, ErrorManager& err, JSAMPROW* rows, uint32_t count)
{
    if (setjmp(err.escape)) return false;
    if (count > cinfo.image_height - cinfo.next_scanline) return false;
    jpeg_write_scanlines(&cinfo, rows, count);
    return true;
}

bool finishCompress(jpeg_compress_struct& cinfo, ErrorManager& err)
{
    if (setjmp(err.escape)) return false;
    if (cinfo.next_scanline != cinfo.image_height) return false;
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

RowDecode decodeJpegRows(const ByteSource& source, const PictureSizeHint& hint, RowReceiver& receiver)
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    useErrorManager(err);
    cinfo.err = &err.base;
    RowStreamHeader header;
    JSAMPLE* volatile rowBuffer = nullptr;
    std::vector<JOCTET> sourceBuffer;
    FileSource fileSource;
    if (source.file) {
        try {
            sourceBuffer.resize(kSourceBytes);
        } catch (const std::bad_alloc&) {
            return RowDecode::NoMemory;
        }
        fileSource.file = source.file;
        fileSource.buffer = sourceBuffer.data();
    }
    const RowDecode result = decodeInto(cinfo, err, source, fileSource, hint, receiver, header, rowBuffer);
    jpeg_destroy_decompress(&cinfo);
    std::free(rowBuffer);
    return result;
}

struct JpegRowEncoder::State {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> flat;  // one row laid over white
    SinkDestination sink;
    bool failed = false;
    ~State()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

JpegRowEncoder::JpegRowEncoder() = default;
JpegRowEncoder::~JpegRowEncoder() = default;

uint64_t JpegRowEncoder::workingBytes(uint32_t width, uint32_t height)
{
    const uint64_t pixels = uint64_t{width} * height;
    const uint64_t rows = uint64_t{width} * 3 * 32 + (uint64_t{64} << 10);
    return pixels <= kMostOptimisedPixels ? rows + pixels * 3 : rows;
}

bool JpegRowEncoder::begin(uint32_t width, uint32_t height, int quality, const std::vector<uint8_t>* icc,
                           PictureByteSink* sink)
{
    state_.reset();
    if (width == 0 || height == 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) return false;
    try {
        state_ = std::make_unique<State>();
        state_->flat.resize(static_cast<size_t>(width) * 4);
        if (sink) {
            state_->sink.sink = sink;
            state_->sink.buffer.resize(size_t{64} << 10);
        }
    } catch (const std::bad_alloc&) {
        state_.reset();
        return false;
    }
    useErrorManager(state_->err);
    state_->cinfo.err = &state_->err.base;
    const bool optimise = uint64_t{width} * height <= kMostOptimisedPixels;
    if (!startCompress(state_->cinfo, state_->err, width, height, quality, optimise, icc,
                       sink ? &state_->sink : nullptr, &state_->buffer, &state_->size)) {
        state_.reset();
        return false;
    }
    return true;
}

bool JpegRowEncoder::rows(const uint8_t* bgra, uint32_t count)
{
    State* st = state_.get();
    if (!st || st->failed) return false;
    const uint32_t width = st->cinfo.image_width;
    const size_t stride = static_cast<size_t>(width) * 4;
    for (uint32_t i = 0; i < count; ++i, bgra += stride) {
        // JPEG keeps no alpha: transparent parts are laid over white.
        const uint8_t* row = bgra;
        bool opaque = true;
        for (uint32_t x = 0; x < width && opaque; ++x) opaque = bgra[x * 4 + 3] == 255;
        if (!opaque) {
            for (size_t k = 0; k < stride; k += 4) {
                const uint8_t a = bgra[k + 3];
                for (size_t c = 0; c < 3; ++c) st->flat[k + c] = overWhite(bgra[k + c], a);
                st->flat[k + 3] = 255;
            }
            row = st->flat.data();
        }
        JSAMPROW target = const_cast<JSAMPROW>(row);
        if (!writeRows(st->cinfo, st->err, &target, 1)) {
            st->failed = true;
            return false;
        }
    }
    return true;
}

bool JpegRowEncoder::finish(std::vector<uint8_t>& out)
{
    out.clear();
    State* st = state_.get();
    const bool toSink = st && st->sink.sink;
    if (!st || st->failed || !finishCompress(st->cinfo, st->err) || (!toSink && (!st->buffer || st->size == 0))) {
        state_.reset();
        return false;
    }
    if (toSink) {
        state_.reset();
        return true;
    }
    try {
        out.assign(st->buffer, st->buffer + st->size);
    } catch (const std::bad_alloc&) {
        out.clear();
    }
    state_.reset();
    return !out.empty();
}

// WebP through libwebp: stills and an animation's first frame read to BGRA, pictures written
// with their ICC profile.

#include "picture/picture_webp.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "picture/picture_source_reader.h"

namespace {

// RIFF's size field is 32 bits: no WebP file is larger.
constexpr uint64_t kMaxWebpBytes = uint64_t{0xFFFFFFFF} + 8;
constexpr uint32_t kBandRows = 64;

struct DemuxerDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

RowDecode failure(VP8StatusCode status, RowReceiver& receiver)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return RowDecode::NoMemory;
    case VP8_STATUS_NOT_ENOUGH_DATA: return RowDecode::Truncated;
    case VP8_STATUS_UNSUPPORTED_FEATURE: receiver.explain("WebP: a variant not read"); return RowDecode::Unsupported;
    default: receiver.explain("its picture data does not decode"); return RowDecode::Failed;
    }
}

// Hands the rows of a decoded buffer to the receiver, a band at a time (bands let a receiver that
// resamples keep its window small; a receiver that took pictureBuffer() gets its own rows back).
bool handOut(RowReceiver& receiver, const uint8_t* bgra, uint32_t width, uint32_t height)
{
    const size_t stride = static_cast<size_t>(width) * 4;
    for (uint32_t y = 0; y < height; y += kBandRows) {
        const uint32_t n = std::min(kBandRows, height - y);
        if (!receiver.rows(bgra + y * stride, n)) return false;
    }
    return true;
}

RowDecode decodeStill(const uint8_t* data, size_t size, const RowStreamHeader& header, RowReceiver& receiver)
{
    const uint32_t width = header.width, height = header.height;
    std::vector<uint8_t> own;
    uint8_t* target = receiver.pictureBuffer();
    if (!target) {
        own.resize(static_cast<size_t>(width) * height * 4);
        target = own.data();
    }
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return RowDecode::Failed;
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = target;
    config.output.u.RGBA.stride = static_cast<int>(width * 4);
    config.output.u.RGBA.size = static_cast<size_t>(width) * height * 4;
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) return failure(status, receiver);
    return handOut(receiver, target, width, height) ? RowDecode::Done : RowDecode::Failed;
}

RowDecode decodeFirstFrame(const uint8_t* data, size_t size, const RowStreamHeader& header, RowReceiver& receiver)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return RowDecode::Failed;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData webp{data, size};
    std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&webp, &options));
    if (!decoder) {
        receiver.explain("its animation does not hold together");
        return RowDecode::Failed;
    }
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || info.canvas_width != header.width ||
        info.canvas_height != header.height)
        return RowDecode::Failed;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    // The first frame as shown: laid on the canvas at its offset, with the canvas around it.
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas) {
        receiver.explain("its first frame does not decode");
        return RowDecode::Failed;
    }
    return handOut(receiver, canvas, header.width, header.height) ? RowDecode::Done : RowDecode::Failed;
}

RowDecode decodeWebp(const uint8_t* data, size_t size, RowReceiver& receiver)
{
    const WebPData webp{data, size};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    std::unique_ptr<WebPDemuxer, DemuxerDeleter> demux(WebPDemuxPartial(&webp, &state));
    if (!demux || state != WEBP_DEMUX_DONE) {
        // The container's chunks are all read first: one that runs past the end is a file cut short.
        if (state == WEBP_DEMUX_PARSING_HEADER || state == WEBP_DEMUX_PARSED_HEADER) return RowDecode::Truncated;
        receiver.explain("its chunks do not hold together");
        return RowDecode::Failed;
    }
    const uint32_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    // A lossy frame carries at least a few bytes for each 16 x 16 block; lossless far less, but
    // never less than a bit for every 64 x 64 pixels once it is entropy-coded.
    if (!pictureSizeAllowed(width, height)) return refuseSize(receiver, width, height);
    if (width == 0 || height == 0 || !pixelsFitData(width, height, size, 64 * 64 * 8)) {
        receiver.explain("its size does not match its data");
        return RowDecode::Failed;
    }

    const bool animated = (flags & ANIMATION_FLAG) != 0;
    WebPBitstreamFeatures features;
    WebPIterator frame;
    bool alpha = (flags & ALPHA_FLAG) != 0;
    if (!animated) {
        if (const VP8StatusCode s = WebPGetFeatures(data, size, &features); s != VP8_STATUS_OK)
            return failure(s, receiver);
        alpha = features.has_alpha != 0;
    } else if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) {
        receiver.explain("its animation has no frame");
        return RowDecode::Failed;
    } else {
        // The canvas shows its background wherever the first frame does not cover it.
        alpha = alpha || frame.has_alpha || frame.x_offset != 0 || frame.y_offset != 0 ||
                static_cast<uint32_t>(frame.width) != width || static_cast<uint32_t>(frame.height) != height;
        WebPDemuxReleaseIterator(&frame);
    }

    RowStreamHeader header;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.mayHaveAlpha = alpha;
    // The decoded picture, libwebp's own working rows (a lossless frame holds a whole ARGB
    // picture of its own) and the file in memory.
    header.decoderBytes = uint64_t{width} * height * 4 * (animated ? 3 : 2) + size;
    WebPChunkIterator chunk;
    if ((flags & ICCP_FLAG) && WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
        header.icc.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    demux.reset();
    if (!receiver.header(header)) return RowDecode::Failed;
    return animated ? decodeFirstFrame(data, size, header, receiver) : decodeStill(data, size, header, receiver);
}

}  // namespace

bool looksLikeWebp(const uint8_t* head, size_t size)
{
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
}

RowDecode decodeWebpRows(const ByteSource& source, RowReceiver& receiver)
{
    try {
        if (source.data) return decodeWebp(source.data, source.size, receiver);
        // libwebp reads from memory only.
        if (source.fileSize < 12) return RowDecode::Truncated;
        if (source.fileSize > kMaxWebpBytes) {
            receiver.explain("larger than a WebP file can be");
            return RowDecode::Failed;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(source.fileSize));
        if (!readSourceAt(source, 0, bytes.data(), bytes.size())) return RowDecode::Truncated;
        return decodeWebp(bytes.data(), bytes.size(), receiver);
    } catch (const std::bad_alloc&) {
        return RowDecode::NoMemory;
    }
}

// --- Writing ------------------------------------------------------------------------------------

struct WebpRowEncoder::State {
    WebPPicture picture;
    bool pictureAllocated = false;
    uint32_t rowsIn = 0;
    bool hasAlpha = false;
    int quality = kDefaultWebpQuality;
    std::vector<uint8_t> icc;
    PictureByteSink* sink = nullptr;

    ~State()
    {
        if (pictureAllocated) WebPPictureFree(&picture);
    }
};

WebpRowEncoder::WebpRowEncoder() = default;
WebpRowEncoder::~WebpRowEncoder() = default;

uint64_t WebpRowEncoder::workingBytes(uint32_t width, uint32_t height)
{
    // The ARGB picture, the YUV planes made from it, and the encoder's own analysis and tokens.
    return uint64_t{width} * height * (4 + 2 + 2) + (uint64_t{1} << 20);
}

bool WebpRowEncoder::begin(const EncodeInput& in, PictureByteSink* sink)
{
    state_.reset();
    if (in.width == 0 || in.height == 0 || in.width > WEBP_MAX_DIMENSION || in.height > WEBP_MAX_DIMENSION)
        return false;
    try {
        auto state = std::make_unique<State>();
        if (!WebPPictureInit(&state->picture)) return false;
        state->picture.use_argb = 1;
        state->picture.width = static_cast<int>(in.width);
        state->picture.height = static_cast<int>(in.height);
        if (!WebPPictureAlloc(&state->picture)) return false;
        state->pictureAllocated = true;
        state->hasAlpha = in.hasAlpha;
        state->quality = std::clamp(in.webpQuality, 0, 100);
        if (in.icc) state->icc = *in.icc;
        state->sink = sink;
        state_ = std::move(state);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool WebpRowEncoder::rows(const uint8_t* bgra, uint32_t count)
{
    if (!state_) return false;
    WebPPicture& picture = state_->picture;
    const uint32_t width = static_cast<uint32_t>(picture.width);
    if (count > static_cast<uint32_t>(picture.height) - state_->rowsIn) {
        state_.reset();
        return false;
    }
    // ARGB words in memory order are B, G, R, A: BGRA rows copy straight in.
    for (uint32_t i = 0; i < count; ++i) {
        auto* row =
            reinterpret_cast<uint8_t*>(picture.argb + static_cast<size_t>(state_->rowsIn + i) * picture.argb_stride);
        std::memcpy(row, bgra + static_cast<size_t>(i) * width * 4, static_cast<size_t>(width) * 4);
        if (!state_->hasAlpha)
            for (uint32_t x = 0; x < width; ++x) row[x * 4 + 3] = 0xFF;
    }
    state_->rowsIn += count;
    return true;
}

bool WebpRowEncoder::finish(std::vector<uint8_t>& out)
{
    out.clear();
    std::unique_ptr<State> state = std::move(state_);
    if (!state || state->rowsIn != static_cast<uint32_t>(state->picture.height)) return false;

    WebPConfig config;
    if (!WebPConfigPreset(&config, WEBP_PRESET_PHOTO, static_cast<float>(state->quality))) return false;
    config.method = 4;
    config.thread_level = 0;  // the build runs one picture per core already
    if (!WebPValidateConfig(&config)) return false;

    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    state->picture.writer = WebPMemoryWrite;
    state->picture.custom_ptr = &writer;
    const bool encoded = WebPEncode(&config, &state->picture) != 0;
    WebPPictureFree(&state->picture);
    state->pictureAllocated = false;
    if (!encoded) {
        WebPMemoryWriterClear(&writer);
        return false;
    }

    bool ok = true;
    WebPData assembled{writer.mem, writer.size};
    WebPData muxed{nullptr, 0};
    if (!state->icc.empty()) {
        // The profile goes into an extended-format file's ICCP chunk (libwebp's muxer writes VP8X).
        WebPMux* mux = WebPMuxNew();
        const WebPData profile{state->icc.data(), state->icc.size()};
        ok = mux && WebPMuxSetImage(mux, &assembled, 0) == WEBP_MUX_OK &&
             WebPMuxSetChunk(mux, "ICCP", &profile, 0) == WEBP_MUX_OK && WebPMuxAssemble(mux, &muxed) == WEBP_MUX_OK;
        WebPMuxDelete(mux);
        assembled = muxed;
    }
    try {
        if (ok) {
            if (state->sink)
                ok = state->sink->write(assembled.bytes, assembled.size);
            else
                out.assign(assembled.bytes, assembled.bytes + assembled.size);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
        out.clear();
    }
    WebPDataClear(&muxed);
    WebPMemoryWriterClear(&writer);
    return ok;
}

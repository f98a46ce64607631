// HEIF (AVIF, HEIC) through libheif: the primary image read to BGRA with its turns applied,
// AVIF written with its colour profile.

#include "picture/picture_heif.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include <libheif/heif.h>

#include "picture/picture_source_reader.h"

namespace {

constexpr uint64_t kMaxHeifBytes = uint64_t{1} << 31;
constexpr uint32_t kBandRows = 64;

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct EncoderDeleter {
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
struct DecodingOptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct EncodingOptionsDeleter {
    void operator()(heif_encoding_options* o) const { heif_encoding_options_free(o); }
};
struct NclxDeleter {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};

bool isReadBrand(const uint8_t* brand)
{
    static constexpr const char* kBrands[] = {"avif", "avis", "heic", "heix", "heim", "heis", "mif1", "msf1"};
    for (const char* b : kBrands)
        if (std::memcmp(brand, b, 4) == 0) return true;
    return false;
}

// Whether the file's top-level boxes claim more bytes than it holds: a file cut short, whatever
// libheif makes of what is left (it tells a meta box cut in two as "no meta box").
bool boxesRunPastEnd(const uint8_t* data, size_t size)
{
    uint64_t at = 0;
    while (at < size) {
        if (size - at < 8) return true;
        const uint8_t* box = data + at;
        uint64_t length = uint64_t{box[0]} << 24 | uint64_t{box[1]} << 16 | uint64_t{box[2]} << 8 | box[3];
        uint64_t header = 8;
        if (length == 1) {  // the length follows the type, in 64 bits
            if (size - at < 16) return true;
            length = 0;
            for (int i = 8; i < 16; ++i) length = length << 8 | box[i];
            header = 16;
        } else if (length == 0) {  // up to the end of the file
            return false;
        }
        if (length < header) return false;  // not a box at all: damaged rather than short
        if (length > size - at) return true;
        at += length;
    }
    return false;
}

// libheif's error as a reader's result; its message is the explanation ("Unsupported codec").
RowDecode failure(const heif_error& error, const uint8_t* data, size_t size, RowReceiver& receiver)
{
    // libheif tells a part larger than its limit as a memory error; here it means a damaged file.
    if (error.subcode == heif_suberror_Security_limit_exceeded) {
        receiver.explain("a part of it claims a larger picture than the image is");
        return RowDecode::Failed;
    }
    if (error.code != heif_error_Memory_allocation_error && boxesRunPastEnd(data, size)) return RowDecode::Truncated;
    switch (error.code) {
    case heif_error_Memory_allocation_error: return RowDecode::NoMemory;
    case heif_error_Invalid_input:
        if (error.subcode == heif_suberror_End_of_data) return RowDecode::Truncated;
        break;
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
        receiver.explain(std::string("HEIF: ") + (error.message ? error.message : "a variant not read"));
        return RowDecode::Unsupported;
    default: break;
    }
    receiver.explain(error.message && *error.message ? error.message : "its boxes do not hold together");
    return RowDecode::Failed;
}

RowDecode decodeHeif(const uint8_t* data, size_t size, RowReceiver& receiver)
{
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) return RowDecode::NoMemory;
    if (const heif_error e = heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr);
        e.code != heif_error_Ok)
        return failure(e, data, size, receiver);
    heif_image_handle* rawHandle = nullptr;
    if (const heif_error e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
        e.code != heif_error_Ok || !rawHandle)
        return failure(e, data, size, receiver);
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);

    // The size once turned as the container says, which is how the image decodes.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    // An AV1 or HEVC frame spends at least a bit or two on each 64 x 64 block, however plain.
    if (width > 0 && height > 0 && !pictureSizeAllowed(uint64_t(width), uint64_t(height)))
        return refuseSize(receiver, uint64_t(width), uint64_t(height));
    if (width <= 0 || height <= 0 || !pixelsFitData(uint64_t(width), uint64_t(height), size, 64 * 64 * 8)) {
        receiver.explain("its size does not match its data");
        return RowDecode::Failed;
    }
    // Nothing decoded may be wider or taller than the image says it is coded (a crop makes the
    // image smaller than that): a grid whose own description claims more is refused before
    // libheif allocates for it. libheif bounds both sides by one limit, so what it may allocate
    // is that side squared; a file too small to be any picture of that much is refused.
    const int coded = std::max({width, height, heif_image_handle_get_ispe_width(handle.get()),
                                heif_image_handle_get_ispe_height(handle.get())});
    if (!pixelsFitData(uint64_t(coded), uint64_t(coded), size, 4096)) {
        receiver.explain("its size does not match its data");
        return RowDecode::Failed;
    }
    heif_context_set_maximum_image_size_limit(context.get(), coded + 1);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    const int bits = std::max(8, heif_image_handle_get_luma_bits_per_pixel(handle.get()));

    RowStreamHeader header;
    header.width = header.fullWidth = static_cast<uint32_t>(width);
    header.height = header.fullHeight = static_cast<uint32_t>(height);
    header.mayHaveAlpha = alpha;
    // The decoded planes (two bytes a sample above eight bits), the RGBA picture made from them,
    // the rows handed out and the file.
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    header.decoderBytes = pixels * (bits > 8 ? 8 : 4) + pixels * 4 + uint64_t(width) * kBandRows * 4 + size;
    const size_t profileSize = heif_image_handle_get_raw_color_profile_size(handle.get());
    if (profileSize > 0 && profileSize <= size) {
        header.icc.resize(profileSize);
        if (heif_image_handle_get_raw_color_profile(handle.get(), header.icc.data()).code != heif_error_Ok)
            header.icc.clear();
    }
    if (!receiver.header(header)) return RowDecode::Failed;

    std::unique_ptr<heif_decoding_options, DecodingOptionsDeleter> options(heif_decoding_options_alloc());
    if (!options) return RowDecode::NoMemory;
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    const heif_error decoded =
        heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
    if (decoded.code != heif_error_Ok || !image) return failure(decoded, data, size, receiver);
    if (heif_image_get_width(image.get(), heif_channel_interleaved) != width ||
        heif_image_get_height(image.get(), heif_channel_interleaved) != height ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) {
        receiver.explain("its image decodes to another size than it claims");
        return RowDecode::Failed;
    }
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const size_t channels = alpha ? 4 : 3;
    if (!plane || stride < 0 || static_cast<size_t>(stride) < static_cast<size_t>(width) * channels) {
        receiver.explain("its image decodes to another layout than asked");
        return RowDecode::Failed;
    }

    std::vector<uint8_t> band(static_cast<size_t>(width) * 4 * kBandRows);
    for (int y = 0; y < height; y += static_cast<int>(kBandRows)) {
        const int n = std::min(static_cast<int>(kBandRows), height - y);
        for (int r = 0; r < n; ++r) {
            const uint8_t* in = plane + static_cast<size_t>(y + r) * static_cast<size_t>(stride);
            uint8_t* out = band.data() + static_cast<size_t>(r) * width * 4;
            for (int x = 0; x < width; ++x, in += channels, out += 4) {
                const uint8_t a = alpha ? in[3] : 0xFF;
                uint8_t red = in[0], green = in[1], blue = in[2];
                if (premultiplied && a != 0 && a != 0xFF) {
                    red = static_cast<uint8_t>(std::min(255, (red * 255 + a / 2) / a));
                    green = static_cast<uint8_t>(std::min(255, (green * 255 + a / 2) / a));
                    blue = static_cast<uint8_t>(std::min(255, (blue * 255 + a / 2) / a));
                }
                out[0] = blue;
                out[1] = green;
                out[2] = red;
                out[3] = a;
            }
        }
        if (!receiver.rows(band.data(), static_cast<uint32_t>(n))) return RowDecode::Failed;
    }
    return RowDecode::Done;
}

heif_error okError() { return {heif_error_Ok, heif_suberror_Unspecified, "ok"}; }

struct WriteTarget {
    std::vector<uint8_t>* out;
    PictureByteSink* sink;
};

heif_error writeBytes(heif_context*, const void* data, size_t size, void* userdata)
{
    auto* target = static_cast<WriteTarget*>(userdata);
    const auto* bytes = static_cast<const uint8_t*>(data);
    bool ok = true;
    if (target->sink) {
        ok = target->sink->write(bytes, size);
    } else {
        try {
            target->out->insert(target->out->end(), bytes, bytes + size);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (ok) return okError();
    return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "cannot write"};
}

}  // namespace

bool looksLikeAvif(const uint8_t* head, size_t size)
{
    if (!looksLikeHeif(head, size)) return false;
    const uint32_t boxSize = uint32_t{head[0]} << 24 | uint32_t{head[1]} << 16 | uint32_t{head[2]} << 8 | head[3];
    for (size_t at = 8; at + 4 <= std::min<size_t>(boxSize, size); at += at == 8 ? 8 : 4)
        if (std::memcmp(head + at, "avif", 4) == 0 || std::memcmp(head + at, "avis", 4) == 0) return true;
    return false;
}

bool looksLikeHeif(const uint8_t* head, size_t size)
{
    if (size < 16 || std::memcmp(head + 4, "ftyp", 4) != 0) return false;
    const uint32_t boxSize = uint32_t{head[0]} << 24 | uint32_t{head[1]} << 16 | uint32_t{head[2]} << 8 | head[3];
    if (boxSize < 16 || boxSize % 4 != 0) return false;
    if (isReadBrand(head + 8)) return true;
    // The compatible brands after the minor version, as far as the head holds them.
    const size_t end = std::min<size_t>(boxSize, size);
    for (size_t at = 16; at + 4 <= end; at += 4)
        if (isReadBrand(head + at)) return true;
    return false;
}

RowDecode decodeHeifRows(const ByteSource& source, RowReceiver& receiver)
{
    try {
        if (source.data) return decodeHeif(source.data, source.size, receiver);
        // libheif reads a whole file's boxes and image data from memory.
        if (source.fileSize < 16) return RowDecode::Truncated;
        if (source.fileSize > kMaxHeifBytes) {
            receiver.explain("larger than a picture file is read");
            return RowDecode::Failed;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(source.fileSize));
        if (!readSourceAt(source, 0, bytes.data(), bytes.size())) return RowDecode::Truncated;
        return decodeHeif(bytes.data(), bytes.size(), receiver);
    } catch (const std::bad_alloc&) {
        return RowDecode::NoMemory;
    }
}

// --- Writing AVIF ---------------------------------------------------------------------------------

struct AvifRowEncoder::State {
    std::unique_ptr<heif_image, ImageDeleter> image;
    uint8_t* plane = nullptr;
    int stride = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t rowsIn = 0;
    bool hasAlpha = false;
    int quality = kDefaultAvifQuality;
    int speed = kDefaultAvifSpeed;
    PictureByteSink* sink = nullptr;
};

AvifRowEncoder::AvifRowEncoder() = default;
AvifRowEncoder::~AvifRowEncoder() = default;

uint64_t AvifRowEncoder::workingBytes(uint32_t width, uint32_t height)
{
    // The RGB(A) picture, the YUV planes made from it, and the AV1 encoder's frame buffers and
    // analysis (libaom keeps several copies of the frame at the speeds used here).
    return uint64_t{width} * height * (4 + 2 + 12) + (uint64_t{16} << 20);
}

bool AvifRowEncoder::begin(const EncodeInput& in, PictureByteSink* sink)
{
    state_.reset();
    if (in.width == 0 || in.height == 0 || !pictureSizeAllowed(in.width, in.height) || in.width > 65535 ||
        in.height > 65535)
        return false;
    try {
        auto state = std::make_unique<State>();
        heif_image* raw = nullptr;
        const int w = static_cast<int>(in.width), h = static_cast<int>(in.height);
        if (heif_image_create(w, h, heif_colorspace_RGB,
                              in.hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &raw)
                .code != heif_error_Ok)
            return false;
        state->image.reset(raw);
        if (heif_image_add_plane(raw, heif_channel_interleaved, w, h, 8).code != heif_error_Ok) return false;
        state->plane = heif_image_get_plane(raw, heif_channel_interleaved, &state->stride);
        if (!state->plane) return false;
        if (in.icc && !in.icc->empty() &&
            heif_image_set_raw_color_profile(raw, "prof", in.icc->data(), in.icc->size()).code != heif_error_Ok)
            return false;
        // The colour matrix browsers need to turn the YUV planes back into RGB: the usual one
        // for pictures (BT.601, full range), the primaries and curve those of sRGB unless the
        // profile beside it says otherwise.
        std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(heif_nclx_color_profile_alloc());
        if (!nclx) return false;
        nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
        nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
        nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
        nclx->full_range_flag = 1;
        if (heif_image_set_nclx_color_profile(raw, nclx.get()).code != heif_error_Ok) return false;
        state->width = in.width;
        state->height = in.height;
        state->hasAlpha = in.hasAlpha;
        state->quality = std::clamp(in.avifQuality, 0, 100);
        state->speed = std::clamp(in.avifSpeed, 0, 9);
        state->sink = sink;
        state_ = std::move(state);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool AvifRowEncoder::rows(const uint8_t* bgra, uint32_t count)
{
    if (!state_) return false;
    if (count > state_->height - state_->rowsIn) {
        state_.reset();
        return false;
    }
    const size_t channels = state_->hasAlpha ? 4 : 3;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* in = bgra + static_cast<size_t>(i) * state_->width * 4;
        uint8_t* out = state_->plane + static_cast<size_t>(state_->rowsIn + i) * static_cast<size_t>(state_->stride);
        for (uint32_t x = 0; x < state_->width; ++x, in += 4, out += channels) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (channels == 4) out[3] = in[3];
        }
    }
    state_->rowsIn += count;
    return true;
}

bool AvifRowEncoder::finish(std::vector<uint8_t>& out)
{
    out.clear();
    std::unique_ptr<State> state = std::move(state_);
    if (!state || state->rowsIn != state->height) return false;
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) return false;
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_AV1, &rawEncoder).code != heif_error_Ok ||
        !rawEncoder)
        return false;
    std::unique_ptr<heif_encoder, EncoderDeleter> encoder(rawEncoder);
    if (heif_encoder_set_lossy_quality(encoder.get(), state->quality).code != heif_error_Ok ||
        heif_encoder_set_parameter_integer(encoder.get(), "speed", state->speed).code != heif_error_Ok ||
        // One thread: the build runs one picture per core, and the output then never depends on
        // how the work was split.
        heif_encoder_set_parameter_integer(encoder.get(), "threads", 1).code != heif_error_Ok ||
        heif_encoder_set_parameter_string(encoder.get(), "chroma", "420").code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_encoding_options, EncodingOptionsDeleter> options(heif_encoding_options_alloc());
    if (!options) return false;
    options->save_alpha_channel = state->hasAlpha ? 1 : 0;
    options->save_two_colr_boxes_when_ICC_and_nclx_available = 1;
    if (heif_context_encode_image(context.get(), state->image.get(), encoder.get(), options.get(), nullptr).code !=
        heif_error_Ok)
        return false;
    state->image.reset();  // the picture is coded; what remains to write is the file
    WriteTarget target{&out, state->sink};
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = writeBytes;
    if (heif_context_write(context.get(), &writer, &target).code != heif_error_Ok) {
        out.clear();
        return false;
    }
    return true;
}

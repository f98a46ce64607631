// The Windows back end: Windows Imaging Component. What its decoder by rows
// (picture_wic_rows_win.cpp) and its JPEG encoder by rows (picture_jpeg_row_encoder_win.cpp)
// share, and the whole-picture encoding of PNG, BMP and GIF (indexed, with a palette made by
// picture_quantize.cpp since WIC's GIF encoder takes indexed pixels only).

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "base/com_ptr_win.h"
#include "picture/picture_codec.h"
#include "picture/picture_jpeg_markers.h"
#include "picture/picture_quantize.h"
#include "picture/picture_splice.h"
#include "picture/picture_wic_win.h"
#include "picture/resample.h"
#include "picture/tiff_orientation.h"

bool makeWicFactory(ComPtr<IWICImagingFactory>& factory)
{
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      factory.putVoid()));
}

std::vector<uint8_t> firstColourProfile(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame)
{
    UINT count = 0;
    if (FAILED(frame->GetColorContexts(0, nullptr, &count)) || count == 0 || count > 16) return {};
    IWICColorContext* contexts[16] = {};
    std::vector<uint8_t> profile;
    UINT made = 0;
    for (; made < count; ++made)
        if (FAILED(factory->CreateColorContext(&contexts[made]))) break;
    UINT actual = 0;
    if (made == count && SUCCEEDED(frame->GetColorContexts(count, contexts, &actual))) {
        for (UINT i = 0; i < actual && profile.empty(); ++i) {
            WICColorContextType type = WICColorContextUninitialized;
            UINT bytes = 0;
            if (FAILED(contexts[i]->GetType(&type)) || type != WICColorContextProfile) continue;
            if (FAILED(contexts[i]->GetProfileBytes(0, nullptr, &bytes)) || bytes == 0 || bytes > (64u << 20)) continue;
            profile.resize(bytes);
            if (FAILED(contexts[i]->GetProfileBytes(bytes, profile.data(), &bytes))) profile.clear();
        }
    }
    for (UINT i = 0; i < made; ++i) contexts[i]->Release();
    return profile;
}

UINT bitsPerPixel(IWICImagingFactory* factory, const WICPixelFormatGUID& format)
{
    ComPtr<IWICComponentInfo> info;
    ComPtr<IWICPixelFormatInfo> pixelInfo;
    UINT bits = 0;
    if (FAILED(factory->CreateComponentInfo(format, info.put())) ||
        FAILED(info->QueryInterface(IID_IWICPixelFormatInfo, pixelInfo.putVoid())) ||
        FAILED(pixelInfo->GetBitsPerPixel(&bits)))
        return 0;
    return bits;
}

void setEncoderJpegQuality(IPropertyBag2* options, int quality)
{
    if (!options) return;
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(quality) / 100.0f;
    options->Write(1, &option, &value);
}

bool bytesOfStream(IStream* stream, std::vector<uint8_t>& out)
{
    HGLOBAL global = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream, &global)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
    const auto size = static_cast<size_t>(stat.cbSize.QuadPart);
    const void* p = GlobalLock(global);
    if (!p) return false;
    out.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
    GlobalUnlock(global);
    return !out.empty();
}

namespace {

// --- Encoding ------------------------------------------------------------------------------------

// Pixels in the layout the encoder is asked for: 24-bit BGR (alpha over white when the format
// keeps none), 32-bit BGRA, or 8-bit indices.
struct EncoderPixels {
    WICPixelFormatGUID format;
    UINT stride;
    std::vector<uint8_t> bytes;
};

EncoderPixels bgrPixels(const EncodeInput& in)
{
    EncoderPixels px{GUID_WICPixelFormat24bppBGR, ((in.width * 3 + 3) / 4) * 4, {}};
    px.bytes.resize(static_cast<size_t>(px.stride) * in.height);
    for (uint32_t y = 0; y < in.height; ++y) {
        const uint8_t* src = in.bgra + static_cast<size_t>(y) * in.width * 4;
        uint8_t* dst = px.bytes.data() + static_cast<size_t>(y) * px.stride;
        for (uint32_t x = 0; x < in.width; ++x, src += 4, dst += 3) {
            const uint8_t a = in.hasAlpha ? src[3] : 255;
            dst[0] = overWhite(src[0], a), dst[1] = overWhite(src[1], a), dst[2] = overWhite(src[2], a);
        }
    }
    return px;
}

bool encodeWithWic(const EncodeInput& in, int format, std::vector<uint8_t>& out)
{
    const GUID* container = format == kFormatJpeg  ? &GUID_ContainerFormatJpeg
                            : format == kFormatPng ? &GUID_ContainerFormatPng
                            : format == kFormatBmp ? &GUID_ContainerFormatBmp
                            : format == kFormatGif ? &GUID_ContainerFormatGif
                                                   : nullptr;
    if (!container || in.width == 0 || in.height == 0) return false;

    EncoderPixels px;
    IndexedPicture indexed;
    if (format == kFormatGif) {
        if (!quantizeForGif(in.bgra, in.width, in.height, indexed)) return false;
        px.format = GUID_WICPixelFormat8bppIndexed;
        px.stride = in.width;
        px.bytes = std::move(indexed.indices);
    } else if (format == kFormatPng && in.hasAlpha) {
        px.format = GUID_WICPixelFormat32bppBGRA;
        px.stride = in.width * 4;
        px.bytes.assign(in.bgra, in.bgra + static_cast<size_t>(in.width) * in.height * 4);
    } else {
        px = bgrPixels(in);
    }
    if (px.bytes.size() > 0xFFFFFFFFu) return false;

    ComScope com(COINIT_MULTITHREADED);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (!makeWicFactory(factory) || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        FAILED(factory->CreateEncoder(*container, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), options.put())))
        return false;
    if (format == kFormatJpeg) setEncoderJpegQuality(options.get(), in.jpegQuality);
    if (FAILED(frame->Initialize(options.get())) || FAILED(frame->SetSize(in.width, in.height))) return false;

    ComPtr<IWICPalette> palette;
    if (format == kFormatGif) {
        std::vector<WICColor> colours;
        for (size_t i = 0; i < indexed.palette.size(); ++i) {
            const PaletteColour& c = indexed.palette[i];
            const WICColor alpha = static_cast<int>(i) == indexed.transparentIndex ? 0u : 0xFF000000u;
            colours.push_back(alpha | (WICColor{c.r} << 16) | (WICColor{c.g} << 8) | c.b);
        }
        if (FAILED(factory->CreatePalette(palette.put())) ||
            FAILED(palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size()))) ||
            FAILED(frame->SetPalette(palette.get())))
            return false;
    }
    WICPixelFormatGUID asked = px.format;
    if (FAILED(frame->SetPixelFormat(&asked))) return false;
    if (asked != px.format) {
        // The encoder wants another layout: 24-bit for every format we write is the common one.
        if (format == kFormatGif || asked != GUID_WICPixelFormat24bppBGR) return false;
        px = bgrPixels(in);
    }
    if (format == kFormatGif && indexed.transparentIndex >= 0) {
        ComPtr<IWICMetadataQueryWriter> meta;
        if (SUCCEEDED(frame->GetMetadataQueryWriter(meta.put()))) {
            PROPVARIANT flag;
            PropVariantInit(&flag);
            flag.vt = VT_BOOL;
            flag.boolVal = VARIANT_TRUE;
            PROPVARIANT index;
            PropVariantInit(&index);
            index.vt = VT_UI1;
            index.bVal = static_cast<UCHAR>(indexed.transparentIndex);
            meta->SetMetadataByName(L"/grctlext/TransparencyFlag", &flag);
            meta->SetMetadataByName(L"/grctlext/TransparentColorIndex", &index);
        }
    }
    if (format == kFormatPng && in.icc && !in.icc->empty()) {
        ComPtr<IWICColorContext> context;
        if (SUCCEEDED(factory->CreateColorContext(context.put())) &&
            SUCCEEDED(context->InitializeFromMemory(in.icc->data(), static_cast<UINT>(in.icc->size())))) {
            IWICColorContext* contexts[] = {context.get()};
            frame->SetColorContexts(1, contexts);  // kept where the encoder can
        }
    }
    if (FAILED(frame->WritePixels(in.height, px.stride, static_cast<UINT>(px.bytes.size()), px.bytes.data())) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return false;
    std::vector<uint8_t> bytes;
    if (!bytesOfStream(stream.get(), bytes)) return false;
    if (format == kFormatJpeg && in.icc && !in.icc->empty()) return insertIccProfile(bytes, *in.icc, out);
    // Where the encoder dropped the profile or the transparency, splice them in ourselves.
    if (format == kFormatPng && in.icc && !in.icc->empty() && insertPngIccProfile(bytes, *in.icc, out)) return true;
    if (format == kFormatGif && insertGifTransparency(bytes, indexed.transparentIndex, out)) return true;
    out = std::move(bytes);
    return true;
}

}  // namespace

bool platformEncode(const EncodeInput& in, int format, std::vector<uint8_t>& out)
{
    out.clear();
    try {
        if (encodeWithWic(in, format, out)) return true;
    } catch (const std::bad_alloc&) {
    }
    out.clear();
    return false;
}

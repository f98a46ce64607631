#pragma once
// What the WIC back end shares between its whole-picture decoder (picture_wic_win.cpp) and its
// decoder by bands of rows (picture_wic_rows_win.cpp). Windows only.

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <vector>

#include "base/com_ptr_win.h"

// IWICBitmapSourceTransform, which mingw-w64's headers leave out: a decoder's own scaled output.
// Its CopyPixels rectangle is in the scaled picture's pixels (the scale comes before the crop).
struct IWicSourceTransform : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT size, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
inline constexpr IID kIidSourceTransform = {
    0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

bool makeWicFactory(ComPtr<IWICImagingFactory>& factory);
// The frame's first embedded ICC profile; empty when it has none.
std::vector<uint8_t> firstColourProfile(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame);
// Bits per pixel of a WIC pixel format; 0 when WIC does not know it.
UINT bitsPerPixel(IWICImagingFactory* factory, const WICPixelFormatGUID& format);
// Asks a JPEG frame encoder for `quality` (0..100) through its options, before the frame's
// Initialize; an encoder without the option keeps its default.
void setEncoderJpegQuality(IPropertyBag2* options, int quality);
// What an encoder wrote into a stream made by CreateStreamOnHGlobal; false when it is empty.
bool bytesOfStream(IStream* stream, std::vector<uint8_t>& out);

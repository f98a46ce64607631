#pragma once
// CPicture: the one interface through which the program loads, measures, turns, resizes, draws
// and saves pictures.
//
// USAGE
//   CPicture pic;
//   if (!pic.Load(path, 0, PictureSizeHint::fitInto(1024, 768)))   // 0: format from the content
//       return;                                                    // undecodable: nothing to do
//   pic.Rotate(90.0f);                     // multiples of 90 only, clockwise, in place
//   pic.Resample2(w, h);                   // bicubic, averaging when shrinking; exactly w x h
//   pic.Save(out, kFormatJpeg);            // JPEG quality 90 unless setJpegQuality() says otherwise
//
// Every operation returns false (or an empty picture, or a null handle) on failure and never
// throws; a failed Load leaves an invalid picture. Format codes are those of format_code.h.
//
// Sizes. GetWidth()/GetHeight() are the picture's true size as it is meant to be seen: a
// JPEG's EXIF orientation is applied on loading, and Rotate() swaps the sides. A load with a
// size hint may decode a JPEG at 1/2, 1/4 or 1/8 of its size; the decoded buffer is then
// smaller than GetWidth() x GetHeight(), but every size computed from GetWidth()/GetHeight()
// stays right, because Resample2(w, h) makes exactly w x h pixels from whatever was decoded.
// Save(), Stretch() and MakeBitmap() show the picture at its true size.
//
// Pixels are 8-bit BGRA with straight (not premultiplied) alpha, rows top down, no padding.
// Decoding, resampling and rotation are the same on every platform; only the codecs differ
// (WIC on Windows; libjpeg-turbo, libpng, giflib and libtiff elsewhere; the program's own
// readers for TGA, PNM, PCX, WBMP, RAS everywhere, and for BMP and ICO where no library is).
//
// Saved files carry no EXIF. An embedded ICC colour profile of the source is kept and written
// into saved JPEG and PNG files, so colours survive.
//
// Objects are independent: separate pictures may be used on separate threads at once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "picture/format_code.h"

#ifdef _WIN32
// The Win32 handle types, declared as <windows.h> does (STRICT), so that this portable header
// needs no Windows header: HDC, HBITMAP, HINSTANCE/HMODULE, HPALETTE.
struct HDC__;
struct HBITMAP__;
struct HINSTANCE__;
struct HPALETTE__;
#endif

// How the picture will be used after loading, so that a JPEG can be decoded at a reduced DCT
// scale. The sides are in the orientation the picture has after loading (EXIF applied): a caller
// that turns the picture by 90 or 270 degrees before resampling swaps them (swapped()).
struct PictureSizeHint {
    enum class Mode { None, AtLeast, FitInto };
    Mode mode = Mode::None;
    uint32_t width = 0;
    uint32_t height = 0;

    // The caller will resample to at least width x height.
    static PictureSizeHint atLeast(uint32_t width, uint32_t height) { return {Mode::AtLeast, width, height}; }
    // The caller will fit the picture into a width x height box, never enlarging it: first to
    // width when wider, then to height when still taller. 0 leaves that side unbounded.
    static PictureSizeHint fitInto(uint32_t width, uint32_t height) { return {Mode::FitInto, width, height}; }
    PictureSizeHint swapped() const { return {mode, height, width}; }
};

// The two mode arguments Resample2 takes: bicubic interpolation, edge pixels repeated; no others are supported.
inline constexpr int kInterpolationBicubic2 = 5;
inline constexpr int kOverflowRepeat = 5;

inline constexpr int kDefaultJpegQuality = 90;
// WebP and AVIF (0..100) at about the look of the JPEG above; AVIF's speed 0 (slowest) to 9.
inline constexpr int kDefaultWebpQuality = 80;
inline constexpr int kDefaultAvifQuality = 60;
inline constexpr int kDefaultAvifSpeed = 6;
// Pictures larger than this (in pixels) are refused when decoding or resampling.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 28;

// Vets the memory that decoding takes on one thread. Before a decoder allocates the buffer of a
// whole picture (width x height x 4 bytes, after any reduced-scale decode), the gate of the
// calling thread, when one is installed, is asked; when it refuses, the load fails as for an
// undecodable file (a streamed load reports it as no memory). A streamed load (picture_stream.h)
// asks instead for everything it holds at once, before its first row. The build uses it to keep
// its workers within one memory budget.
class PictureMemoryGate {
public:
    virtual ~PictureMemoryGate() = default;
    virtual bool allowPixels(uint64_t bytes) = 0;
    virtual bool allowWorkingSet(uint64_t bytes) = 0;
};
// The gate of the calling thread; null when none is installed.
PictureMemoryGate* currentPictureMemoryGate();
// Installs a gate for the calling thread while it lives (the previous one comes back after).
class ScopedPictureMemoryGate {
public:
    explicit ScopedPictureMemoryGate(PictureMemoryGate& gate);
    ~ScopedPictureMemoryGate();
    ScopedPictureMemoryGate(const ScopedPictureMemoryGate&) = delete;
    ScopedPictureMemoryGate& operator=(const ScopedPictureMemoryGate&) = delete;

private:
    PictureMemoryGate* previous_;
};

class CPicture {
public:
    CPicture() = default;
    // Loads at once; test the result with IsValid().
    CPicture(const std::string& path, int formatCode, PictureSizeHint hint = {});
    CPicture(const CPicture&) = default;             // deep copy
    CPicture& operator=(const CPicture&) = default;  // deep copy
    CPicture(CPicture&&) noexcept = default;
    CPicture& operator=(CPicture&&) noexcept = default;

    // --- Loading -------------------------------------------------------------------------------
    // Reads a file with a UTF-8 path. formatCode 0 detects the format from the content; another
    // code is tried first and the content decides when it does not match. True when decoded.
    bool Load(const std::string& path, int formatCode = 0, PictureSizeHint hint = {});
    // The same from bytes in memory (resources, tests).
    bool loadMemory(const void* data, size_t size, int formatCode = 0, PictureSizeHint hint = {});
#ifdef _WIN32
    // A picture stored in the program's resources: resource type (e.g. L"JPEG", L"GIF") and id,
    // from `module` (null: the program itself). GIF (code 2) and JPEG (code 3) are what the
    // program keeps there; any format that loads from a file loads from a resource too.
    bool LoadResource(const wchar_t* resourceType, unsigned resourceId, int formatCode, HINSTANCE__* module = nullptr);
#endif

    // --- Saving --------------------------------------------------------------------------------
    // Writes JPEG (3), PNG (4), BMP (1) or GIF (2, indexed with a palette made from the picture)
    // at the picture's true size. False when the picture is invalid, the format cannot be written
    // or the file cannot be written (a half-written file is removed).
    bool Save(const std::string& path, int formatCode) const;
    bool saveMemory(std::vector<uint8_t>& out, int formatCode) const;
    void setJpegQuality(int quality);  // 1..100, clamped
    int jpegQuality() const { return jpegQuality_; }

    // --- Geometry ------------------------------------------------------------------------------
    // Resizes to exactly newWidth x newHeight with a cubic kernel; with averaging on, a shrink
    // widens the kernel so that every source pixel counts (no aliasing). Into `destination` when
    // given (this picture then stays as it is), else in place.
    bool Resample2(uint32_t newWidth, uint32_t newHeight, int interpolation = kInterpolationBicubic2,
                   int overflow = kOverflowRepeat, CPicture* destination = nullptr, bool averaging = true);
    // Turns clockwise by a multiple of 90 degrees (negative turns left); other angles fail.
    bool Rotate(float angle, CPicture* destination = nullptr);

    uint32_t GetWidth() const { return width_; }
    uint32_t GetHeight() const { return height_; }
    bool IsValid() const { return !pixels_.empty(); }
    void Destroy();

    // --- Pixels --------------------------------------------------------------------------------
    // The decoded buffer (may be smaller than GetWidth() x GetHeight() after a hinted load).
    const uint8_t* bits() const { return pixels_.data(); }
    uint32_t bufferWidth() const { return bufferWidth_; }
    uint32_t bufferHeight() const { return bufferHeight_; }
    bool hasAlpha() const { return hasAlpha_; }  // some pixel is not fully opaque
    // Takes a BGRA buffer of width x height pixels (straight alpha); false when the size is wrong.
    bool setPixels(uint32_t width, uint32_t height, std::vector<uint8_t> bgra);

    // --- Colour profile and source ---------------------------------------------------------------
    const std::vector<uint8_t>& iccProfile() const { return iccProfile_; }
    void setIccProfile(std::vector<uint8_t> profile) { iccProfile_ = std::move(profile); }
    int sourceFormat() const { return sourceFormat_; }  // format code the picture was decoded from

#ifdef _WIN32
    // --- Windows drawing -------------------------------------------------------------------------
    // Draws the picture scaled into the rectangle (resampled by our own code, transparent parts
    // over white). rop is a GDI raster operation; SRCCOPY by default.
    bool Stretch(HDC__* hdc, int x, int y, int width, int height, unsigned long rop = 0x00CC0020UL) const;
    // A device-dependent bitmap of the picture at its true size for `hdc` (null: the screen);
    // the caller deletes it. Null when invalid.
    HBITMAP__* MakeBitmap(HDC__* hdc = nullptr) const;
    // Takes the picture from a bitmap (DDB or DIB section); palette for palette-based DDBs.
    bool CreateFromHBITMAP(HBITMAP__* bitmap, HPALETTE__* palette = nullptr);
#endif

private:
    void resetTo(uint32_t width, uint32_t height, std::vector<uint8_t> bgra);
    bool pixelsAtTrueSize(std::vector<uint8_t>& out) const;

    std::vector<uint8_t> pixels_;  // BGRA, straight alpha, bufferWidth_ x bufferHeight_
    uint32_t bufferWidth_ = 0;
    uint32_t bufferHeight_ = 0;
    uint32_t width_ = 0;  // true size, as shown
    uint32_t height_ = 0;
    bool hasAlpha_ = false;
    std::vector<uint8_t> iccProfile_;
    int jpegQuality_ = kDefaultJpegQuality;
    int sourceFormat_ = kFormatUnknown;
};

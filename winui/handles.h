#pragma once
// Owners of Win32 handles. The owners are move-only, so a handle is freed exactly once; the
// scoped guards (selection into a DC, paint, client DC) live on the stack and undo on exit.

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace winui {

template <typename H, void (*Free)(H)> class Unique {
public:
    Unique() = default;
    explicit Unique(H handle) : handle_(handle) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    H release() { return std::exchange(handle_, nullptr); }
    void reset(H handle = nullptr)
    {
        if (handle_) Free(handle_);
        handle_ = handle;
    }

private:
    H handle_ = nullptr;
};

namespace detail {
template <typename H> void deleteObject(H h) { DeleteObject(h); }
inline void destroyIcon(HICON h) { DestroyIcon(h); }
inline void destroyImageList(HIMAGELIST h) { ImageList_Destroy(h); }
inline void destroyMenu(HMENU h) { DestroyMenu(h); }
inline void deleteDc(HDC h) { DeleteDC(h); }
inline void closeHandle(HANDLE h) { CloseHandle(h); }
inline void freeLibrary(HMODULE h) { FreeLibrary(h); }
inline void closeKey(HKEY h) { RegCloseKey(h); }
}  // namespace detail

using UniqueBitmap = Unique<HBITMAP, detail::deleteObject<HBITMAP>>;
using UniqueBrush = Unique<HBRUSH, detail::deleteObject<HBRUSH>>;
using UniqueFont = Unique<HFONT, detail::deleteObject<HFONT>>;
using UniquePen = Unique<HPEN, detail::deleteObject<HPEN>>;
using UniquePalette = Unique<HPALETTE, detail::deleteObject<HPALETTE>>;
using UniqueIcon = Unique<HICON, detail::destroyIcon>;
using UniqueImageList = Unique<HIMAGELIST, detail::destroyImageList>;
using UniqueMenu = Unique<HMENU, detail::destroyMenu>;
using UniqueMemoryDc = Unique<HDC, detail::deleteDc>;
using UniqueHandle = Unique<HANDLE, detail::closeHandle>;
using UniqueModule = Unique<HMODULE, detail::freeLibrary>;
using UniqueKey = Unique<HKEY, detail::closeKey>;  // never a predefined root (HKEY_CURRENT_USER...)

// Selects a GDI object into a DC and puts the previous one back on exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard()
    {
        if (old_) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// GetDC / ReleaseDC.
class ClientDc {
public:
    explicit ClientDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ClientDc()
    {
        if (dc_) ReleaseDC(window_, dc_);
    }
    ClientDc(const ClientDc&) = delete;
    ClientDc& operator=(const ClientDc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// GetWindowDC / ReleaseDC: the whole window, frame included, for non-client painting.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~WindowDc()
    {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace winui

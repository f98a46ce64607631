#pragma once
// What the whole library shares: its module, the classes it registered, its own theme record,
// the visual-style functions loaded at run time, and the seams that tests may shorten (the
// forwarding time-out and the animation clock).

#include <windows.h>

#include <uxtheme.h>

#include <memory>

#include "taskpane/include/sidefold.h"

namespace sidefold {

HINSTANCE libraryModule();

// The atoms of the five classes, for telling our windows from others.
enum class WindowClass { Bar, Link, Header, Label, Button };
ATOM classAtom(WindowClass c);
bool isClass(HWND window, WindowClass c);

// The DPI a window of ours is drawn at: the system's per-window DPI where it has one, else the
// screen's. A test host may fix it for every window (SidefoldTestHooks, read at each call, so
// that a test may change it between bars).
constexpr int kBaseDpi = 96;
// Sent by newer systems; named here for older headers.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif
int windowDpi(HWND window);
// `pixels` at 96 DPI for `dpi`, rounded as MulDiv rounds; exactly `pixels` at 96.
inline int scaled(int pixels, int dpi) { return dpi == kBaseDpi ? pixels : MulDiv(pixels, dpi, kBaseDpi); }

// The library's own theme record, filled at attach and refreshed on theme changes. Readers on
// any thread hold a reference while they use it: a refresh publishes a new record, and the one
// it replaces (with its bitmaps) goes when its last reader lets go of it. The record is made for
// 96 DPI; for another DPI a copy with its sizes, fonts and own glyphs scaled is made once and
// kept beside it until the next refresh.
using ThemeRef = std::shared_ptr<const SidefoldTheme>;
ThemeRef libraryTheme(int dpi = kBaseDpi);
// The record for the DPI of `window`.
inline ThemeRef themeFor(HWND window) { return libraryTheme(windowDpi(window)); }
void refreshLibraryTheme();

// Forwarded dialog messages wait this long for the owner (100 000 ms). A test host may shorten
// it (SidefoldTestHooks).
UINT forwardTimeout();
// What plays a header's sound: winmm's PlaySoundA, or a test host's stand-in; null when neither.
SidefoldPlaySoundHook soundPlayer();

// Time for animations: the milliseconds clock and the pause between frames. Tests replace them;
// a test host loading the library shortens the pause (SidefoldTestHooks).
struct Clock {
    DWORD (*now)();
    void (*sleep)(DWORD milliseconds);
};
const Clock& clock();
void setClock(const Clock& clock);

// Visual-style drawing, through UxTheme.dll when the host runs themed; otherwise null and E_FAIL.
HTHEME openThemeData(HWND window, LPCWSTR classes);
HRESULT closeThemeData(HTHEME theme);
HRESULT drawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip);
HRESULT getThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* rect, THEMESIZE size, SIZE* out);
bool themedDrawing();

// Memory the caller may read (or write) whole: committed, accessible, not a guard page. Hosts
// pass records by pointer; a wrong pointer must fail the message, not the bar's thread.
bool readable(const void* p, size_t size);
bool writable(void* p, size_t size);

}  // namespace sidefold

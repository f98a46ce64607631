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

// The library's own theme record, filled at attach and refreshed on theme changes. Readers on
// any thread hold a reference while they use it: a refresh publishes a new record, and the one
// it replaces (with its bitmaps) goes when its last reader lets go of it.
using ThemeRef = std::shared_ptr<const SidefoldTheme>;
ThemeRef libraryTheme();
void refreshLibraryTheme();

// Forwarded dialog messages wait this long for the owner (100 000 ms). A test host may shorten
// it through the environment variable SIDEFOLD_FORWARD_TIMEOUT_MS, read at attach.
UINT forwardTimeout();

// Time for animations: the milliseconds clock and the pause between frames. Tests replace them;
// a test host loading the library shortens the pause through SIDEFOLD_ANIMATION_PAUSE_MS.
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

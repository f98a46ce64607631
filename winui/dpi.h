#pragma once
// The DPI a window is drawn at, and sizes scaled to it. Every size in the program is given for
// 96 DPI and passes through here; at 96 DPI each value is exactly the unscaled one. The per-window
// calls of newer systems are loaded at run time: without them every window has the screen's DPI.

#include <windows.h>

namespace winui {

constexpr int kBaseDpi = 96;

// The DPI of `window` (of the screen when null or when the system knows no per-window DPI).
int dpiOf(HWND window);
// The DPI the system's own fonts and metrics are made for (the screen's when the program started).
int systemDpi();
// `pixels` at 96 DPI, scaled to `dpi` (rounded as MulDiv rounds, the sign kept).
int scaled(int pixels, int dpi);
// GetSystemMetrics for `dpi`.
int systemMetric(int index, int dpi);
// The fonts and sizes of menus, captions, messages and the status bar, for `dpi`.
NONCLIENTMETRICSW nonClientMetrics(int dpi);

// Tests: every window is taken to have this DPI (0 gives the system back its say).
void setDpiOverride(int dpi);

}  // namespace winui

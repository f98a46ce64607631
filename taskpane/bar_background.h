#pragma once
// The pane's background: made once per size and theme as a bitmap (solid or gradient, then the
// pane's borders), and from then on only copied, to the bar and under the headers.

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// Makes the bitmap again when the layout's size changed or the theme did.
// Makes the pane's background for its size and theme; true when it was made anew with another height
// (the gradient runs over the whole height, so every row of it, and the bottom border, moved).
bool makeBackground(BarRecord& bar);
void deleteBackground(BarRecord& bar);

// Copies the background under a rectangle of the bar's client area (scrolled) into `dc` at
// (x, y); the pane colour where there is no bitmap.
void copyBackground(const BarRecord& bar, HDC dc, int x, int y, const RECT& area);

// WM_PAINT of the bar.
void paintBar(HWND window, const BarRecord& bar);

}  // namespace sidefold

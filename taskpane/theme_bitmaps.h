#pragma once
// Bitmaps of the theme record: those the style sheet names in the shell style file (rcbmp),
// and the library's own glyphs in a requested colour. Every result is a 32-bit DIB section
// with premultiplied alpha, or as loaded where the style sheet says the bitmap carries its own.

#include <windows.h>

#include "taskpane/style_values.h"

namespace sidefold {

struct SizedBitmap {
    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
};

// An rcbmp value: the bitmap from `module` (the shell style file, loaded as data), made
// transparent by its colour key or premultiplied by its own alpha. Null when it cannot be loaded.
SizedBitmap loadStyleBitmap(HMODULE module, const BitmapRef& ref);

// One of the library's glyphs (107 to 118): pure red becomes transparent, RGB(13, 14, 15) the
// colour. Null when the bitmap is missing or not 24-bit. Above 96 DPI the glyph is drawn at the
// scaled size, each pixel from the nearest one of the 96-DPI drawing (edges stay hard, no blur).
SizedBitmap makeGlyph(int id, COLORREF colour, int dpi = 96);

}  // namespace sidefold

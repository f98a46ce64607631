#pragma once
// The theme record: filled from the current visual style's shell style file when it has one
// that we can read, else from the system colours and the library's own glyphs (the system
// look). Ordinals 7 and 8.

#include <new>

#include "taskpane/include/sidefold.h"
#include "taskpane/library.h"

namespace sidefold {

// Ordinal 7: 0 and the record untouched when its size field is wrong, else 1.
int fillTheme(SidefoldTheme* theme, int namesOnly);
// Ordinal 8: deletes every bitmap the record holds; the fields keep their values.
void releaseTheme(SidefoldTheme* theme);

// The system look over the whole record; the names and the opened flag are kept.
void fillSystemLook(SidefoldTheme& theme);

// The record `base` (made for 96 DPI) for `dpi`: `base` itself at 96, or when no copy can be made.
ThemeRef scaledTheme(const ThemeRef& base, int dpi);

}  // namespace sidefold

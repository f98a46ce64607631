// The theme record for a DPI other than 96: every size scaled, the fonts made for that DPI and,
// in the system look, the library's glyphs drawn at the scaled size. A visual style's bitmaps
// are kept as the style gives them (shared with the record the copy was made from).

#include <windows.h>

#include "taskpane/theme_bitmaps.h"
#include "taskpane/theme_source.h"

namespace sidefold {

namespace {

// The DPI the record's font heights were made for: the screen's (a style gives points, the
// system look the stock font, both as the screen draws them).
int fontDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

void scale(RECT& r, int dpi)
{
    r = {scaled(r.left, dpi), scaled(r.top, dpi), scaled(r.right, dpi), scaled(r.bottom, dpi)};
}

void scaleGlyphs(HBITMAP (&slots)[6], int& width, int& height, const int (&ids)[6], COLORREF colour, int dpi)
{
    for (int i = 0; i < 6; ++i) {
        const SizedBitmap g = makeGlyph(ids[i], colour, dpi);
        slots[i] = g.bitmap;
        if (i == 0) {
            width = g.width;
            height = g.height;
        }
    }
}

}  // namespace

ThemeRef scaledTheme(const ThemeRef& base, int dpi)
{
    if (!base || dpi == kBaseDpi || dpi <= 0) return base;
    auto* t = new (std::nothrow) SidefoldTheme(*base);
    if (!t) return base;
    for (RECT* r : {&t->panePadding, &t->paneBorderThickness, &t->linkTitlePadding, &t->actionTaskMargin,
                    &t->destinationTaskMargin, &t->mainLinkTitlePadding, &t->mainActionTaskMargin,
                    &t->mainDestinationTaskMargin, &t->headerPadding, &t->headerBorderThickness,
                    &t->taskListBorderThickness, &t->taskListPadding, &t->mainHeaderPadding,
                    &t->mainHeaderBorderThickness, &t->mainTaskListBorderThickness, &t->mainTaskListPadding})
        scale(*r, dpi);
    t->groupMargin = scaled(t->groupMargin, dpi);
    t->mainGroupMargin = scaled(t->mainGroupMargin, dpi);
    const int from = fontDpi();
    t->headerFontHeight = MulDiv(t->headerFontHeight, dpi, from);
    t->mainHeaderFontHeight = MulDiv(t->mainHeaderFontHeight, dpi, from);
    if (!t->systemLook) {
        // The style's bitmaps and their sizes stay; the copy holds the record that owns them.
        return ThemeRef(t, [base](const SidefoldTheme* copy) { delete copy; });
    }
    t->headerBackgroundWidth = scaled(t->headerBackgroundWidth, dpi);
    t->headerBackgroundHeight = scaled(t->headerBackgroundHeight, dpi);
    t->mainHeaderBackgroundWidth = scaled(t->mainHeaderBackgroundWidth, dpi);
    t->mainHeaderBackgroundHeight = scaled(t->mainHeaderBackgroundHeight, dpi);
    const COLORREF text = GetSysColor(COLOR_BTNTEXT), highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    scaleGlyphs(t->triangleGlyphs, t->triangleWidth, t->triangleHeight, {116, 117, 118, 113, 114, 115}, text, dpi);
    scaleGlyphs(t->arrowGlyphs, t->arrowWidth, t->arrowHeight, {107, 108, 109, 110, 111, 112}, text, dpi);
    scaleGlyphs(t->mainArrowGlyphs, t->mainArrowWidth, t->mainArrowHeight, {107, 108, 109, 110, 111, 112},
                highlightText, dpi);
    return ThemeRef(t, [](const SidefoldTheme* copy) {
        releaseTheme(const_cast<SidefoldTheme*>(copy));
        delete copy;
    });
}

}  // namespace sidefold

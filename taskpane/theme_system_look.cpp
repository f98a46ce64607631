// The system look: the theme record from the system colours, the stock GUI font and the
// library's own glyphs, for when there is no visual style whose style sheet we can read.

#include <windows.h>

#include <cstring>

#include "taskpane/theme_bitmaps.h"
#include "taskpane/theme_source.h"

namespace sidefold {

namespace {

void glyphs(HBITMAP (&slots)[6], int& width, int& height, const int (&ids)[6], COLORREF colour)
{
    for (int i = 0; i < 6; ++i) {
        const SizedBitmap g = makeGlyph(ids[i], colour);
        slots[i] = g.bitmap;
        if (i == 0) {
            width = g.width;
            height = g.height;
        }
    }
}

// Face and height of the stock default GUI font: the face it was made with (not the one the
// system picked to draw it), and minus its ascent as a character height.
void defaultGuiFont(char (&face)[260], int& height)
{
    lstrcpynA(face, "Arial", sizeof(face));
    height = -13;
    auto font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA made{};
    if (font && GetObjectA(font, sizeof(made), &made) && made.lfFaceName[0])
        lstrcpynA(face, made.lfFaceName, sizeof(face));
    HDC dc = GetDC(nullptr);
    if (!font || !dc) {
        if (dc) ReleaseDC(nullptr, dc);
        return;
    }
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, &metrics)) height = -metrics.tmAscent;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
}

void setRect(RECT& r, LONG l, LONG t, LONG rt, LONG b) { r = {l, t, rt, b}; }

}  // namespace

void fillSystemLook(SidefoldTheme& theme)
{
    // Keep what was learnt about the style files; everything else starts over.
    SidefoldTheme kept = theme;
    theme = SidefoldTheme{};
    theme.size = sizeof(SidefoldTheme);
    theme.shellStyleOpened = kept.shellStyleOpened;
    std::memcpy(theme.styleFileName, kept.styleFileName, sizeof(theme.styleFileName));
    std::memcpy(theme.colourSchemeName, kept.colourSchemeName, sizeof(theme.colourSchemeName));
    std::memcpy(theme.shellStylePath, kept.shellStylePath, sizeof(theme.shellStylePath));
    theme.systemLook = 1;

    const COLORREF text = GetSysColor(COLOR_BTNTEXT), window = GetSysColor(COLOR_WINDOW);
    const COLORREF face = GetSysColor(COLOR_BTNFACE), highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);

    glyphs(theme.triangleGlyphs, theme.triangleWidth, theme.triangleHeight, {116, 117, 118, 113, 114, 115}, text);
    theme.paneBackground = theme.paneBackground2 = window;
    setRect(theme.panePadding, 12, 12, 12, 12);
    setRect(theme.linkTitlePadding, 6, 0, 4, 0);
    setRect(theme.actionTaskMargin, 0, 4, 0, 0);
    setRect(theme.destinationTaskMargin, 0, 4, 0, 0);
    theme.linkColour = theme.linkHoverColour = text;
    theme.mainLinkTitlePadding = theme.linkTitlePadding;
    theme.mainActionTaskMargin = theme.actionTaskMargin;
    theme.mainDestinationTaskMargin = theme.destinationTaskMargin;
    theme.mainLinkColour = theme.linkColour;
    theme.mainLinkHoverColour = theme.linkHoverColour;

    defaultGuiFont(theme.headerFontFace, theme.headerFontHeight);
    theme.groupMargin = 15;
    theme.headerBackgroundWidth = 186;
    theme.headerBackgroundHeight = 21;
    theme.headerText = theme.headerHoverText = text;
    theme.headerAlignment = 0x21;
    theme.headerFontWeight = 700;
    setRect(theme.headerPadding, 10, 0, 1, 0);
    setRect(theme.headerBorderThickness, 2, 2, 2, 0);
    theme.headerBorderColour = face;
    glyphs(theme.arrowGlyphs, theme.arrowWidth, theme.arrowHeight, {107, 108, 109, 110, 111, 112}, text);
    theme.taskListBackground = window;
    setRect(theme.taskListBorderThickness, 1, 0, 1, 1);
    theme.taskListBorderColour = face;
    setRect(theme.taskListPadding, 12, 10, 12, 10);

    std::memcpy(theme.mainHeaderFontFace, theme.headerFontFace, sizeof(theme.mainHeaderFontFace));
    theme.mainHeaderFontHeight = theme.headerFontHeight;
    theme.mainGroupMargin = 15;
    theme.mainHeaderBackgroundWidth = 186;
    theme.mainHeaderBackgroundHeight = 21;
    theme.mainHeaderText = theme.mainHeaderHoverText = highlightText;
    theme.mainHeaderAlignment = 0x21;
    theme.mainHeaderFontWeight = 700;
    theme.mainHeaderPadding = theme.headerPadding;
    theme.mainHeaderBorderThickness = theme.headerBorderThickness;
    theme.mainHeaderBorderColour = highlight;
    glyphs(theme.mainArrowGlyphs, theme.mainArrowWidth, theme.mainArrowHeight, {107, 108, 109, 110, 111, 112},
           highlightText);
    theme.mainTaskListBackground = window;
    theme.mainWatermarkAlignment = 0x44;
    setRect(theme.mainTaskListBorderThickness, 1, 0, 1, 1);
    theme.mainTaskListBorderColour = highlight;
    setRect(theme.mainTaskListPadding, 12, 10, 12, 10);
}

}  // namespace sidefold

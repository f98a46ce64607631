#pragma once
// COwnerMenuBitmaps: the look of owner-drawn menu items — sizes, colours, the image gutter,
// highlight, check marks ("Marlett"), disabled-image silhouettes and the title band.
// Colours are derived from the system's menu colours; with an active visual style the flat
// look is used (tinted highlight with a frame), without one the classic solid highlight.

#include <windows.h>
#include <commctrl.h>

#include "app/owner_menu.h"

class COwnerMenuBitmaps {
public:
    // Sizes are given at 96 DPI and drawn at the menu's `dpi`; the image list is the one drawn
    // for that DPI.
    static SIZE measure(const COwnerMenuItem& item, int dpi);
    static void draw(const DRAWITEMSTRUCT& dis, const COwnerMenuItem& item, int dpi);

    // Paints the opaque pixels of one image in a single colour.
    static void drawSilhouette(HDC dc, HIMAGELIST images, int image, int x, int y, COLORREF colour);

    // The derived colours, for drawing and for checking what was drawn.
    struct Colours {
        COLORREF background;  // the menu
        COLORREF gutter;      // the image column
        COLORREF highlight;   // fill of a highlighted item
        COLORREF frame;       // frame of a highlighted item and of a check box
        COLORREF text;        // text of a highlighted item
        COLORREF silhouette;  // a disabled item's image
        COLORREF checkFill;   // behind a check mark
    };
    static Colours colours();
    static bool visualStyleActive();

    static constexpr int kGutterPad = 4;  // around the image in its column, at 96 DPI
    static constexpr int kTextGap = 8;    // between the column and the text, at 96 DPI
};

#pragma once
// The arithmetic of the pane, without windows: margins from the theme's paddings, the flow of
// a group dialog's controls, the height of the stack, scroll positions, making a group
// visible, the pane's gradient and the animation frames. The bar's code feeds it what it
// measured and places windows where it says.

#include <cstdint>
#include <vector>

namespace sidefold {

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// Everything measured from the pane's paddings and borders for one client width.
struct PaneMetrics {
    int clientWidthWithBar = 0;     // client width while the scroll bar shows
    int clientWidthWithoutBar = 0;  // client width without it
    int leftMargin = 0, rightMargin = 0;
    int gap = 0;  // between groups
    int topMargin = 0, bottomMargin = 0;
    int groupWidthWithBar = 0, groupWidthWithoutBar = 0;
};

// clientWidth is the current client width; barShown says whether the scroll bar takes part of
// it now; scrollBarWidth is SM_CXVSCROLL. Paddings and borders come scaled for `dpi` already;
// the library's own sizes (given for 96 DPI) are scaled here.
PaneMetrics paneMetrics(int clientWidth, bool barShown, int scrollBarWidth, const Box& padding, const Box& border,
                        int dpi = 96);

// A size given for 96 DPI at `dpi`, rounded half away from zero (as MulDiv rounds).
int scaledFor(int pixels, int dpi);

// One control of a group dialog, in window order, as the flow sees it.
struct FlowItem {
    Box templateRect;        // where the template put it
    bool library = false;    // answers the size request: measured at the available width
    int measuredWidth = 0;   // its answer (library controls only)
    int measuredHeight = 0;  //
    int section = -1;        // index of the sub-section header that holds it, or -1
    bool sectionHeader = false;
    bool open = false;  // sub-section header: its controls show
};

struct FlowResult {
    std::vector<Box> rects;     // per item, in dialog coordinates
    std::vector<bool> visible;  // false inside a closed sub-section
    int dialogHeight = 0;       // lowest visible bottom + 8 + bottom border
};

// Width that the library controls are measured at, for a group of width `width`.
int flowControlWidth(int width, const Box& taskListBorder, int dpi = 96);
// Flows the controls for a group of width `width` (measured sizes already filled in). Ordinary
// controls keep their template size but never reach past the content's right edge.
FlowResult flowControls(const std::vector<FlowItem>& items, const Box& taskListBorder, int width, int dpi = 96);

// The highest scroll position for a range 0..rangeMax with this page, and a position kept in
// 0..that.
int maxScrollPosition(int rangeMax, int page);
int clampScroll(int position, int rangeMax, int page);

// The scroll position that shows a group of `top` and `height` (content coordinates) whole, or
// its top part when it is taller than the page.
int positionShowing(int top, int height, int position, int page, int rangeMax);

// The pane's background colour of row y of h: 0x00BBGGRR from the two colours (alpha ignored).
uint32_t gradientRow(uint32_t first, uint32_t second, int exponent, int y, int h);

// Animation: ten frames; height of frame k (1..10) of a dialog of height d, and the constant
// alpha of a stretched frame.
constexpr int kAnimationFrames = 10;
constexpr int kFrameMilliseconds = 20;
int frameHeight(int k, int d);
int frameAlpha(int k);

}  // namespace sidefold

// The pane's arithmetic: margins, the flow of a dialog's controls, scrolling, the make-visible
// rule, the gradient and the animation frames.

#include <gtest/gtest.h>

#include "taskpane/pane_geometry.h"

using namespace sidefold;

namespace {

FlowItem control(int left, int top, int width, int height, int section = -1)
{
    FlowItem c;
    c.templateRect = {left, top, left + width, top + height};
    c.section = section;
    return c;
}

FlowItem libraryControl(int left, int top, int width, int height, int measuredHeight, int section = -1)
{
    FlowItem c = control(left, top, width, height, section);
    c.library = true;
    c.measuredWidth = 150;
    c.measuredHeight = measuredHeight;
    return c;
}

const Box kBorder{1, 0, 1, 1};

}  // namespace

TEST(PaneMetrics, UsualPaddingGivesMarginsOf18AndTheScrollBarTakesItsWidth)
{
    const PaneMetrics shown = paneMetrics(300, true, 17, {12, 12, 12, 12}, {});
    EXPECT_EQ(shown.leftMargin, 18);
    EXPECT_EQ(shown.rightMargin, 18);
    EXPECT_EQ(shown.gap, 18);
    EXPECT_EQ(shown.topMargin, 18);
    EXPECT_EQ(shown.groupWidthWithBar, 300 - 36);
    EXPECT_EQ(shown.groupWidthWithoutBar, 317 - 36);
    const PaneMetrics hidden = paneMetrics(300, false, 17, {12, 12, 12, 12}, {2, 3, 4, 5});
    EXPECT_EQ(hidden.groupWidthWithoutBar, 300 - 20 - 22);
    EXPECT_EQ(hidden.groupWidthWithBar, 283 - 20 - 22);
    EXPECT_EQ(hidden.topMargin, 3 + 18);
    EXPECT_EQ(hidden.bottomMargin, 18 + 5);
    // Small paddings still keep 4 pixels; the larger of top and bottom sets the gap.
    const PaneMetrics tight = paneMetrics(100, false, 17, {0, 1, 2, 9}, {});
    EXPECT_EQ(tight.leftMargin, 4);
    EXPECT_EQ(tight.gap, 13);
}

TEST(PaneFlow, RowsKeepTheTemplateGapsAndLibraryControlsTakeTheirMeasuredHeight)
{
    // Two links, then a button and a check box on one row.
    const FlowResult r = flowControls({libraryControl(6, 6, 100, 8, 20), libraryControl(6, 18, 100, 8, 16),
                                       control(6, 40, 60, 14), control(70, 40, 50, 20)},
                                      kBorder, 300);
    EXPECT_EQ(r.rects[0].left, 11);
    EXPECT_EQ(r.rects[0].top, 8);
    EXPECT_EQ(r.rects[0].width(), 150);
    EXPECT_EQ(r.rects[1].top, 28 + 4);  // the gap of 4 under the first link's template
    EXPECT_EQ(r.rects[2].top, 48 + 14);
    // Same top in the template: one row, with the template's horizontal gap of 4.
    EXPECT_EQ(r.rects[3].top, r.rects[2].top);
    EXPECT_EQ(r.rects[3].left, r.rects[2].right + 4);
    // The tallest control of the row decides the bottom.
    EXPECT_EQ(r.dialogHeight, r.rects[3].bottom + 8 + 1);
}

TEST(PaneFlow, AClosedSubSectionTakesNoRoomAndNestedSectionsCloseWithIt)
{
    std::vector<FlowItem> items{control(6, 6, 100, 10),      // 0: header
                                control(6, 18, 100, 8, 0),   // 1: inside 0
                                control(6, 30, 100, 10, 0),  // 2: nested header inside 0
                                control(6, 42, 100, 8, 2),   // 3: inside 2
                                control(6, 60, 100, 8)};     // 4: after the sections
    items[0].sectionHeader = items[2].sectionHeader = true;
    items[0].open = items[2].open = true;
    const FlowResult open = flowControls(items, kBorder, 300);
    EXPECT_TRUE(open.visible[3]);
    EXPECT_EQ(open.rects[4].top, open.rects[3].bottom + 10);

    items[0].open = false;
    const FlowResult closed = flowControls(items, kBorder, 300);
    EXPECT_FALSE(closed.visible[1]);
    EXPECT_FALSE(closed.visible[3]);  // its own header is open, but inside a closed one
    // The control after the section moves up by the closed part: right under the header with
    // its own gap.
    EXPECT_EQ(closed.rects[4].top, closed.rects[0].bottom + 10);
    EXPECT_EQ(closed.dialogHeight, open.dialogHeight - (open.rects[4].top - closed.rects[4].top));
}

TEST(PaneFlow, LibraryControlsAreNeverMeasuredNarrowerThan64)
{
    EXPECT_EQ(flowControlWidth(200, kBorder), 200 - 2 - 20);
    EXPECT_EQ(flowControlWidth(50, kBorder), 64);
    EXPECT_EQ(flowControlWidth(0, kBorder), 64);
}

TEST(PaneFlow, AnOrdinaryControlWiderThanTheGroupStopsAtTheContentEdge)
{
    // A push button made for a wider pane (294 pixels) in a group 279 wide: it ends 10 pixels
    // inside the right border, as the content starts 10 inside the left one. Library controls
    // keep the width they answered.
    const FlowResult r = flowControls({control(11, 78, 294, 39), libraryControl(11, 130, 294, 8, 16)}, kBorder, 279);
    EXPECT_EQ(r.rects[0].left, 11);
    EXPECT_EQ(r.rects[0].right, 279 - 1 - 10);
    EXPECT_EQ(r.rects[0].height(), 39);
    EXPECT_EQ(r.rects[1].width(), 150);
    // One that fits keeps its template width.
    EXPECT_EQ(flowControls({control(11, 78, 200, 39)}, kBorder, 279).rects[0].width(), 200);
}

TEST(PaneFlow, ADialogWithoutVisibleControlsKeepsItsInsets)
{
    EXPECT_EQ(flowControls({}, kBorder, 300).dialogHeight, 0 + 8 + 8 + 1);
}

TEST(PaneScrolling, PositionsStayInsideTheRange)
{
    // Content of 500 in a page of 200: range 0..499, positions 0..300.
    EXPECT_EQ(maxScrollPosition(499, 200), 300);
    EXPECT_EQ(clampScroll(5 - 16, 499, 200), 0);  // a line up at 5 goes to 0, not -11
    EXPECT_EQ(clampScroll(290 + 16, 499, 200), 300);
    EXPECT_EQ(clampScroll(40, 0, 200), 0);  // nothing to scroll
}

TEST(PaneScrolling, MakingAGroupVisibleMovesAsLittleAsItMust)
{
    const int range = 999, page = 200;
    EXPECT_EQ(positionShowing(100, 50, 300, page, range), 100);   // above the view: its top
    EXPECT_EQ(positionShowing(600, 50, 300, page, range), 450);   // below: its bottom at the page's
    EXPECT_EQ(positionShowing(600, 400, 300, page, range), 600);  // below and taller: its top
    EXPECT_EQ(positionShowing(350, 50, 300, page, range), 300);   // inside: stays
    EXPECT_EQ(positionShowing(450, 100, 300, page, range), 350);  // runs out at the bottom
    EXPECT_EQ(positionShowing(250, 100, 300, page, range), 250);  // runs out at the top
    EXPECT_EQ(positionShowing(900, 100, 300, page, range), 800);  // kept inside the range
}

TEST(PaneBackground, GradientRunsFromTheFirstColourToTheSecond)
{
    const uint32_t white = 0xFFFFFF, black = 0;
    EXPECT_EQ(gradientRow(white, black, 0, 50, 101), white);  // solid
    EXPECT_EQ(gradientRow(0x112233, 0x112233, 3, 50, 101), 0x112233u);
    EXPECT_EQ(gradientRow(white, black, 1, 0, 101), white);
    EXPECT_EQ(gradientRow(white, black, 1, 100, 101), black);
    EXPECT_EQ(gradientRow(white, black, 1, 50, 101), 0x808080u);  // linear
    // Exponent 2 squares the share of the first colour: a quarter of it in the middle.
    EXPECT_EQ(gradientRow(white, black, 2, 50, 101), 0x404040u);
    EXPECT_EQ(gradientRow(0xFF0000, 0x0000FF, 1, 50, 101), 0x800080u);  // per channel
    EXPECT_EQ(gradientRow(white, black, 1, 0, 1), white);               // one row
}

TEST(PaneAnimation, TenFramesEndAtTheFullHeightWithConstantAlphas)
{
    EXPECT_EQ(frameHeight(1, 95), 9);
    EXPECT_EQ(frameHeight(5, 95), 47);
    EXPECT_EQ(frameHeight(10, 95), 95);
    EXPECT_EQ(frameAlpha(1), 25);
    EXPECT_EQ(frameAlpha(9), 229);
    EXPECT_EQ(frameAlpha(10), 254);  // never fully opaque in a blend
    EXPECT_EQ(frameAlpha(0), 1);
}

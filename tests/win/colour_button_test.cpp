// The colour picker and its palette, driven by messages as a user would, with the parent's
// notifications recorded and the paint checked in pixels.

#include <gtest/gtest.h>

#include <vector>

#include "controls/colour_button.h"
#include "fake_seam.h"
#include "paint_probe.h"
#include "winui/dpi.h"

namespace {

struct Note {
    UINT message;
    COLORREF colour;
    LPARAM id;
    bool operator==(const Note&) const = default;
};

std::vector<Note> notes;

LRESULT CALLBACK parentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (winui::offerToChild(hwnd, msg, wParam, lParam, answer)) return answer;
    if (msg >= kColourSelChange && msg <= kColourSelEndCancel) {
        notes.push_back({msg, static_cast<COLORREF>(wParam), lParam});
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

constexpr int kId = 1234;
constexpr COLORREF kRed = 0x0000FF;   // palette box 16
constexpr COLORREF kBlue = 0xFF0000;  // palette box 13

class ColourButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = parentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ColourButtonTestParent";
        RegisterClassW(&wc);
        parent = CreateWindowExW(0, wc.lpszClassName, L"parent", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                                 nullptr, wc.hInstance, nullptr);
        button = CreateWindowExW(0, L"BUTTON", L"Text", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 10, 20,
                                 10, parent, reinterpret_cast<HMENU>(kId), wc.hInstance, nullptr);
        ASSERT_TRUE(picker.attach(button));
        picker.setColour(kRed);
        pumpMessages();
        notes.clear();
    }
    void TearDown() override
    {
        DestroyWindow(parent);
        pumpMessages();
    }

    void open()
    {
        SendMessageW(button, BM_CLICK, 0, 0);
        pumpMessages();
        ASSERT_TRUE(picker.popupActive());
        ASSERT_TRUE(IsWindow(picker.popup()));
    }
    void key(WPARAM vk) { SendMessageW(button, WM_KEYDOWN, vk, 0); }
    POINT centreOf(int box) const
    {
        RECT r = CColourPopup::boxRect(picker.popup(), box);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void mouse(UINT msg, POINT pt) { SendMessageW(picker.popup(), msg, 0, MAKELPARAM(pt.x, pt.y)); }

    FakeSeam seam;  // answers the colour dialog
    HWND parent = nullptr;
    HWND button = nullptr;
    CColourButton picker;
};

TEST_F(ColourButtonTest, AttachingMakesAnOwnerDrawnButtonSizedForItsArrow)
{
    EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const int cx = GetSystemMetrics(SM_CXEDGE), cy = GetSystemMetrics(SM_CYEDGE);
    const int arrow = std::max({5 * cx, 5 * cy, GetSystemMetrics(SM_CXHTHUMB), GetSystemMetrics(SM_CYVTHUMB)});
    RECT rc;
    GetWindowRect(button, &rc);
    EXPECT_EQ(rc.bottom - rc.top, arrow + 2 * cy);
    EXPECT_EQ(rc.right - rc.left, 2 * (arrow + cx));  // it was narrower
    const RECT a = picker.arrowRect();
    EXPECT_EQ(a.right, rc.right - rc.left - cx);
    EXPECT_EQ(a.right - a.left, arrow);
    EXPECT_EQ(a.top, cy);
}

TEST_F(ColourButtonTest, PaintsItsColourAndTheDefaultColourAsTheButtonFace)
{
    RECT rc;
    GetClientRect(button, &rc);
    SetWindowPos(button, nullptr, 0, 0, 120, rc.bottom, SWP_NOMOVE | SWP_NOZORDER);  // room beside the text
    GetClientRect(button, &rc);
    const int x = 2 * GetSystemMetrics(SM_CXEDGE) + 2, y = rc.bottom / 2;
    {
        PaintProbe probe(rc.right, rc.bottom);
        SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(probe.dc()), PRF_CLIENT);
        EXPECT_EQ(probe.at(x + 1, y), kRed);
    }
    picker.setColour(kDefaultColour);
    SetWindowTextW(button, L"WWWW");
    PaintProbe probe(rc.right, rc.bottom);
    SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(probe.dc()), PRF_CLIENT);
    EXPECT_EQ(probe.at(x + 1, y), GetSysColor(COLOR_BTNFACE));
    EXPECT_GT(probe.count(RECT{0, 0, rc.right, rc.bottom}, RGB(0, 0, 0)), 0) << "black text for the default";
}

TEST_F(ColourButtonTest, ItsNameStaysReadableOnADarkColourAndOnALightOne)
{
    SetWindowPos(button, nullptr, 0, 0, 120, 24, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowTextW(button, L"WWWW");
    RECT rc;
    GetClientRect(button, &rc);
    const RECT well{5, 5, picker.arrowRect().left - 5, rc.bottom - 5};  // inside the sunken edge
    for (COLORREF colour : {RGB(20, 20, 40), RGB(128, 0, 0), RGB(250, 240, 200), RGB(255, 255, 0)}) {
        picker.setColour(colour);
        PaintProbe probe(rc.right, rc.bottom);
        SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(probe.dc()), PRF_CLIENT);
        const bool dark = GetRValue(colour) + GetGValue(colour) < 300;
        EXPECT_GT(probe.count(well, dark ? RGB(255, 255, 255) : RGB(0, 0, 0)), 10)
            << std::hex << colour << ": the name in " << (dark ? "white" : "black");
        EXPECT_EQ(probe.count(well, dark ? RGB(0, 0, 0) : RGB(255, 255, 255)), 0) << std::hex << colour;
    }
}

TEST_F(ColourButtonTest, KeyboardWalksThePaletteAndEnterConfirms)
{
    open();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], (Note{kColourDropDown, kRed, kId}));
    notes.clear();

    key(VK_RIGHT);  // the first arrow shows the current colour
    EXPECT_EQ(CColourPopup::highlight(picker.popup()), 16);
    key(VK_RIGHT);  // Light orange
    key(VK_DOWN);   // Gold, one row down
    EXPECT_EQ(CColourPopup::highlight(picker.popup()), 25);
    EXPECT_EQ(picker.colour(), kRed) << "no tracking: the button keeps its colour";
    key(VK_RETURN);
    pumpMessages();

    const std::vector<Note> expected = {
        {kColourSelChange, kRed, kId},   {kColourSelChange, 0x5BADFF, kId}, {kColourSelChange, 0x00D7FF, kId},
        {kColourCloseUp, 0x00D7FF, kId}, {kColourSelEndOk, 0x00D7FF, kId},
    };
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(picker.colour(), 0x00D7FFu);
    EXPECT_FALSE(picker.popupActive());
    EXPECT_FALSE(IsWindow(picker.popup()));
}

TEST_F(ColourButtonTest, EscapeCancelsAndRestoresTheColourEvenWhenTracking)
{
    picker.setTrackSelection(true);
    open();
    HWND popup = picker.popup();
    key(VK_LEFT);
    key(VK_LEFT);  // Grey - 40
    EXPECT_EQ(picker.colour(), 0x666666u) << "tracking shows the highlighted colour";
    notes.clear();
    key(VK_ESCAPE);
    pumpMessages();
    const std::vector<Note> expected = {{kColourCloseUp, kRed, kId}, {kColourSelEndCancel, kRed, kId}};
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(picker.colour(), kRed);
    EXPECT_FALSE(IsWindow(popup));
}

TEST_F(ColourButtonTest, WithoutACustomTextTheKeyboardNeverReachesTheCustomRow)
{
    picker.setCustomText(L"");
    open();
    EXPECT_EQ(CColourPopup::boxRect(picker.popup(), kBoxCustom).right, 0);
    bool reachedDefault = false;
    for (WPARAM k : {VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP}) {
        for (int i = 0; i < 60; ++i) {
            key(k);
            const int h = CColourPopup::highlight(picker.popup());
            ASSERT_NE(h, kBoxCustom);
            ASSERT_GE(h, kBoxDefault);
            reachedDefault |= h == kBoxDefault;
        }
    }
    EXPECT_TRUE(reachedDefault);
    key(VK_ESCAPE);
}

TEST_F(ColourButtonTest, MouseReleaseInsideConfirmsAndOutsideCancels)
{
    open();
    mouse(WM_MOUSEMOVE, centreOf(13));
    EXPECT_EQ(CColourPopup::highlight(picker.popup()), 13);
    mouse(WM_LBUTTONUP, centreOf(13));
    pumpMessages();
    EXPECT_EQ(picker.colour(), kBlue);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back(), (Note{kColourSelEndOk, kBlue, kId}));

    open();
    notes.clear();
    mouse(WM_LBUTTONUP, POINT{-5, -5});
    pumpMessages();
    EXPECT_EQ(picker.colour(), kBlue);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back(), (Note{kColourSelEndCancel, kBlue, kId}));
}

// A release inside the popup confirms wherever it is: off the boxes, the box highlighted last.
TEST_F(ColourButtonTest, MouseReleaseOffTheBoxesInsideConfirmsTheHighlightedColour)
{
    open();
    mouse(WM_MOUSEMOVE, centreOf(16));
    const RECT red = CColourPopup::boxRect(picker.popup(), 16);  // the first of its line
    ASSERT_GT(red.left, 0) << "a margin left of the boxes";
    const POINT between{red.left - 1, (red.top + red.bottom) / 2};
    mouse(WM_MOUSEMOVE, between);
    EXPECT_EQ(CColourPopup::highlight(picker.popup()), 16);
    notes.clear();
    mouse(WM_LBUTTONUP, between);
    pumpMessages();
    EXPECT_FALSE(picker.popupActive());
    EXPECT_EQ(picker.colour(), RGB(255, 0, 0));
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back(), (Note{kColourSelEndOk, RGB(255, 0, 0), kId}));
}

TEST_F(ColourButtonTest, DefaultRowPicksTheDefaultValue)
{
    open();
    mouse(WM_LBUTTONUP, centreOf(kBoxDefault));
    pumpMessages();
    EXPECT_EQ(picker.colour(), kDefaultColour);
}

TEST_F(ColourButtonTest, CustomRowAsksTheColourDialog)
{
    seam.colourAnswers.push_back(RGB(1, 2, 3));
    open();
    mouse(WM_LBUTTONUP, centreOf(kBoxCustom));
    pumpMessages();
    EXPECT_EQ(picker.colour(), RGB(1, 2, 3));
    EXPECT_EQ(notes.back(), (Note{kColourSelEndOk, RGB(1, 2, 3), kId}));

    // Cancelled: no answer left.
    open();
    mouse(WM_LBUTTONUP, centreOf(kBoxCustom));
    pumpMessages();
    EXPECT_EQ(picker.colour(), RGB(1, 2, 3));
    EXPECT_EQ(notes.back(), (Note{kColourSelEndCancel, RGB(1, 2, 3), kId}));
    // Each dialog started at the colour the button had.
    EXPECT_EQ(seam.colourRequests, (std::vector<COLORREF>{kRed, RGB(1, 2, 3)}));
}

TEST_F(ColourButtonTest, PalettePaintsEveryColourInItsBox)
{
    open();
    HWND popup = picker.popup();
    RECT rc;
    GetClientRect(popup, &rc);
    PaintProbe probe(rc.right, rc.bottom);
    SendMessageW(popup, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(probe.dc()), PRF_CLIENT);
    for (int i = 0; i < kPaletteSize; ++i) {
        const POINT c = centreOf(i);
        EXPECT_EQ(probe.at(c.x, c.y), kPalette[i].colour) << kPalette[i].name;
    }
    key(VK_ESCAPE);
}

TEST_F(ColourButtonTest, DestroyingThePickerWhileOpenClosesThePopup)
{
    open();
    HWND popup = picker.popup();
    DestroyWindow(button);
    pumpMessages();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(picker.hwnd(), nullptr);
}

}  // namespace

namespace {

// On a 150 % display the popup opens with boxes of 27 pixels rather than 18, its rows still
// inside it.
TEST_F(ColourButtonTest, PopupBoxesFollowThePickersDpi)
{
    winui::setDpiOverride(144);
    open();
    winui::setDpiOverride(0);
    const RECT red = CColourPopup::boxRect(picker.popup(), 16);
    EXPECT_GE(red.right - red.left, 27);
    EXPECT_EQ(red.right - red.left, red.bottom - red.top);
    RECT window{};
    GetClientRect(picker.popup(), &window);
    const RECT custom = CColourPopup::boxRect(picker.popup(), kBoxCustom);
    EXPECT_LE(custom.bottom, window.bottom);
    EXPECT_LE(custom.right, window.right);
    key(VK_ESCAPE);
    pumpMessages();
}

}  // namespace

// The styled label on a parent that logs what it hears: a link with parent notification reports
// its click as WM_NOTIFY 0x8200 and then as the static's own click; a link without it opens its
// target (or its text); a plain label paints its own ground and text colour.

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "controls/styled_label.h"
#include "fake_seam.h"
#include "paint_probe.h"

namespace {

struct Heard {
    UINT message;
    UINT code;
};
std::vector<Heard> heard;

LRESULT CALLBACK loggingParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) heard.push_back({message, reinterpret_cast<const NMHDR*>(lParam)->code});
    if (message == WM_COMMAND) heard.push_back({message, HIWORD(wParam)});
    return DefWindowProcW(window, message, wParam, lParam);
}

class LabelParent {
public:
    LabelParent()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = loggingParent;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FotoloomLabelTestParent";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, wc.hInstance,
                                 nullptr);
        label = CreateWindowExW(0, L"STATIC", L"C:\\Galleries\\trip.gal", WS_CHILD | WS_VISIBLE | SS_LEFT, 5, 5, 200,
                                20, window, reinterpret_cast<HMENU>(1060), wc.hInstance, nullptr);
        heard.clear();
    }
    ~LabelParent() { DestroyWindow(window); }
    HWND window = nullptr;
    HWND label = nullptr;
};

TEST(StyledLabel, ALinkTellsItsParentOfTheClickTwiceAndAPlainLinkOpensItsText)
{
    LabelParent parent;
    FakeSeam seam;
    CStyledLabel label;
    ASSERT_TRUE(label.attach(parent.label));
    SendMessageW(parent.label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_TRUE(heard.empty()) << "without link mode a static lets clicks through";

    label.setLink(true, true);
    SendMessageW(parent.label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].message, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(heard[0].code, CStyledLabel::kClickNotification);
    EXPECT_EQ(heard[1].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(heard[1].code, static_cast<UINT>(STN_CLICKED));
    EXPECT_TRUE(seam.opened.empty());

    heard.clear();
    label.setLink(true, false);
    SendMessageW(parent.label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ASSERT_EQ(seam.opened.size(), 1u);
    EXPECT_EQ(seam.opened[0], L"C:\\Galleries\\trip.gal");
    label.setLinkTarget(L"https://fotoloom.example/");
    SendMessageW(parent.label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ASSERT_EQ(seam.opened.size(), 2u);
    EXPECT_EQ(seam.opened[1], L"https://fotoloom.example/");
    EXPECT_EQ(heard.size(), 2u) << "the ordinary click still reaches the parent";
}

TEST(StyledLabel, APlainLabelFillsItsGroundAndWritesInItsColour)
{
    LabelParent parent;
    CStyledLabel label;
    ASSERT_TRUE(label.attach(parent.label));
    label.setBackgroundColour(RGB(255, 205, 0)).setTextColour(RGB(0, 0, 128)).setBold(true);
    EXPECT_EQ(label.fontDescription().lfWeight, FW_BOLD);
    PaintProbe probe(200, 20);
    label.paint(probe.dc());
    const RECT all{0, 0, 200, 20};
    EXPECT_GT(probe.count(all, RGB(255, 205, 0)), 200 * 20 / 2);
    EXPECT_GT(probe.count(all, RGB(0, 0, 128)), 5);
    EXPECT_EQ(probe.count(all, RGB(1, 2, 3)), 0) << "no pixel left unpainted";
}

}  // namespace

// The button and the label as a host dialog meets them: what a click does to each kind's check
// state and which notices the parent gets, owner drawing, size requests that leave the window
// alone, and faces painted in pixels (link colours, a checked check box in the system look).

#include "sidefold_host.h"
#include "taskpane/library_messages.h"

#include <vector>

namespace {

constexpr int kId = 77;

// A control of the library made directly in the host window, which logs what it is told.
HWND control(const HostWindow& parent, const char* className, const char* text, DWORD style, int width = 200,
             int height = 20)
{
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, width, height, parent.window(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), sidefold().module, nullptr);
}

void clickAt(HWND window, int x, int y, bool doubleClick = false)
{
    SendMessageA(window, doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

int checkOf(HWND button) { return static_cast<int>(SendMessageA(button, BM_GETCHECK, 0, 0)); }

// The window painted by WM_PRINTCLIENT into a memory bitmap, as rows of colours.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    // Pixels of exactly this colour in columns [from, to).
    int count(COLORREF c, int from = 0, int to = 1 << 20) const
    {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = from; x < std::min(to, width); ++x) n += at(x, y) == c;
        return n;
    }
};

Picture painted(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    Picture p;
    p.width = r.right;
    p.height = r.bottom;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return p;
}

bool systemLook()
{
    SidefoldTheme t{};
    t.size = sizeof(t);
    sidefold().fillTheme(&t, 0);
    const bool system = t.systemLook != 0;
    sidefold().releaseTheme(&t);
    return system;
}

}  // namespace

TEST(Buttons, EachKindChangesItsCheckOnAClickAndAlwaysNotifies)
{
    HostWindow parent;
    struct Case {
        DWORD kind;
        std::vector<int> checks;  // after each of three clicks, from 0
    };
    const Case cases[] = {{SIDEFOLD_BUTTON_STEP_THREE_STATE, {1, 2, 0}},
                          {SIDEFOLD_BUTTON_TOGGLE_CHECK, {1, 0, 1}},
                          {SIDEFOLD_BUTTON_TOGGLE_RADIO, {1, 0, 1}},
                          {SIDEFOLD_BUTTON_PUSH, {0, 0, 0}},
                          {SIDEFOLD_BUTTON_DEFAULT_PUSH, {0, 0, 0}},
                          {SIDEFOLD_BUTTON_CHECK, {0, 0, 0}},
                          {SIDEFOLD_BUTTON_RADIO, {0, 0, 0}},
                          {SIDEFOLD_BUTTON_THREE_STATE, {0, 0, 0}}};
    for (const Case& c : cases) {
        HWND button = control(parent, SIDEFOLD_CLASS_BUTTON, "Option", c.kind);
        ASSERT_TRUE(IsWindow(button)) << c.kind;
        parent.commands.clear();
        for (int i = 0; i < 3; ++i) {
            clickAt(button, 5, 5);
            EXPECT_EQ(checkOf(button), c.checks[static_cast<size_t>(i)]) << "kind " << c.kind << " click " << i;
        }
        EXPECT_EQ(parent.commands, std::vector<WPARAM>(3, MAKEWPARAM(kId, 0))) << c.kind;
        DestroyWindow(button);
    }
}

TEST(Buttons, ADoubleClickSendsCode3AndOnlyPressesInsideCount)
{
    HostWindow parent;
    HWND button = control(parent, SIDEFOLD_CLASS_BUTTON, "Toggle", SIDEFOLD_BUTTON_TOGGLE_CHECK);
    clickAt(button, 5, 5);
    clickAt(button, 5, 5, true);
    ASSERT_EQ(parent.commands.size(), 2u);
    EXPECT_EQ(parent.commands[1], MAKEWPARAM(kId, SIDEFOLD_BUTTON_DOUBLE_CLICKED));
    EXPECT_EQ(checkOf(button), 0) << "the double click toggled it back";

    // Released outside: no click. Space pressed and released with the focus: a click.
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    EXPECT_EQ(parent.commands.size(), 2u);
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    EXPECT_EQ(SendMessageA(button, SIDEFOLD_BUTTON_GET_STATE, 0, 0), SIDEFOLD_BUTTON_STATE_FOCUSED)
        << "focused, unchecked, not pressed";
    SendMessageA(button, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(SendMessageA(button, SIDEFOLD_BUTTON_GET_STATE, 0, 0),
              SIDEFOLD_BUTTON_STATE_FOCUSED | SIDEFOLD_BUTTON_STATE_PRESSED);
    SendMessageA(button, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(parent.commands.size(), 3u);
    EXPECT_EQ(checkOf(button), 1);

    // Disabled: neither the mouse nor SIDEFOLD_BUTTON_CLICK click; BM_SETCHECK still sets.
    EnableWindow(button, FALSE);
    clickAt(button, 5, 5);
    SendMessageA(button, SIDEFOLD_BUTTON_CLICK, 0, 0);
    EXPECT_EQ(parent.commands.size(), 3u);
    SendMessageA(button, SIDEFOLD_BUTTON_SET_CHECK, 2 | 4, 0);
    EXPECT_EQ(SendMessageA(button, SIDEFOLD_BUTTON_GET_CHECK, 0, 0), 2) << "wParam & 3";
}

TEST(Labels, ANotifyingLabelTellsClicksAndEnabling)
{
    HostWindow parent;
    HWND label = control(parent, SIDEFOLD_CLASS_LABEL, "Status", SIDEFOLD_LABEL_NOTIFY);
    HWND quiet = control(parent, SIDEFOLD_CLASS_LABEL, "Quiet", 0);
    EnableWindow(label, FALSE);
    EnableWindow(label, TRUE);
    SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(label, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    EnableWindow(quiet, FALSE);
    SendMessageA(quiet, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(parent.commands,
              (std::vector<WPARAM>{MAKEWPARAM(kId, 3), MAKEWPARAM(kId, 2), MAKEWPARAM(kId, 0), MAKEWPARAM(kId, 1)}));
}

TEST(Labels, AnOwnerDrawnLabelHandsItsParentTheItem)
{
    HostWindow parent;
    HWND label = control(parent, SIDEFOLD_CLASS_LABEL, "Drawn", SIDEFOLD_LABEL_OWNER_DRAW, 120, 30);
    SendMessageA(label, SIDEFOLD_LABEL_SET_VALUE, 0, 0x5EED);
    EXPECT_EQ(SendMessageA(label, SIDEFOLD_LABEL_GET_VALUE, 0, 0), 0x5EED);
    EnableWindow(label, FALSE);
    parent.drawn.clear();
    painted(label);
    ASSERT_EQ(parent.drawn.size(), 1u);
    const DRAWITEMSTRUCT& d = parent.drawn[0];
    RECT client;
    GetClientRect(label, &client);
    EXPECT_EQ(d.CtlType, static_cast<UINT>(ODT_STATIC));
    EXPECT_EQ(d.CtlID, static_cast<UINT>(kId));
    EXPECT_EQ(d.itemID, static_cast<UINT>(-1));
    EXPECT_EQ(d.itemAction, static_cast<UINT>(ODA_DRAWENTIRE));
    EXPECT_EQ(d.itemState, static_cast<UINT>(ODS_DISABLED));
    EXPECT_EQ(d.hwndItem, label);
    EXPECT_NE(d.hDC, nullptr);
    EXPECT_TRUE(EqualRect(&d.rcItem, &client));
    EXPECT_EQ(d.itemData, 0x5EEDu);
}

TEST(SizeRequests, AnswerForAWidthWithoutChangingTheWindow)
{
    HostWindow parent;
    const char* text = "A label long enough to need several lines when it is narrow";
    HWND label = control(parent, SIDEFOLD_CLASS_LABEL, text, SIDEFOLD_LABEL_WRAP, 300, 20);
    HWND check = control(parent, SIDEFOLD_CLASS_BUTTON, text, SIDEFOLD_BUTTON_CHECK | SIDEFOLD_BUTTON_WRAP, 300, 20);
    HWND push = control(parent, SIDEFOLD_CLASS_BUTTON, "Build", SIDEFOLD_BUTTON_PUSH, 150, 33);
    for (HWND control : {label, check, push}) {
        RECT before;
        GetWindowRect(control, &before);
        int wide[2] = {}, narrow[2] = {};
        ASSERT_EQ(SendMessageA(control, SIDEFOLD_MSG_MEASURE, reinterpret_cast<WPARAM>(wide), 1000), 1);
        ASSERT_EQ(SendMessageA(control, SIDEFOLD_MSG_MEASURE, reinterpret_cast<WPARAM>(narrow), 80), 1);
        RECT after;
        GetWindowRect(control, &after);
        EXPECT_TRUE(EqualRect(&before, &after)) << "the window stays as it was";
        EXPECT_LE(narrow[0], 80);
        if (control == push) {
            EXPECT_EQ(wide[0], 150) << "a push button keeps its size";
            EXPECT_EQ(narrow[0], 80) << "narrowed to the room there is";
            EXPECT_EQ(narrow[1], 33);
        } else {
            EXPECT_GE(narrow[1], 2 * wide[1]) << "wrapped at the narrow width";
        }
        EXPECT_EQ(SendMessageA(control, SIDEFOLD_MSG_MEASURE, 0, 80), 0) << "nowhere to write";
    }
    // A left-aligned label needs its text's width; a centred one the whole width.
    int size[2] = {};
    SendMessageA(label, SIDEFOLD_MSG_MEASURE, reinterpret_cast<WPARAM>(size), 1000);
    EXPECT_LT(size[0], 1000);
    SetWindowLongA(label, GWL_STYLE, GetWindowLongA(label, GWL_STYLE) | SIDEFOLD_LABEL_CENTRE);
    SendMessageA(label, SIDEFOLD_MSG_MEASURE, reinterpret_cast<WPARAM>(size), 1000);
    EXPECT_EQ(size[0], 1000);
    int w = 0, h = 0;
    SendMessageA(push, SIDEFOLD_MSG_CREATION_SIZE, reinterpret_cast<WPARAM>(&w), reinterpret_cast<LPARAM>(&h));
    EXPECT_EQ(w, 150);
    EXPECT_EQ(h, 33);
}

TEST(Pixels, ALinkPaintsItsTextInTheColourOfItsState)
{
    HostWindow parent;
    HWND link = control(parent, SIDEFOLD_CLASS_LINK, "Add album...", 0);
    const COLORREF normal = RGB(200, 0, 0), hot = RGB(0, 150, 0), pressed = RGB(0, 0, 220), disabled = RGB(150, 0, 150);
    const COLORREF colours[5] = {RGB(255, 255, 255), normal, hot, pressed, disabled};
    ASSERT_EQ(SendMessageA(link, SIDEFOLD_LINK_SET_COLOURS, reinterpret_cast<WPARAM>(colours), 0), 1);
    auto only = [](const Picture& p, COLORREF c) {
        int others = 0;
        for (COLORREF o : {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 220), RGB(150, 0, 150)})
            if (o != c) others += p.count(o);
        return p.count(c) > 10 && others == 0;
    };
    EXPECT_TRUE(only(painted(link), normal));
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(only(painted(link), hot));
    // Made inert under the mouse: the hot look goes with the interaction.
    SendMessageA(link, SIDEFOLD_LINK_SET_INTERACTIVE, 0, 0);
    EXPECT_TRUE(only(painted(link), normal)) << "an inert link kept its hot look";
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    EXPECT_TRUE(only(painted(link), normal));
    SendMessageA(link, SIDEFOLD_LINK_SET_INTERACTIVE, 1, 0);
    SendMessageA(link, WM_MOUSELEAVE, 0, 0);
    EnableWindow(link, FALSE);
    EXPECT_TRUE(only(painted(link), disabled));
}

TEST(Pixels, ACheckedCheckBoxShowsItsCheckAndABoldText)
{
    if (!systemLook()) GTEST_SKIP() << "the prefix has a visual style";
    HostWindow parent;
    HWND box = control(parent, SIDEFOLD_CLASS_BUTTON, "Include the originals", SIDEFOLD_BUTTON_CHECK, 220, 24);
    TEXTMETRICA metrics{};
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    const int glyphRight = metrics.tmHeight, textLeft = glyphRight + 4;
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT), mark = GetSysColor(COLOR_WINDOWTEXT);

    const Picture clear = painted(box);
    SendMessageA(box, BM_SETCHECK, 1, 0);
    const Picture checked = painted(box);
    // The glyph: a box drawn in the unchecked picture too, with a check mark only when checked.
    EXPECT_GT(clear.count(GetSysColor(COLOR_WINDOW), 0, glyphRight), 20) << "the check box's white square";
    EXPECT_GT(checked.count(mark, 2, glyphRight - 2), clear.count(mark, 2, glyphRight - 2) + 5) << "the check mark";
    // The text: in the button-text colour, bolder once checked; nothing spills past the glyph's side.
    const int thin = clear.count(ink, textLeft), bold = checked.count(ink, textLeft);
    EXPECT_GT(thin, 20);
    EXPECT_GT(bold, thin + thin / 5) << "checked text is bold";
    EXPECT_EQ(checked.count(ink, glyphRight, textLeft), 0);
}

// The paints a control gets, counted by a procedure put in front of its own.
struct PaintCounter {
    static inline int paints = 0;
    static inline WNDPROC own = nullptr;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_PAINT) ++paints;
        return CallWindowProcA(own, window, message, wParam, lParam);
    }
    explicit PaintCounter(HWND window)
    {
        paints = 0;
        own = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintCounter::procedure)));
    }
};

void pumpPaints()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

TEST(Redraw, WhileRedrawIsOffNoChangePaintsAndTurningItOnPaintsOnce)
{
    HostWindow parent(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE);
    const struct {
        const char* className;
        DWORD style;
    } kinds[] = {{SIDEFOLD_CLASS_LINK, 0},
                 {SIDEFOLD_CLASS_HEADER, 0},
                 {SIDEFOLD_CLASS_BUTTON, SIDEFOLD_BUTTON_CHECK},
                 {SIDEFOLD_CLASS_LABEL, 0}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.className);
        HWND c = control(parent, kind.className, "Albums", kind.style);
        ASSERT_TRUE(IsWindow(c));
        PaintCounter counter(c);
        UpdateWindow(c);
        pumpPaints();
        PaintCounter::paints = 0;

        SendMessageA(c, WM_SETREDRAW, FALSE, 0);
        EXPECT_TRUE(IsWindowVisible(c)) << "redraw off is not hidden: the pane still lays it out";
        EnableWindow(c, FALSE);
        SendMessageA(c, BM_SETCHECK, 1, 0);
        SetWindowTextA(c, "Images");
        SendMessageA(c, WM_SETFOCUS, 0, 0);
        RECT update{};
        EXPECT_FALSE(GetUpdateRect(c, &update, FALSE)) << "a change asked for a paint while redraw was off";
        pumpPaints();
        EXPECT_EQ(PaintCounter::paints, 0);

        SendMessageA(c, WM_SETREDRAW, TRUE, 0);
        SendMessageA(c, WM_SETREDRAW, TRUE, 0);
        pumpPaints();
        EXPECT_EQ(PaintCounter::paints, 1) << "turning redraw on repaints once";
        DestroyWindow(c);
    }
}

// The drop-down palette of the colour picker. Each popup is a framework window that owns itself
// (it goes with its handle); its state is one record that the functions below work on.

#include "controls/colour_popup.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <memory>

#include "winui/dpi.h"
#include "winui/handles.h"
#include "winui/seam.h"
#include "winui/window.h"

const PaletteEntry kPalette[kPaletteSize] = {
    {0x000000, L"Black"},
    {0x002AA5, L"Brown"},
    {0x404000, L"Dark Olive Green"},
    {0x005500, L"Dark Green"},
    {0x5E0000, L"Dark Teal"},
    {0x8B0000, L"Dark blue"},
    {0x82004B, L"Indigo"},
    {0x282828, L"Dark grey"},
    {0x00008B, L"Dark red"},
    {0x2068FF, L"Orange"},
    {0x008B8B, L"Dark yellow"},
    {0x009300, L"Green"},
    {0x8E8E38, L"Teal"},
    {0xFF0000, L"Blue"},
    {0xC07B7B, L"Blue-grey"},
    {0x666666, L"Grey - 40"},
    {0x0000FF, L"Red"},
    {0x5BADFF, L"Light orange"},
    {0x32CD32, L"Lime"},
    {0x71B33C, L"Sea green"},
    {0xD4FF7F, L"Aqua"},
    {0xC09E7D, L"Light blue"},
    {0x800080, L"Violet"},
    {0x7F7F7F, L"Grey - 50"},
    {0xCBC0FF, L"Pink"},
    {0x00D7FF, L"Gold"},
    {0x00FFFF, L"Yellow"},
    {0x00FF00, L"Bright green"},
    {0xD0E040, L"Turquoise"},
    {0xFFFFC0, L"Skyblue"},
    {0x480048, L"Plum"},
    {0xC0C0C0, L"Light grey"},
    {0xE1E4FF, L"Rose"},
    {0x8CB4D2, L"Tan"},
    {0xE0FFFF, L"Light yellow"},
    {0x98FB98, L"Pale green "},
    {0xEEEEAF, L"Pale turquoise"},
    {0x8B8368, L"Pale blue"},
    {0xFAE6E6, L"Lavender"},
    {0xFFFFFF, L"White"},
};

namespace {

constexpr wchar_t kClassName[] = L"FotoloomColourPopup";
constexpr int kMargin = 4;  // between the raised border and the boxes

struct PopupState {
    HWND window = nullptr;
    HWND picker = nullptr;     // receives the notifications
    COLORREF initial = 0;      // reported back on cancel
    std::wstring defaultText;  // empty: no default row
    std::wstring customText;   // empty: no custom row
    int highlight = kBoxNone;  // box under the pointer or the keyboard
    int current = kBoxNone;    // box of the colour it started with, drawn pressed
    int column = 0;            // remembered for Up and Down through the text rows
    int box = 18;              // side of one palette box
    int dpi = 96;              // of the picker's window: the popup's sizes and font follow it
    RECT defaultRow{}, customRow{}, grid{};
    winui::UniqueFont font;
    winui::UniquePalette palette;
    HWND tooltip = nullptr;  // an owned popup: it goes with the window
    bool ended = false;      // the one report has been sent
};

bool hasBox(const PopupState& s, int index)
{
    if (index == kBoxDefault) return !s.defaultText.empty();
    if (index == kBoxCustom) return !s.customText.empty();
    return index >= 0 && index < kPaletteSize;
}

RECT rectOf(const PopupState& s, int index)
{
    if (!hasBox(s, index)) return RECT{};
    if (index == kBoxDefault) return s.defaultRow;
    if (index == kBoxCustom) return s.customRow;
    const int x = s.grid.left + (index % kPaletteColumns) * s.box;
    const int y = s.grid.top + (index / kPaletteColumns) * s.box;
    return RECT{x, y, x + s.box, y + s.box};
}

int boxAt(const PopupState& s, POINT pt)
{
    if (hasBox(s, kBoxDefault) && PtInRect(&s.defaultRow, pt)) return kBoxDefault;
    if (hasBox(s, kBoxCustom) && PtInRect(&s.customRow, pt)) return kBoxCustom;
    if (!PtInRect(&s.grid, pt)) return kBoxNone;
    const int col = (pt.x - s.grid.left) / s.box, row = (pt.y - s.grid.top) / s.box;
    return row * kPaletteColumns + col;
}

// The colour a box stands for; the custom row stands for the starting colour until the
// colour dialog gives another.
COLORREF colourOf(const PopupState& s, int index)
{
    if (index >= 0) return kPalette[index].colour;
    if (index == kBoxDefault) return kDefaultColour;
    return s.initial;
}

int textRowHeight(HWND hwnd, HFONT font, int box, int dpi)
{
    winui::ClientDc dc(hwnd);
    winui::SelectGuard selected(dc.get(), font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.get(), &tm);
    return std::max<int>(
        box, static_cast<int>(tm.tmHeight) + 4 * winui::systemMetric(SM_CYEDGE, dpi) + winui::scaled(2, dpi));
}

int textWidth(HWND hwnd, HFONT font, const std::wstring& text)
{
    if (text.empty()) return 0;
    winui::ClientDc dc(hwnd);
    winui::SelectGuard selected(dc.get(), font);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Places the rows and the grid and returns the window size the popup needs.
SIZE layOut(PopupState& s)
{
    const int edge = winui::systemMetric(SM_CXEDGE, s.dpi);
    const int border = 2 * edge;
    const int margin = winui::scaled(kMargin, s.dpi);
    s.box = std::max(winui::scaled(18, s.dpi), 2 * edge + winui::scaled(7, s.dpi));
    const int rowHeight = textRowHeight(s.window, s.font.get(), s.box, s.dpi);
    const int textPad = 4 * edge + winui::scaled(8, s.dpi);
    const int inner = std::max({kPaletteColumns * s.box, textWidth(s.window, s.font.get(), s.defaultText) + textPad,
                                textWidth(s.window, s.font.get(), s.customText) + textPad});
    const int left = border + margin;
    int y = border + margin;
    if (!s.defaultText.empty()) {
        s.defaultRow = RECT{left, y, left + inner, y + rowHeight};
        y += rowHeight + margin;
    }
    const int gridLeft = left + (inner - kPaletteColumns * s.box) / 2;
    s.grid = RECT{gridLeft, y, gridLeft + kPaletteColumns * s.box, y + kPaletteRows * s.box};
    y = s.grid.bottom + margin;
    if (!s.customText.empty()) {
        s.customRow = RECT{left, y, left + inner, y + rowHeight};
        y += rowHeight + margin;
    }
    return SIZE{inner + 2 * (left), y + border};
}

void addTooltips(PopupState& s)
{
    s.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, s.window, nullptr, nullptr, nullptr);
    if (!s.tooltip) return;
    for (int i = 0; i < kPaletteSize; ++i) {
        TOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = s.window;
        ti.uId = static_cast<UINT_PTR>(i + 1);
        ti.rect = rectOf(s, i);
        ti.lpszText = const_cast<wchar_t*>(kPalette[i].name);
        SendMessageW(s.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

HPALETTE makePalette()
{
    struct {
        WORD version, count;
        PALETTEENTRY entries[kPaletteSize];
    } log{0x300, kPaletteSize, {}};
    for (int i = 0; i < kPaletteSize; ++i)
        log.entries[i] = PALETTEENTRY{GetRValue(kPalette[i].colour), GetGValue(kPalette[i].colour),
                                      GetBValue(kPalette[i].colour), 0};
    return CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
}

// --- painting ----------------------------------------------------------------------------------

void fill(HDC dc, const RECT& r, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A box is framed raised while highlighted and sunken when it holds the starting colour.
void drawFrame(HDC dc, RECT r, bool highlighted, bool current)
{
    if (highlighted) {
        DrawEdge(dc, &r, BDR_RAISEDINNER | BDR_RAISEDOUTER, BF_RECT);
    } else if (current) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER | BDR_SUNKENINNER, BF_RECT);
    }
}

void drawBox(const PopupState& s, HDC dc, int index)
{
    RECT r = rectOf(s, index);
    fill(dc, r, GetSysColor(COLOR_BTNFACE));
    drawFrame(dc, r, index == s.highlight, index == s.current);
    const int inset = winui::scaled(3, s.dpi);
    InflateRect(&r, -inset, -inset);
    FrameRect(dc, &r, GetSysColorBrush(COLOR_3DSHADOW));
    InflateRect(&r, -1, -1);
    fill(dc, r, kPalette[index].colour);
}

void drawTextRow(const PopupState& s, HDC dc, int index)
{
    RECT r = rectOf(s, index);
    fill(dc, r, GetSysColor(COLOR_BTNFACE));
    drawFrame(dc, r, index == s.highlight, index == s.current);
    const std::wstring& text = index == kBoxDefault ? s.defaultText : s.customText;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void paint(const PopupState& s, HDC dc)
{
    RECT client;
    GetClientRect(s.window, &client);
    fill(dc, client, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
    HPALETTE oldPalette = nullptr;
    if (s.palette) {
        oldPalette = SelectPalette(dc, s.palette.get(), FALSE);
        RealizePalette(dc);
    }
    {
        winui::SelectGuard font(dc, s.font.get());
        if (hasBox(s, kBoxDefault)) drawTextRow(s, dc, kBoxDefault);
        for (int i = 0; i < kPaletteSize; ++i) drawBox(s, dc, i);
        if (hasBox(s, kBoxCustom)) drawTextRow(s, dc, kBoxCustom);
    }
    if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
}

// --- behaviour -----------------------------------------------------------------------------------

void invalidateBox(const PopupState& s, int index)
{
    if (!hasBox(s, index)) return;
    RECT r = rectOf(s, index);
    InvalidateRect(s.window, &r, FALSE);
}

void setHighlight(PopupState& s, int index)
{
    if (index == s.highlight) return;
    invalidateBox(s, s.highlight);
    s.highlight = index;
    invalidateBox(s, index);
    if (index >= 0) s.column = index % kPaletteColumns;
    if (index != kBoxNone) SendMessageW(s.picker, kColourSelChange, colourOf(s, index), 0);
}

// The one report to the picker, then the window goes.
void finish(PopupState& s, bool confirmed, COLORREF colour)
{
    if (s.ended) return;
    s.ended = true;
    if (GetCapture() == s.window) ReleaseCapture();
    SendMessageW(s.picker, confirmed ? kColourSelEndOk : kColourSelEndCancel, confirmed ? colour : s.initial, 0);
    DestroyWindow(s.window);
}

void choose(PopupState& s, int index)
{
    if (!hasBox(s, index)) {
        finish(s, false, s.initial);
        return;
    }
    if (index != kBoxCustom) {
        finish(s, true, colourOf(s, index));
        return;
    }
    // The colour dialog takes the mouse; losing the capture to it is not a cancel.
    s.ended = true;
    if (GetCapture() == s.window) ReleaseCapture();
    ShowWindow(s.window, SW_HIDE);
    std::optional<COLORREF> picked = winui::seam().chooseColour(GetAncestor(s.picker, GA_ROOT),
                                                                s.initial == kDefaultColour ? RGB(0, 0, 0) : s.initial);
    s.ended = false;
    finish(s, picked.has_value(), picked.value_or(s.initial));
}

// The ring that Up and Down walk: the default row, the five box rows, the custom row.
int stepVertically(const PopupState& s, int from, int dir)
{
    std::array<int, kPaletteRows + 2> ring{};
    int n = 0;
    if (hasBox(s, kBoxDefault)) ring[n++] = kBoxDefault;
    for (int r = 0; r < kPaletteRows; ++r) ring[n++] = r * kPaletteColumns + s.column;
    if (hasBox(s, kBoxCustom)) ring[n++] = kBoxCustom;
    int at = 0;
    const int fromRow = from >= 0 ? from / kPaletteColumns : -1;
    for (int i = 0; i < n; ++i)
        if (ring[i] == from || (from >= 0 && ring[i] >= 0 && ring[i] / kPaletteColumns == fromRow)) at = i;
    return ring[(at + dir + n) % n];
}

// Left and Right walk every box in reading order, the text rows included.
int stepAcross(const PopupState& s, int from, int dir)
{
    std::array<int, kPaletteSize + 2> order{};
    int n = 0;
    if (hasBox(s, kBoxDefault)) order[n++] = kBoxDefault;
    for (int i = 0; i < kPaletteSize; ++i) order[n++] = i;
    if (hasBox(s, kBoxCustom)) order[n++] = kBoxCustom;
    int at = 0;
    for (int i = 0; i < n; ++i)
        if (order[i] == from) at = i;
    return order[(at + dir + n) % n];
}

void onKeyDown(PopupState& s, UINT key)
{
    if (key == VK_ESCAPE) {
        finish(s, false, s.initial);
        return;
    }
    if (key == VK_RETURN || key == VK_SPACE) {
        choose(s, s.highlight);
        return;
    }
    int from = s.highlight;
    if (from == kBoxNone) {
        // The first arrow only shows where the keyboard stands.
        if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN)
            setHighlight(s, s.current != kBoxNone ? s.current : stepAcross(s, kBoxNone, 1));
        return;
    }
    switch (key) {
    case VK_LEFT: setHighlight(s, stepAcross(s, from, -1)); break;
    case VK_RIGHT: setHighlight(s, stepAcross(s, from, 1)); break;
    case VK_UP: setHighlight(s, stepVertically(s, from, -1)); break;
    case VK_DOWN: setHighlight(s, stepVertically(s, from, 1)); break;
    default: break;
    }
}

void onMouseMove(PopupState& s, POINT pt)
{
    const int index = boxAt(s, pt);
    if (index != kBoxNone) setHighlight(s, index);
}

void onButtonUp(PopupState& s, POINT pt)
{
    RECT client;
    GetClientRect(s.window, &client);
    if (!PtInRect(&client, pt)) {
        finish(s, false, s.initial);
        return;
    }
    // Inside, on a margin between boxes: the box last highlighted is taken, as if the release had
    // been on it; with none highlighted yet, the colour the popup opened with.
    int index = boxAt(s, pt);
    if (index == kBoxNone) index = s.highlight;
    if (index == kBoxNone) {
        finish(s, true, s.initial);
        return;
    }
    choose(s, index);
}

// The popup's window: it unpacks the messages for the functions above and owns its state.
class CPopupWindow : public winui::CWindow {
public:
    PopupState state;

    // Creates the window; from then on it deletes itself with its handle.
    bool create(HWND owner, POINT topLeft)
    {
        winui::WindowArgs args;
        args.className = kClassName;
        args.classStyle = CS_SAVEBITS;
        args.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        args.parent = owner;
        args.style = WS_POPUP;
        args.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        args.x = topLeft.x;
        args.y = topLeft.y;
        args.width = 10;
        args.height = 10;
        ownedByWindow_ = createWindow(args);
        return ownedByWindow_;
    }

    // The popup behind a window of this class, or null for any other window.
    static CPopupWindow* of(HWND window)
    {
        wchar_t name[std::size(kClassName) + 1] = {};
        if (!IsWindow(window) || !GetClassNameW(window, name, static_cast<int>(std::size(name))) ||
            lstrcmpW(name, kClassName) != 0)
            return nullptr;
        return static_cast<CPopupWindow*>(fromHandle(window));
    }

protected:
    const winui::MessageMapBase* messageMap() const override
    {
        static const auto map = winui::MessageMap<CPopupWindow>()
                                    .on<WM_CREATE>(&CPopupWindow::onCreate)
                                    .on<WM_DESTROY>(&CPopupWindow::onDestroy)
                                    .on<WM_ERASEBKGND>(&CPopupWindow::onEraseBackground)
                                    .on<WM_PAINT>(&CPopupWindow::onPaint)
                                    .on<WM_PRINTCLIENT>(&CPopupWindow::onPrintClient)
                                    .on<WM_MOUSEMOVE>(&CPopupWindow::onMouseMove)
                                    .on<WM_LBUTTONUP>(&CPopupWindow::onButtonUp)
                                    .on<WM_LBUTTONDOWN>(&CPopupWindow::onButtonDown)
                                    .on<WM_RBUTTONDOWN>(&CPopupWindow::onButtonDown)
                                    .on<WM_KEYDOWN>(&CPopupWindow::onKeyDown)
                                    .on<WM_CAPTURECHANGED>(&CPopupWindow::onCaptureChanged)
                                    .on<WM_CANCELMODE>(&CPopupWindow::onCancelMode)
                                    .on<WM_MOUSEACTIVATE>(&CPopupWindow::onMouseActivate);
        return &map;
    }
    void onFinalMessage() override
    {
        if (ownedByWindow_) delete this;
    }

private:
    bool onCreate(const CREATESTRUCTW&)
    {
        state.window = hwnd();
        return true;
    }
    void onDestroy()
    {
        // Destroyed from outside (the picker went away): the picker still hears of it once.
        if (state.ended) return;
        state.ended = true;
        SendMessageW(state.picker, kColourSelEndCancel, state.initial, 0);
    }
    bool onEraseBackground(HDC) { return true; }  // all painting on WM_PAINT
    void onPaint()
    {
        winui::PaintDc dc(hwnd());
        paint(state, dc.get());
    }
    void onPrintClient(HDC dc) { paint(state, dc); }
    void onMouseMove(UINT, POINT pt) { ::onMouseMove(state, pt); }
    void onButtonUp(UINT, POINT pt) { ::onButtonUp(state, pt); }
    void onButtonDown(UINT, POINT pt)
    {
        // A press outside cancels at once, as a menu does.
        const RECT client = winui::clientRect(hwnd());
        if (!PtInRect(&client, pt)) finish(state, false, state.initial);
    }
    void onKeyDown(UINT key) { ::onKeyDown(state, key); }
    void onCaptureChanged(HWND gaining)
    {
        if (gaining != hwnd()) onCancelMode();
    }
    void onCancelMode()
    {
        if (!state.ended) finish(state, false, state.initial);
    }
    UINT onMouseActivate(HWND, UINT, UINT) { return MA_NOACTIVATE; }

    bool ownedByWindow_ = false;
};

HFONT messageFont(int dpi)
{
    const LOGFONTW message = winui::nonClientMetrics(dpi).lfMessageFont;
    return CreateFontIndirectW(&message);
}

}  // namespace

HWND CColourPopup::open(HWND picker, POINT topLeft, const Options& options)
{
    auto popup = std::make_unique<CPopupWindow>();
    PopupState& s = popup->state;
    s.picker = picker;
    s.initial = options.colour;
    s.defaultText = options.defaultText;
    s.customText = options.customText;
    for (int i = 0; i < kPaletteSize; ++i)
        if (kPalette[i].colour == options.colour) s.current = i;
    if (options.colour == kDefaultColour && !s.defaultText.empty()) s.current = kBoxDefault;

    if (!popup->create(GetAncestor(picker, GA_ROOT), topLeft)) return nullptr;
    popup.release();  // owned by the window from here on
    HWND hwnd = s.window;
    s.dpi = winui::dpiOf(picker);
    s.font.reset(messageFont(s.dpi));
    s.palette.reset(makePalette());
    const SIZE size = layOut(s);

    // Keep it on the monitor: flip above the picker when there is no room below.
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(topLeft, MONITOR_DEFAULTTONEAREST), &mi);
    POINT at = topLeft;
    if (at.x + size.cx > mi.rcWork.right) at.x = mi.rcWork.right - size.cx;
    if (at.x < mi.rcWork.left) at.x = mi.rcWork.left;
    if (at.y + size.cy > mi.rcWork.bottom) {
        RECT pickerRect;
        GetWindowRect(picker, &pickerRect);
        at.y = std::max(mi.rcWork.top, static_cast<LONG>(pickerRect.top - size.cy));
    }
    SetWindowPos(hwnd, HWND_TOPMOST, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    addTooltips(s);
    SetCapture(hwnd);
    return hwnd;
}

int CColourPopup::highlight(HWND popup)
{
    const CPopupWindow* p = CPopupWindow::of(popup);
    return p ? p->state.highlight : kBoxNone;
}

RECT CColourPopup::boxRect(HWND popup, int index)
{
    const CPopupWindow* p = CPopupWindow::of(popup);
    return p ? rectOf(p->state, index) : RECT{};
}

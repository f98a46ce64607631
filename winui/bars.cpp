#include "winui/bars.h"

#include <algorithm>

#include "base/dib_format_win.h"
#include "winui/dpi.h"
#include "winui/handles.h"
#include "winui/text.h"

namespace winui {

namespace {

constexpr int kGripperRoom = 8;  // pixels left of the first button for the gripper, at 96 DPI

// The ids of a toolbar resource, 0 for a separator. Two layouts exist: Microsoft's resource
// compiler writes 16-bit words (version 1, width, height, count, ids), GNU windres 32-bit
// ones without the version (width, height, count, ids). Counts are checked against the size.
std::vector<UINT> readToolbarResource(UINT resourceId)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(241));
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const size_t size = SizeofResource(module, found);
    if (!bytes) return {};
    std::vector<UINT> ids;
    if (size >= 8 && bytes[0] == 1 && bytes[1] == 0) {
        const auto* words = reinterpret_cast<const WORD*>(bytes);
        const size_t count = words[3];
        if (count > (size - 8) / 2) return {};
        ids.assign(words + 4, words + 4 + count);
    } else if (size >= 12) {
        const auto* dwords = reinterpret_cast<const DWORD*>(bytes);
        const size_t count = dwords[2];
        if (count > (size - 12) / 4) return {};
        ids.assign(dwords + 3, dwords + 3 + count);
    }
    return ids;
}

}  // namespace

bool CToolBar::create(HWND parent, UINT id, UINT resourceId)
{
    buttons_ = readToolbarResource(resourceId);
    if (buttons_.empty()) return false;
    hwnd_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                            WS_CHILD | WS_VISIBLE | CCS_TOP | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return false;
    SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    dpi_ = dpiOf(hwnd_);
    SendMessageW(hwnd_, TB_SETINDENT, scaled(kGripperRoom, dpi_), 0);
    std::vector<TBBUTTON> tb;
    int image = 0;
    for (UINT command : buttons_) {
        TBBUTTON b{};
        if (command == 0) {
            b.fsStyle = BTNS_SEP;
        } else {
            b.iBitmap = image++;
            b.idCommand = static_cast<int>(command);
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        }
        tb.push_back(b);
    }
    return SendMessageW(hwnd_, TB_ADDBUTTONSW, tb.size(), reinterpret_cast<LPARAM>(tb.data())) != 0;
}

void CToolBar::setImageLists(HIMAGELIST images, HIMAGELIST disabled)
{
    SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(hwnd_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled));
    SendMessageW(hwnd_, TB_AUTOSIZE, 0, 0);
}

void CToolBar::applyDpi(int dpi)
{
    dpi_ = dpi;
    SendMessageW(hwnd_, TB_SETINDENT, scaled(kGripperRoom, dpi_), 0);
}

void CToolBar::setState(UINT id, bool enabled, bool checked)
{
    const LRESULT state = SendMessageW(hwnd_, TB_GETSTATE, id, 0);
    if (state == -1) return;
    auto wanted = static_cast<LRESULT>(state & ~(TBSTATE_ENABLED | TBSTATE_CHECKED));
    if (enabled) wanted |= TBSTATE_ENABLED;
    if (checked) wanted |= TBSTATE_CHECKED;
    if (wanted != state) SendMessageW(hwnd_, TB_SETSTATE, id, MAKELPARAM(wanted, 0));
}

int CToolBar::layout()
{
    SendMessageW(hwnd_, TB_AUTOSIZE, 0, 0);
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

LRESULT CToolBar::customDraw(const NMCUSTOMDRAW& draw) const
{
    if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYPOSTPAINT;
    if (draw.dwDrawStage == CDDS_POSTPAINT) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        const int inset = scaled(3, dpi_);
        RECT grip{scaled(2, dpi_), client.top + inset, scaled(5, dpi_), client.bottom - inset};
        DrawEdge(draw.hdc, &grip, BDR_RAISEDINNER, BF_RECT);
    }
    return CDRF_DODEFAULT;
}

UniqueIcon fadedIcon(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP size{};
    if (!color || !GetObjectW(color.get(), sizeof(size), &size)) return {};
    const int width = size.bmWidth, height = size.bmHeight;
    BITMAPINFO format = topDownDibFormat(width, height);
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    ClientDc screen(nullptr);
    const auto rows = static_cast<UINT>(height);
    if (GetDIBits(screen.get(), color.get(), 0, rows, pixels.data(), &format, DIB_RGB_COLORS) != height) return {};
    const bool hasAlpha = std::any_of(pixels.begin(), pixels.end(), [](DWORD p) { return (p >> 24) != 0; });
    for (DWORD& p : pixels) {
        const DWORD r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        const DWORD grey = 128 + ((r * 77 + g * 150 + b * 29) >> 9);  // luminance, lifted to a light grey
        const DWORD alpha = hasAlpha ? (p >> 24) / 2 : 0;
        p = (alpha << 24) | (grey << 16) | (grey << 8) | grey;
    }
    void* bits = nullptr;
    UniqueBitmap faded(CreateDIBSection(screen.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!faded || !bits) return {};
    std::copy(pixels.begin(), pixels.end(), static_cast<DWORD*>(bits));
    ICONINFO fadedInfo{TRUE, 0, 0, mask.get(), faded.get()};
    return UniqueIcon(CreateIconIndirect(&fadedInfo));
}

bool CStatusBar::create(HWND parent, UINT id, std::span<const StatusIndicator> indicators)
{
    hwnd_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return false;
    indicators_.assign(indicators.begin(), indicators.end());
    texts_.clear();
    for (const StatusIndicator& indicator : indicators_) texts_.push_back(loadString(indicator.textId));
    dpi_ = 0;
    applyDpi(dpiOf(hwnd_));
    updateIndicators();
    return true;
}

void CStatusBar::applyDpi(int dpi)
{
    if (dpi == dpi_) return;
    dpi_ = dpi;
    // At the system's DPI the bar keeps the font it chose itself.
    const bool hadFont = static_cast<bool>(font_);
    if (dpi == systemDpi()) {
        font_.reset();
    } else {
        const LOGFONTW status = nonClientMetrics(dpi).lfStatusFont;
        font_.reset(CreateFontIndirectW(&status));
    }
    if (font_ || hadFont) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    measureIndicators();
    layout();
}

void CStatusBar::measureIndicators()
{
    widths_.clear();
    ClientDc dc(hwnd_);
    SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    for (const std::wstring& text : texts_) {
        SIZE extent{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
        widths_.push_back(extent.cx + 2 * systemMetric(SM_CXEDGE, dpi_) + scaled(12, dpi_));
    }
}

void CStatusBar::setParts()
{
    const RECT client = [this] {
        RECT r{};
        GetClientRect(hwnd_, &r);
        return r;
    }();
    // Parts are given by their right edges; the size grip takes room at the far right.
    int right = client.right - systemMetric(SM_CXVSCROLL, dpi_);
    std::vector<int> edges(widths_.size() + 1);
    for (size_t i = widths_.size(); i > 0; --i) {
        edges[i] = right;
        right -= widths_[i - 1];
    }
    edges[0] = right;
    if (!edges.empty()) edges.back() = -1;
    SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void CStatusBar::setMessage(const std::wstring& text)
{
    SendMessageW(hwnd_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring CStatusBar::paneText(int pane) const
{
    const auto length = LOWORD(SendMessageW(hwnd_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane), 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(hwnd_, SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

void CStatusBar::updateIndicators()
{
    for (size_t i = 0; i < indicators_.size(); ++i) {
        const bool on = (GetKeyState(indicators_[i].virtualKey) & 1) != 0;
        const std::wstring wanted = on ? texts_[i] : std::wstring();
        const auto pane = static_cast<WPARAM>(i + 1);
        if (paneText(static_cast<int>(pane)) != wanted)
            SendMessageW(hwnd_, SB_SETTEXTW, pane, reinterpret_cast<LPARAM>(wanted.c_str()));
    }
}

int CStatusBar::layout()
{
    SendMessageW(hwnd_, WM_SIZE, 0, 0);
    setParts();
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

}  // namespace winui

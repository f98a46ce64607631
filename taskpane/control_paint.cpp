#include "taskpane/control_paint.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstdio>

#include "taskpane/library.h"

namespace sidefold {

MemoryCanvas::MemoryCanvas(HDC target, const RECT& area) : target_(target), area_(area)
{
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return;
    memory_ = CreateCompatibleDC(target);
    bitmap_ = memory_ ? CreateCompatibleBitmap(target, w, h) : nullptr;
    if (!bitmap_) {
        if (memory_) DeleteDC(memory_);
        memory_ = nullptr;
        return;
    }
    old_ = SelectObject(memory_, bitmap_);
    SetWindowOrgEx(memory_, area.left, area.top, nullptr);
}

MemoryCanvas::~MemoryCanvas()
{
    if (!memory_) return;
    SelectObject(memory_, old_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
}

void MemoryCanvas::copyTo(HDC target) const
{
    if (!memory_) return;
    BitBlt(target, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_, area_.left,
           area_.top, SRCCOPY);
}

void askParentForBackground(HWND control, HDC dc, const RECT& client, UINT message)
{
    HWND parent = GetParent(control);
    const LRESULT answer =
        parent ? SendMessageA(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)) : 0;
    if (answer > 1)
        FillRect(dc, &client, reinterpret_cast<HBRUSH>(answer));
    else if (!parent)
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
}

void drawGlyph(HDC dc, HBITMAP glyph, int x, int y)
{
    BITMAP b{};
    if (!glyph || !GetObjectA(glyph, sizeof(b), &b)) return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, glyph);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, x, y, b.bmWidth, b.bmHeight, memory, 0, 0, b.bmWidth, b.bmHeight, blend);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void playSystemSound(const char* event)
{
    char key[300];
    std::snprintf(key, sizeof(key), "AppEvents\\Schemes\\Apps\\%s\\.Current", event);
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    char value[260] = {};
    DWORD size = sizeof(value) - 1, type = 0;
    const bool read =
        RegQueryValueExA(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
    RegCloseKey(k);
    if (!read || !value[0]) return;
    char file[MAX_PATH] = {};
    if (type == REG_EXPAND_SZ) {
        if (!ExpandEnvironmentStringsA(value, file, sizeof(file))) return;
    } else if (type == REG_SZ) {
        lstrcpynA(file, value, sizeof(file));
    } else {
        return;
    }
    const SidefoldPlaySoundHook play = soundPlayer();
    if (play) play(file, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP | SND_NOWAIT);
}

void askParentForTooltipText(HWND control, HWND tooltip, NMHDR* request, int code)
{
    if (!tooltip || !request || request->hwndFrom != tooltip) return;
    const bool wide = request->code == TTN_GETDISPINFOW;
    if (!wide && request->code != TTN_GETDISPINFOA) return;
    auto* ansi = reinterpret_cast<NMTTDISPINFOA*>(request);
    auto* unicode = reinterpret_cast<NMTTDISPINFOW*>(request);
    NMTTDISPINFOA ask{};
    ask.hdr = {control, static_cast<UINT_PTR>(GetDlgCtrlID(control)), static_cast<UINT>(code)};
    ask.lpszText = ask.szText;
    ask.uFlags = wide ? unicode->uFlags : ansi->uFlags;
    ask.lParam = wide ? unicode->lParam : ansi->lParam;
    SendMessageA(GetParent(control), WM_NOTIFY, ask.hdr.idFrom, reinterpret_cast<LPARAM>(&ask));
    ask.szText[sizeof(ask.szText) - 1] = 0;
    if (wide) {
        if (!MultiByteToWideChar(CP_ACP, 0, ask.szText, -1, unicode->szText, 80)) unicode->szText[0] = 0;
        unicode->szText[79] = 0;
        unicode->lpszText = unicode->szText;
        unicode->hinst = nullptr;
    } else {
        lstrcpynA(ansi->szText, ask.szText, sizeof(ansi->szText));
        ansi->lpszText = ansi->szText;
        ansi->hinst = nullptr;
    }
}

LRESULT answerCreationSize(const SIZE& creationSize, WPARAM width, LPARAM height)
{
    if (writable(reinterpret_cast<int*>(width), sizeof(int))) *reinterpret_cast<int*>(width) = creationSize.cx;
    if (writable(reinterpret_cast<int*>(height), sizeof(int))) *reinterpret_cast<int*>(height) = creationSize.cy;
    return 0;
}

}  // namespace sidefold

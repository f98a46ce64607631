#include "controls/cue_banner.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

constexpr UINT_PTR kSubclassId = 0x43554531;  // "CUE1"

struct CueState {
    std::wstring cue;
    bool whileFocused = false;  // shown with the focus too (EM_SETCUEBANNER's wParam)
    bool drawn = false;         // the last paint drew it
};

// Messages after which the edit may hold text where the cue was drawn: the edit repaints only
// what it changed, so the rest of the cue would stay.
bool mayFillIn(UINT message)
{
    switch (message) {
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_PASTE:
    case WM_SETTEXT:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL: return true;
    default: return false;
    }
}

bool showsCue(HWND edit, const CueState& state)
{
    return !state.cue.empty() && GetWindowTextLengthW(edit) == 0 && (state.whileFocused || GetFocus() != edit);
}

void drawCue(HWND edit, HDC dc, const CueState& state)
{
    RECT area{};
    SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    const auto font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
    const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, state.cue.c_str(), static_cast<int>(state.cue.size()), &area,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK cueProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* state = reinterpret_cast<CueState*>(data);
    switch (message) {
    case EM_SETCUEBANNER:
        if (!lParam) return FALSE;
        state->cue = reinterpret_cast<const wchar_t*>(lParam);
        state->whileFocused = wParam != FALSE;
        InvalidateRect(edit, nullptr, TRUE);
        return TRUE;
    case EM_GETCUEBANNER: {
        // As the system's: the cue copied into the caller's buffer of lParam characters.
        auto* buffer = reinterpret_cast<wchar_t*>(wParam);
        const auto room = static_cast<size_t>(lParam);
        if (!buffer || room == 0) return FALSE;
        const size_t copied = std::min(state->cue.size(), room - 1);
        std::wmemcpy(buffer, state->cue.c_str(), copied);
        buffer[copied] = L'\0';
        return TRUE;
    }
    case WM_PAINT: {
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        state->drawn = showsCue(edit, *state);
        if (state->drawn) {
            const HDC dc = GetDC(edit);
            drawCue(edit, dc, *state);
            ReleaseDC(edit, dc);
        }
        return result;
    }
    case WM_PRINTCLIENT: {
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        if (showsCue(edit, *state)) drawCue(edit, reinterpret_cast<HDC>(wParam), *state);
        return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The cue comes and goes with the focus.
        if (!state->whileFocused) InvalidateRect(edit, nullptr, TRUE);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, cueProc, kSubclassId);
        delete state;
        return DefSubclassProc(edit, message, wParam, lParam);
    default:
        if (mayFillIn(message) && state->drawn) {
            const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
            InvalidateRect(edit, nullptr, TRUE);
            return result;
        }
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void acceptCueBanner(HWND edit)
{
    if (!edit || !(GetWindowLongW(edit, GWL_STYLE) & ES_MULTILINE)) return;
    auto* state = new CueState;
    if (!SetWindowSubclass(edit, cueProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) delete state;
}

#include "taskpane/button_face.h"

#include <algorithm>

#include "taskpane/library.h"

namespace sidefold {

namespace {

constexpr int kTextGap = 4;      // between glyph and text
constexpr int kPushInsetX = 4;   // push-button text inside its frame
constexpr int kPushInsetY = 3;   //
constexpr int kCheckNormal = 5;  // the BUTTON parts' checked normal state (its size is the glyph's)
constexpr int kPartPush = 1, kPartRadio = 2, kPartCheck = 3;

DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
DWORD exStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)); }

bool glyphAtRight(HWND window)
{
    return ((styleOf(window) & kButtonGlyphRight) != 0) != ((exStyleOf(window) & WS_EX_RIGHT) != 0);
}

HFONT fontFor(const ButtonRecord& b, bool checked, bool hot)
{
    return fontOr(b.fonts[(checked ? 2 : 0) + (hot ? 1 : 0)]);
}

// DT_ flags of the text: wrapped, ellipsised or one line, aligned by the style (push buttons
// centred and the others left unless a bit says otherwise; WS_EX_RIGHT exchanges the sides).
UINT textFormat(HWND window, bool multiLine)
{
    const DWORD style = styleOf(window);
    UINT format = 0;
    if (multiLine && (style & kButtonWrap))
        format |= DT_WORDBREAK;
    else
        format |= DT_SINGLELINE | ((style & kButtonEllipsis) ? DT_END_ELLIPSIS : 0);
    int align = isPushKind(style & kButtonKindMask) ? 1 : 0;  // 0 left, 1 centre, 2 right
    if (style & kButtonAlignCentre)
        align = 1;
    else if (style & kButtonAlignRight)
        align = 2;
    else if (style & kButtonAlignLeft)
        align = 0;
    if (exStyleOf(window) & WS_EX_RIGHT) align = 2 - align;
    format |= align == 1 ? DT_CENTER : align == 2 ? DT_RIGHT : DT_LEFT;
    if (exStyleOf(window) & WS_EX_RTLREADING) format |= DT_RTLREADING;
    return format;
}

SIZE glyphSize(HWND window, const ButtonRecord& b, int lineHeight)
{
    SIZE size{lineHeight, lineHeight};
    if (b.theme) {
        const int part = isRadioKind(buttonKind(window)) ? kPartRadio : kPartCheck;
        SIZE themed{};
        HDC dc = GetDC(window);
        if (SUCCEEDED(getThemePartSize(b.theme, dc, part, kCheckNormal, nullptr, TS_DRAW, &themed)) && themed.cx > 0 &&
            themed.cy > 0)
            size = themed;
        ReleaseDC(window, dc);
    }
    return size;
}

}  // namespace

void makeButtonFonts(ButtonRecord& b)
{
    deleteButtonFonts(b);
    LOGFONTA lf = fontDescription(b.givenFont);
    for (int i = 0; i < 4; ++i) {
        lf.lfWeight = i >= 2 ? FW_BOLD : FW_NORMAL;
        lf.lfUnderline = (i & 1) != 0;
        b.fonts[i] = CreateFontIndirectA(&lf);
    }
}

void deleteButtonFonts(ButtonRecord& b)
{
    for (HFONT& f : b.fonts) freeFont(f);
}

ButtonLayout buttonLayoutAt(HWND window, const ButtonRecord& b, int width, int clientHeight)
{
    ButtonLayout out;
    const DWORD style = styleOf(window);
    const bool push = isPushKind(style & kButtonKindMask);
    const int focusExtra = (style & kButtonFocusRect) ? 2 : 0;

    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    // Measured in the bold font, so that checking the button never moves its text.
    const HFONT font = fontFor(b, true, false);
    const int lineHeight = measureText(window, font, " ", 1, 0, DT_SINGLELINE).lineHeight;
    const SIZE glyph = push ? SIZE{0, 0} : glyphSize(window, b, lineHeight);

    const int dpi = windowDpi(window);
    const int insetX = scaled(kPushInsetX, dpi), insetY = scaled(kPushInsetY, dpi), gap = scaled(kTextGap, dpi);
    RECT area{};
    if (push)
        area = {insetX, insetY, width - insetX, clientHeight - insetY};
    else if (glyphAtRight(window))
        area = {0, 0, width - glyph.cx - gap, 0};
    else
        area = {glyph.cx + gap, 0, width, 0};
    area.right = std::max(area.right, area.left);
    const int areaWidth = area.right - area.left - focusExtra;

    const UINT asked =
        (style & kButtonWrap) ? DT_WORDBREAK : DT_SINGLELINE | ((style & kButtonEllipsis) ? DT_END_ELLIPSIS : 0);
    const TextExtent measured = measureText(window, font, text, n, areaWidth, asked);

    int th = measured.height;
    out.multiLine = th >= 2 * lineHeight;
    if (!out.multiLine) th = lineHeight;
    const int tw = std::min<int>(measured.width + focusExtra, area.right - area.left);
    th += focusExtra;

    const UINT format = textFormat(window, out.multiLine);
    int x = area.left;
    if (format & DT_CENTER) x = area.left + (area.right - area.left - tw) / 2;
    if (format & DT_RIGHT) x = area.right - tw;

    if (push) {
        const int y = area.top + std::max<int>(0, (area.bottom - area.top - th) / 2);
        out.text = {x, y, x + tw, y + th};
        out.height = clientHeight;
        return out;
    }
    // Glyph and first text line centred on each other.
    const int firstLine = lineHeight + focusExtra;
    int textTop = 0, glyphTop = 0;
    if (firstLine < glyph.cy)
        textTop = (glyph.cy - firstLine) / 2;
    else
        glyphTop = (firstLine - glyph.cy) / 2;
    out.text = {x, textTop, x + tw, textTop + th};
    const int gx = glyphAtRight(window) ? width - glyph.cx : 0;
    out.glyph = {gx, glyphTop, gx + glyph.cx, glyphTop + glyph.cy};
    out.height = std::max(out.text.bottom, out.glyph.bottom);
    // In a taller client the content sits in the middle.
    if (clientHeight > out.height) {
        const int dy = (clientHeight - out.height) / 2;
        OffsetRect(&out.text, 0, dy);
        OffsetRect(&out.glyph, 0, dy);
    }
    return out;
}

namespace {

// The theme state of a part: 1 normal, 2 hot, 3 pressed, 4 disabled, then the same four for
// each further check state.
int themeState(int state, int check)
{
    const int base = state == ButtonDisabled ? 4 : state == ButtonPressed ? 3 : state == ButtonHot ? 2 : 1;
    return base + 4 * check;
}

UINT frameFlags(HWND window, const ButtonRecord& b)
{
    UINT flags = 0;
    if (b.state.look == ButtonPressed) flags |= DFCS_PUSHED;
    if (b.state.look == ButtonHot) flags |= DFCS_HOT;
    if (b.state.look == ButtonDisabled) flags |= DFCS_INACTIVE;
    if (styleOf(window) & kButtonFlat) flags |= DFCS_FLAT;
    return flags;
}

void paintPushFrame(HWND window, const ButtonRecord& b, HDC dc, const RECT& client)
{
    const bool emphasised = buttonKind(window) == kButtonDefaultPush || b.state.focused;
    if (b.theme) {
        const int state = b.state.look == ButtonNormal && emphasised ? 5 : themeState(b.state.look, 0);
        drawThemeBackground(b.theme, dc, kPartPush, state, &client, nullptr);
        return;
    }
    RECT frame = client;
    if (emphasised) {
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_3DDKSHADOW));
        InflateRect(&frame, -1, -1);
    }
    DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | frameFlags(window, b));
}

void paintGlyph(HWND window, const ButtonRecord& b, HDC dc)
{
    const DWORD kind = buttonKind(window);
    const bool radio = isRadioKind(kind);
    const bool threeState = kind == kButtonThreeState || kind == kButtonStepThreeState;
    const int check = std::min(b.check, radio ? 1 : 2);
    RECT glyph = b.glyphBox;
    if (b.theme) {
        drawThemeBackground(b.theme, dc, radio ? kPartRadio : kPartCheck, themeState(b.state.look, check), &glyph,
                            nullptr);
        return;
    }
    UINT flags = radio ? DFCS_BUTTONRADIO : threeState ? DFCS_BUTTON3STATE : DFCS_BUTTONCHECK;
    if (check) flags |= DFCS_CHECKED;
    if (check == 2) flags |= DFCS_INACTIVE;
    DrawFrameControl(dc, &glyph, DFC_BUTTON, flags | frameFlags(window, b));
}

}  // namespace

void paintButtonFace(HWND window, const ButtonRecord& b, HDC dc, const RECT& client)
{
    const bool push = isPushKind(buttonKind(window));
    if (push)
        paintPushFrame(window, b, dc, client);
    else
        paintGlyph(window, b, dc);

    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    const bool hot = b.state.look == ButtonHot || b.state.look == ButtonPressed;
    HGDIOBJ old = SelectObject(dc, fontFor(b, b.check != 0, hot));
    SetTextColor(dc, GetSysColor(b.state.look == ButtonDisabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    SetBkMode(dc, TRANSPARENT);
    RECT box = b.textBox;
    const bool focusStyle = (styleOf(window) & kButtonFocusRect) != 0;
    if (focusStyle) InflateRect(&box, -1, -1);
    if (push && b.state.look == ButtonPressed) OffsetRect(&box, 1, 1);
    DrawTextA(dc, text, n, &box, textFormat(window, b.multiLine));
    SelectObject(dc, old);
    if (focusStyle && b.state.focused) DrawFocusRect(dc, &b.textBox);
}

}  // namespace sidefold

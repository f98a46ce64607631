// Drawing of owner-drawn menu items. The two optional system libraries (visual styles and
// gradient fills) are loaded at run time; without them the menu is drawn flat.

#include "app/owner_menu_bitmaps.h"

#include <algorithm>
#include <string>

#include "winui/dpi.h"
#include "winui/handles.h"

namespace {

COLORREF blend(COLORREF a, COLORREF b, int percentOfB)
{
    auto mix = [percentOfB](int x, int y) {
        return static_cast<BYTE>((x * (100 - percentOfB) + y * percentOfB) / 100);
    };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

void fill(HDC dc, const RECT& r, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void frame(HDC dc, const RECT& r, COLORREF colour)
{
    winui::UniqueBrush brush(CreateSolidBrush(colour));
    FrameRect(dc, &r, brush.get());
}

using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
using IsThemeActiveFn = BOOL(WINAPI*)();

template <typename Fn> Fn optionalFunction(const wchar_t* library, const char* name)
{
    HMODULE module = LoadLibraryW(library);  // kept for the life of the program
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

GradientFillFn gradientFill()
{
    static const GradientFillFn fn = optionalFunction<GradientFillFn>(L"msimg32.dll", "GradientFill");
    return fn;
}

// A horizontal gradient, or a plain fill of the first colour without msimg32.
void gradient(HDC dc, const RECT& r, COLORREF from, COLORREF to)
{
    GradientFillFn fn = gradientFill();
    if (!fn) {
        fill(dc, r, from);
        return;
    }
    auto channel = [](BYTE v) { return static_cast<COLOR16>(v << 8); };
    TRIVERTEX v[2] = {
        {r.left, r.top, channel(GetRValue(from)), channel(GetGValue(from)), channel(GetBValue(from)), 0},
        {r.right, r.bottom, channel(GetRValue(to)), channel(GetGValue(to)), channel(GetBValue(to)), 0},
    };
    GRADIENT_RECT g{0, 1};
    fn(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H);
}

// The menu font, bold for the title, or the check-mark symbol font.
class MenuFont {
public:
    enum class Kind { Normal, Bold, Marlett };
    MenuFont(Kind kind, int dpi, int symbolHeight = 0)
    {
        LOGFONTW lf = winui::nonClientMetrics(dpi).lfMenuFont;
        if (kind == Kind::Bold) lf.lfWeight = FW_BOLD;
        if (kind == Kind::Marlett) {
            lf = LOGFONTW{};
            lf.lfHeight = -symbolHeight;
            lf.lfCharSet = SYMBOL_CHARSET;
            wcscpy_s(lf.lfFaceName, L"Marlett");
        }
        font_.reset(CreateFontIndirectW(&lf));
    }
    HFONT get() const { return font_.get(); }

private:
    winui::UniqueFont font_;
};

using Selected = winui::SelectGuard;

// An item without images keeps the room of a 16-pixel one (at 96 DPI).
SIZE imageSize(HIMAGELIST images, int dpi = winui::kBaseDpi)
{
    int cx = winui::scaled(16, dpi), cy = cx;
    if (images) ImageList_GetIconSize(images, &cx, &cy);
    return SIZE{cx, cy};
}

int gutterWidth(const COwnerMenuItem& item, int dpi)
{
    return static_cast<int>(imageSize(item.images, dpi).cx) + 2 * winui::scaled(COwnerMenuBitmaps::kGutterPad, dpi);
}

SIZE textExtent(HDC dc, const std::wstring& text)
{
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void drawTitle(HDC dc, const RECT& r, const COwnerMenuItem& item, int dpi)
{
    gradient(dc, r, GetSysColor(COLOR_ACTIVECAPTION), GetSysColor(COLOR_GRADIENTACTIVECAPTION));
    MenuFont bold(MenuFont::Kind::Bold, dpi);
    Selected font(dc, bold.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    RECT text = r;
    text.left += winui::scaled(COwnerMenuBitmaps::kGutterPad * 2, dpi);
    DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void drawCheck(HDC dc, const RECT& box, const COwnerMenuBitmaps::Colours& c, COLORREF mark, int dpi)
{
    fill(dc, box, c.checkFill);
    frame(dc, box, c.frame);
    MenuFont marlett(MenuFont::Kind::Marlett, dpi, box.bottom - box.top - winui::scaled(2, dpi));
    Selected font(dc, marlett.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, mark);
    RECT r = box;
    DrawTextW(dc, L"a", 1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);  // "a" is the tick
}

void drawLabel(HDC dc, RECT r, const std::wstring& text, UINT state, COLORREF colour, int dpi)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    UINT format = DT_SINGLELINE | DT_VCENTER;
    if (state & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    const size_t tab = text.find(L'\t');
    DrawTextW(dc, text.c_str(), static_cast<int>(std::min(tab, text.size())), &r, format | DT_LEFT);
    if (tab != std::wstring::npos) {
        r.right -= winui::systemMetric(SM_CXMENUCHECK, dpi);
        DrawTextW(dc, text.c_str() + tab + 1, static_cast<int>(text.size() - tab - 1), &r, format | DT_RIGHT);
    }
}

}  // namespace

bool COwnerMenuBitmaps::visualStyleActive()
{
    static const IsThemeActiveFn fn = optionalFunction<IsThemeActiveFn>(L"uxtheme.dll", "IsThemeActive");
    return fn && fn();
}

COwnerMenuBitmaps::Colours COwnerMenuBitmaps::colours()
{
    Colours c{};
    c.background = GetSysColor(COLOR_MENU);
    c.gutter = blend(c.background, GetSysColor(COLOR_3DSHADOW), 15);
    const COLORREF select = GetSysColor(visualStyleActive() ? COLOR_MENUHILIGHT : COLOR_HIGHLIGHT);
    if (visualStyleActive()) {
        c.highlight = blend(c.background, select, 25);
        c.text = GetSysColor(COLOR_MENUTEXT);
    } else {
        c.highlight = select;
        c.text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    c.frame = select;
    c.silhouette = blend(c.background, GetSysColor(COLOR_GRAYTEXT), 70);
    c.checkFill = blend(c.background, select, 15);
    return c;
}

SIZE COwnerMenuBitmaps::measure(const COwnerMenuItem& item, int dpi)
{
    if (item.kind == COwnerMenuItem::Kind::Separator) return SIZE{gutterWidth(item, dpi), winui::scaled(7, dpi)};
    winui::ClientDc screen(nullptr);
    HDC dc = screen.get();
    MenuFont menuFont(item.kind == COwnerMenuItem::Kind::Title ? MenuFont::Kind::Bold : MenuFont::Kind::Normal, dpi);
    SIZE text{};
    {
        Selected font(dc, menuFont.get());
        std::wstring shown = item.text;
        std::replace(shown.begin(), shown.end(), L'\t', L' ');
        text = textExtent(dc, shown + L"    ");
    }
    if (item.kind == COwnerMenuItem::Kind::Title)
        return SIZE{text.cx + winui::scaled(4 * kGutterPad, dpi), text.cy + winui::scaled(8, dpi)};
    const SIZE image = imageSize(item.images, dpi);
    const int room = winui::scaled(6, dpi);
    return SIZE{gutterWidth(item, dpi) + winui::scaled(kTextGap, dpi) + text.cx,
                std::max(image.cy + room, text.cy + room)};
}

void COwnerMenuBitmaps::drawSilhouette(HDC dc, HIMAGELIST images, int image, int x, int y, COLORREF colour)
{
    const SIZE size = imageSize(images);
    winui::UniqueMemoryDc maskDc(CreateCompatibleDC(dc));
    winui::UniqueBitmap mask(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    if (!maskDc || !mask) return;
    Selected keepMask(maskDc.get(), mask.get());
    PatBlt(maskDc.get(), 0, 0, size.cx, size.cy, WHITENESS);
    ImageList_Draw(images, image, maskDc.get(), 0, 0, ILD_MASK);  // opaque pixels black
    winui::UniqueBrush brush(CreateSolidBrush(colour));
    Selected keepBrush(dc, brush.get());
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    // Where the mask is black take the brush, elsewhere keep what is there.
    BitBlt(dc, x, y, size.cx, size.cy, maskDc.get(), 0, 0, 0x00B8074A);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

void COwnerMenuBitmaps::draw(const DRAWITEMSTRUCT& dis, const COwnerMenuItem& item, int dpi)
{
    HDC dc = dis.hDC;
    const RECT& r = dis.rcItem;
    if (item.kind == COwnerMenuItem::Kind::Title) {
        drawTitle(dc, r, item, dpi);
        return;
    }
    const Colours c = colours();
    const int gutter = gutterWidth(item, dpi);
    const int textGap = winui::scaled(kTextGap, dpi);
    RECT gutterRect{r.left, r.top, r.left + gutter, r.bottom};
    RECT rest{r.left + gutter, r.top, r.right, r.bottom};
    fill(dc, gutterRect, c.gutter);
    fill(dc, rest, c.background);

    if (item.kind == COwnerMenuItem::Kind::Separator) {
        const int mid = (r.top + r.bottom) / 2;
        RECT line{r.left + gutter + textGap / 2, mid, r.right - winui::scaled(2, dpi), mid + 1};
        fill(dc, line, GetSysColor(COLOR_3DSHADOW));
        return;
    }

    const bool disabled = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool highlighted = (dis.itemState & ODS_SELECTED) != 0;
    if (highlighted) {
        RECT band = r;
        if (visualStyleActive() || disabled) {
            InflateRect(&band, -1, 0);
            if (!disabled) fill(dc, band, c.highlight);
            frame(dc, band, disabled ? GetSysColor(COLOR_GRAYTEXT) : c.frame);
        } else {
            fill(dc, band, c.highlight);
        }
    }

    const SIZE image = imageSize(item.images, dpi);
    const int imageX = r.left + winui::scaled(kGutterPad, dpi);
    const int imageY = r.top + (r.bottom - r.top - image.cy) / 2;
    if (dis.itemState & ODS_CHECKED) {
        const int around = winui::scaled(2, dpi);
        RECT box{imageX - around, imageY - around, imageX + image.cx + around, imageY + image.cy + around};
        drawCheck(dc, box, c, disabled ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_MENUTEXT), dpi);
    } else if (item.images && item.image >= 0) {
        const int effects = COwnerMenu::imageEffects();
        const int count = ImageList_GetImageCount(item.images);
        if (disabled && effects == 1 && item.image + 1 < count) {
            ImageList_Draw(item.images, item.image + 1, dc, imageX, imageY, ILD_TRANSPARENT);
        } else if (disabled) {
            drawSilhouette(dc, item.images, item.image, imageX, imageY, c.silhouette);
        } else if (highlighted && effects == 1 && item.image + 2 < count) {
            ImageList_Draw(item.images, item.image + 2, dc, imageX, imageY, ILD_TRANSPARENT);
        } else {
            ImageList_Draw(item.images, item.image, dc, imageX, imageY, ILD_TRANSPARENT);
        }
    }

    MenuFont menuFont(MenuFont::Kind::Normal, dpi);
    Selected font(dc, menuFont.get());
    RECT text{r.left + gutter + textGap, r.top, r.right - textGap, r.bottom};
    COLORREF colour = GetSysColor(COLOR_MENUTEXT);
    if (disabled)
        colour = GetSysColor(COLOR_GRAYTEXT);
    else if (highlighted)
        colour = c.text;
    drawLabel(dc, text, item.text, dis.itemState, colour, dpi);
}

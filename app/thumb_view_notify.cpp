// What the thumbnail list tells its view: pictures and tooltips of rows, the double click, the
// keys, the drawing of the focused thumbnail, and the context menu.

#include "app/thumb_viewer_view.h"

#include <commctrl.h>

#include "app/command_ids.h"
#include "app/owner_menu.h"
#include "resources/resource.h"
#include "winui/handles.h"
#include "winui/text.h"

namespace {

// The frame around the focused thumbnail while the list has the focus: its width, and its gap
// to the picture.
constexpr int kFocusFrameWidth = 2;
constexpr int kFocusFrameGap = 1;

const wchar_t* reasonOf(CellProblem problem)
{
    switch (problem) {
    case CellProblem::Missing: return L"The picture cannot be shown: its file is missing.";
    case CellProblem::Unreadable: return L"The picture cannot be shown: its file cannot be read or is damaged.";
    case CellProblem::UnknownType: return L"The picture cannot be shown: Fotoloom does not know this kind of file.";
    case CellProblem::None: break;
    }
    return nullptr;
}

bool keyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

CellProblem CThumbViewerView::rowProblem(int row) const
{
    const int slot = rowSlot(row);
    return slot >= 0 && static_cast<size_t>(slot) < slotProblem_.size() ? slotProblem_[static_cast<size_t>(slot)]
                                                                        : CellProblem::None;
}

std::wstring CThumbViewerView::rowTip(int row) const
{
    const wchar_t* reason = reasonOf(rowProblem(row));
    const std::optional<size_t> position = doc_.galleryIndexOfRow(row);
    if (!reason || !position) return {};
    return std::wstring(reason) + L"\n" + winui::widen(doc_.images()[*position].path);
}

LRESULT CThumbViewerView::onGetDispInfo(NMLVDISPINFOW& info)
{
    if (info.item.mask & LVIF_IMAGE) info.item.iImage = rowImage(info.item.iItem);
    return 0;
}

// Only rows whose picture is not shown get a tip of their own; the others keep the list's (the
// full label when it is cut short).
LRESULT CThumbViewerView::onGetInfoTip(NMLVGETINFOTIPW& tip)
{
    const std::wstring text = rowTip(tip.iItem);
    if (text.empty() || !tip.pszText || tip.cchTextMax <= 0) return 0;
    lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
    return 0;
}

LRESULT CThumbViewerView::onDoubleClick(const NMITEMACTIVATE& activate)
{
    if (activate.iItem >= 0) comment();
    return 0;
}

LRESULT CThumbViewerView::onKeyDown(const NMLVKEYDOWN& key)
{
    const bool control = keyDown(VK_CONTROL), shift = keyDown(VK_SHIFT), alt = keyDown(VK_MENU);
    switch (key.wVKey) {
    case VK_RETURN:
        // A thumbnail's comment, as a double click; nothing selected, nothing to do.
        if (!control && !shift && !alt && !selectedRows().empty()) comment();
        break;
    case VK_DELETE:
        if (!control && !shift && !alt) remove();
        break;
    case VK_TAB:
        // As F6 and Shift+F6: the panes take turns.
        if (!control && !alt && mainWindow())
            SendMessageW(mainWindow(), WM_COMMAND, MAKEWPARAM(shift ? ID_PREV_PANE : ID_NEXT_PANE, 1), 0);
        break;
    case 'A':
        if (control && !shift && !alt) setItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
        break;
    default: break;
    }
    return 0;
}

// The list's own focus mark is a thin dotted line around the label; the focused picture gets a
// frame in the selection colour as well, so the keyboard's place is seen at a glance.
LRESULT CThumbViewerView::onCustomDraw(NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        // Every scroll ends in a paint: the cells follow the rows on the screen from here.
        keepNear();
        return GetFocus() == list_ ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT: {
        const int row = static_cast<int>(draw.nmcd.dwItemSpec);
        const UINT state =
            static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_FOCUSED));
        return state & LVIS_FOCUSED ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    }
    case CDDS_ITEMPOSTPAINT: {
        RECT icon{};
        icon.left = LVIR_ICON;
        if (!SendMessageW(list_, LVM_GETITEMRECT, draw.nmcd.dwItemSpec, reinterpret_cast<LPARAM>(&icon))) return 0;
        // The picture sits centred at the top of the icon box.
        const int left = (icon.left + icon.right - cell_.width) / 2;
        RECT frame{left, icon.top + (icon.bottom - icon.top - cell_.height) / 2, 0, 0};
        frame.right = frame.left + cell_.width;
        frame.bottom = frame.top + cell_.height;
        InflateRect(&frame, kFocusFrameGap + kFocusFrameWidth, kFocusFrameGap + kFocusFrameWidth);
        for (int i = 0; i < kFocusFrameWidth; ++i) {
            FrameRect(draw.nmcd.hdc, &frame, GetSysColorBrush(COLOR_HIGHLIGHT));
            InflateRect(&frame, -1, -1);
        }
        return 0;
    }
    default: return CDRF_DODEFAULT;
    }
}

void CThumbViewerView::onContextMenu(HWND, POINT screen)
{
    POINT client = screen;
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: at the focused thumbnail, or at the list's corner.
        const int focused =
            static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        RECT r{};
        r.left = LVIR_ICON;
        if (focused < 0 ||
            !SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&r)))
            r = RECT{4, 4, 4, 4};
        client = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        screen = client;
        ClientToScreen(list_, &screen);
    } else {
        ScreenToClient(list_, &client);
    }
    const bool overThumbnail = hitTest(client) >= 0;
    std::unique_ptr<COwnerMenu> menu = buildContextMenu(overThumbnail);
    const UINT id = menu->track(hwnd(), screen);
    if (id) onContextCommand(id);
}

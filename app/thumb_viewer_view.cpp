// The thumbnail view's window, its list of rows and the cells the worker hands in.

#include "app/thumb_viewer_view.h"

#include <commctrl.h>

#include <algorithm>

#include "app/owner_menu.h"
#include "app/views.h"
#include "app/thumbnail_cell.h"
#include "app/thumbnail_source.h"
#include "gallery/format_code.h"
#include "resources/resource.h"
#include "gallery/picture.h"
#include "winui/text.h"

namespace {

constexpr wchar_t kClassName[] = L"FotoloomThumbnailView";
constexpr UINT kCellMessage = WM_APP + 1;  // from the worker: wParam slot (or done), lParam HBITMAP
constexpr int kListId = 1;

// The menu image list: bitmap 131 cut into 16-pixel images, then the album icon 164.
constexpr UINT kMenuStrip = IDB_MENU_IMAGES;
constexpr UINT kAlbumIcon = IDI_ALBUM;
constexpr COLORREF kMenuMask = 0x7D7C7B;

}  // namespace

namespace {

// The frame's handle on the view: commands of the route go to the view's onCommand.
class ThumbViewerPane final : public winui::IView {
public:
    explicit ThumbViewerPane(CBuilderDoc& doc) : view(doc) {}
    HWND hwnd() const override { return view.hwnd(); }
    bool onCommand(UINT id, UINT) override { return view.onCommand(id); }
    CThumbViewerView view;
};

}  // namespace

std::unique_ptr<winui::IView> createThumbViewerView(CBuilderDoc& doc, HWND parent, int id)
{
    auto pane = std::make_unique<ThumbViewerPane>(doc);
    if (!pane->view.create(parent, id)) return nullptr;
    return pane;
}

CThumbViewerView::CThumbViewerView(CBuilderDoc& doc) : doc_(doc) { doc_.addObserver(this); }

CThumbViewerView::~CThumbViewerView()
{
    doc_.removeObserver(this);
    worker_.stop();
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    if (thumbnails_) ImageList_Destroy(thumbnails_);
}

bool CThumbViewerView::create(HWND parent, int id)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = windowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc)) return false;
    }
    window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    return window_ != nullptr && list_ != nullptr;
}

LRESULT CALLBACK CThumbViewerView::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<CThumbViewerView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CThumbViewerView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->stopWorker();
        self->window_ = self->list_ = nullptr;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return self->handle(msg, wParam, lParam);
}

LRESULT CThumbViewerView::handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: return onCreate() ? 0 : -1;
    case WM_SIZE:
        if (list_) MoveWindow(list_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (list_) SetFocus(list_);
        return 0;
    case WM_DESTROY: stopWorker(); return 0;
    case WM_NOTIFY: return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        onContextMenu(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    case kCellMessage: return onCell(wParam, reinterpret_cast<HBITMAP>(lParam));
    default: break;
    }
    return DefWindowProcW(window_, msg, wParam, lParam);
}

bool CThumbViewerView::onCreate()
{
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_ICON | LVS_SHOWSELALWAYS |
                                LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS,
                            0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!list_) return false;
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_DOUBLEBUFFER, LVS_EX_DOUBLEBUFFER);
    thumbnails_ = ImageList_Create(kCellWidth, kCellHeight, ILC_COLOR24, 0, 1);
    if (!thumbnails_) return false;
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(thumbnails_));
    SendMessageW(list_, LVM_SETICONSPACING, 0, MAKELPARAM(kCellWidth + 24, kCellHeight + 40));
    menuIcons_.load(GetModuleHandleW(nullptr), kMenuStrip, 16, kMenuMask, {kAlbumIcon});
    return true;
}

HWND CThumbViewerView::mainWindow() const { return window_ ? GetAncestor(window_, GA_ROOT) : nullptr; }

// --- rows -----------------------------------------------------------------------------------------

int CThumbViewerView::rowCount() const
{
    return list_ ? static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::vector<int> CThumbViewerView::selectedRows() const
{
    std::vector<int> rows;
    if (!list_) return rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
        rows.push_back(row);
    return rows;
}

std::wstring CThumbViewerView::rowLabel(int row) const
{
    wchar_t text[1024] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int CThumbViewerView::rowImage(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < rowSlot_.size() ? rowSlot_[static_cast<size_t>(row)] : -1;
}

void CThumbViewerView::setItemState(int row, UINT state, UINT mask)
{
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void CThumbViewerView::selectOnly(const std::vector<int>& rows)
{
    setItemState(-1, 0, LVIS_SELECTED);
    for (int r : rows)
        if (r >= 0 && r < rowCount()) setItemState(r, LVIS_SELECTED, LVIS_SELECTED);
}

int CThumbViewerView::hitTest(POINT client) const
{
    LVHITTESTINFO hit{};
    hit.pt = client;
    const int row = static_cast<int>(SendMessageW(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return row >= 0 && (hit.flags & LVHT_ONITEM) ? row : -1;
}

// --- rebuild and cells ----------------------------------------------------------------------------

void CThumbViewerView::currentAlbumChanged(int) { rebuild(); }

void CThumbViewerView::thumbnailsRebuild() { rebuild(); }

// A command sent by another thread (a task pane's) can arrive while the stop waits. Whatever it
// changes in the model, the rebuild it asks for is done after the stop, never nested in it.
void CThumbViewerView::stopWorker()
{
    if (stoppingWorker_) return;  // the stop under way waits for the same worker
    stoppingWorker_ = true;
    worker_.stop();
    stoppingWorker_ = false;
}

void CThumbViewerView::deleteAll()
{
    stopWorker();
    if (list_) SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    if (thumbnails_) ImageList_RemoveAll(thumbnails_);
    rowSlot_.clear();
    slotRemade_.clear();
}

// The rows with their labels appear at once; the pictures follow from the worker.
void CThumbViewerView::rebuild()
{
    if (stoppingWorker_) {
        rebuildPending_ = true;
        return;
    }
    deleteAll();
    rebuildPending_ = false;  // asked for during the stop: the model is read from here on
    if (!list_ || doc_.currentAlbumKey() == -1) return;

    std::vector<Image> album;
    for (size_t position : doc_.currentAlbumPositions()) album.push_back(doc_.images()[position]);
    const int count = static_cast<int>(album.size());

    ImageList_SetImageCount(thumbnails_, static_cast<UINT>(count));
    if (HBITMAP empty = makeEmptyCell()) {
        for (int i = 0; i < count; ++i) ImageList_Replace(thumbnails_, i, empty, nullptr);
        DeleteObject(empty);
    }
    rowSlot_.resize(album.size());
    slotRemade_.assign(album.size(), 0);

    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    for (int row = 0; row < count; ++row) {
        rowSlot_[static_cast<size_t>(row)] = row;
        std::wstring label = winui::widen(album[static_cast<size_t>(row)].comment);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = label.data();
        item.iImage = I_IMAGECALLBACK;
        SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    worker_.start(window_, kCellMessage, std::move(album));
}

LRESULT CThumbViewerView::onCell(WPARAM slot, HBITMAP cell)
{
    if (slot == kThumbnailsDone) {
        InvalidateRect(list_, nullptr, FALSE);
        if (SendMessageW(list_, LVM_GETSELECTIONMARK, 0, 0) == -1) SendMessageW(list_, LVM_SETSELECTIONMARK, 0, 0);
        return 0;
    }
    // A slot redrawn after a rotation keeps its newer picture.
    if (slot >= slotRemade_.size() || slotRemade_[slot] || !cell) return 0;
    ImageList_Replace(thumbnails_, static_cast<int>(slot), cell, nullptr);
    InvalidateRect(list_, nullptr, FALSE);
    return 0;
}

void CThumbViewerView::waitForThumbnails()
{
    while (worker_.running()) {
        MSG msg;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// After a rotation: redo the row's cell at once; a picture that does not load keeps the old one.
void CThumbViewerView::remakeCell(int row)
{
    const std::optional<size_t> position = doc_.galleryIndexOfRow(row);
    const int slot = rowImage(row);
    if (!position || slot < 0) return;
    // From the cache when it can: a turn is made from the cached unturned cell, without a decode.
    HBITMAP cell = makeCellOf(doc_.images()[*position], &sharedThumbnailCache());
    if (!cell) return;
    ImageList_Replace(thumbnails_, slot, cell, nullptr);
    DeleteObject(cell);
    slotRemade_[static_cast<size_t>(slot)] = 1;
    SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

void CThumbViewerView::thumbnailRowChanged(int row) { remakeCell(row); }

void CThumbViewerView::thumbnailLabelChanged(int row)
{
    const std::optional<size_t> position = doc_.galleryIndexOfRow(row);
    if (!position || row >= rowCount()) return;
    std::wstring label = winui::widen(doc_.images()[*position].comment);
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = label.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Labels and pictures trade places; selection and focus travel with the images.
void CThumbViewerView::thumbnailRowsSwapped(int upper, int lower)
{
    if (upper < 0 || lower >= rowCount() || static_cast<size_t>(lower) >= rowSlot_.size()) return;
    std::swap(rowSlot_[static_cast<size_t>(upper)], rowSlot_[static_cast<size_t>(lower)]);
    thumbnailLabelChanged(upper);
    thumbnailLabelChanged(lower);
    const UINT mask = LVIS_SELECTED | LVIS_FOCUSED;
    const UINT a = static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(upper), mask));
    const UINT b = static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(lower), mask));
    setItemState(upper, b, mask);
    setItemState(lower, a, mask);
    SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(upper), lower);
}

// The row that moves into the removed one's place becomes selected and focused.
void CThumbViewerView::thumbnailRowRemoved(int row)
{
    if (row < 0 || row >= rowCount()) return;
    SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    if (static_cast<size_t>(row) < rowSlot_.size()) rowSlot_.erase(rowSlot_.begin() + row);
    if (row < rowCount()) setItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    InvalidateRect(list_, nullptr, FALSE);
}

void CThumbViewerView::thumbnailSelectionSet(const std::vector<int>& rows) { selectOnly(rows); }

// --- notifications ---------------------------------------------------------------------------------

LRESULT CThumbViewerView::onNotify(const NMHDR& header)
{
    if (header.hwndFrom != list_) return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if (info.item.mask & LVIF_IMAGE) info.item.iImage = rowImage(info.item.iItem);
        return 0;
    }
    case NM_DBLCLK: {
        const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
        if (activate.iItem >= 0) comment();
        return 0;
    }
    default: return 0;
    }
}

void CThumbViewerView::onContextMenu(POINT screen)
{
    POINT client = screen;
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: at the focused thumbnail, or at the list's corner.
        const int focused = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        RECT r{};
        r.left = LVIR_ICON;
        if (focused < 0 || !SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&r)))
            r = RECT{4, 4, 4, 4};
        client = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        screen = client;
        ClientToScreen(list_, &screen);
    } else {
        ScreenToClient(list_, &client);
    }
    const bool overThumbnail = hitTest(client) >= 0;
    std::unique_ptr<COwnerMenu> menu = buildContextMenu(overThumbnail);
    const UINT id = menu->track(window_, screen);
    if (id) onContextCommand(id);
}

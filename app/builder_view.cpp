#include "app/builder_view.h"

#include <commctrl.h>

#include "app/album_dlg.h"
#include "app/art_scale.h"
#include "resources/resource.h"
#include "winui/dpi.h"
#include "winui/text.h"

namespace {

constexpr UINT kKeepSelection = WM_APP + 1;  // posted when a click left no row selected
constexpr int kInitialColumnWidth = 150;

}  // namespace

CBuilderView::CBuilderView(CBuilderDoc& doc) : doc_(doc) { doc_.addObserver(this); }

CBuilderView::~CBuilderView() { doc_.removeObserver(this); }

const winui::MessageMapBase* CBuilderView::messageMap() const
{
    static const auto map = winui::MessageMap<CBuilderView>()
                                .on<WM_CREATE>(&CBuilderView::onCreate)
                                .on<WM_SIZE>(&CBuilderView::onSize)
                                .on<WM_SETFOCUS>(&CBuilderView::onSetFocus)
                                .notify(IDC_ALBUM_LIST, LVN_ITEMCHANGED, &CBuilderView::onItemChanged)
                                .notify(IDC_ALBUM_LIST, NM_RCLICK, &CBuilderView::onRightClick)
                                .notify(IDC_ALBUM_LIST, LVN_KEYDOWN, &CBuilderView::onKeyDown)
                                .raw(kKeepSelection, &CBuilderView::onKeepSelection);
    return &map;
}

bool CBuilderView::create(HWND parent, int id)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    return createWindow(winui::WindowArgs{.className = L"FotoloomAlbumView",
                                          .classStyle = CS_DBLCLKS,
                                          .icon = LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME)),
                                          .parent = parent,
                                          .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                          .exStyle = WS_EX_CLIENTEDGE,
                                          .id = id,
                                          .width = 180,
                                          .height = 50});
}

bool CBuilderView::onCreate(const CREATESTRUCTW&)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS,
                            0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ALBUM_LIST)), instance,
                            nullptr);
    if (!list_) return false;
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    dpi_ = winui::dpiOf(hwnd());
    column.cx = winui::scaled(kInitialColumnWidth, dpi_);
    wchar_t header[] = L"Albums";
    column.pszText = header;
    if (SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)) != 0) return false;

    setIcons();
    albumsReset();
    currentAlbumChanged(doc_.selectedAlbum());
    return true;
}

// The album icon as drawn for the view's DPI.
void CBuilderView::setIcons()
{
    const int size = artFor(dpi_).menu;
    winui::UniqueImageList icons(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 1));
    if (!icons) return;
    winui::UniqueIcon album(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ALBUM), IMAGE_ICON, size, size, 0)));
    if (album) ImageList_AddIcon(icons.get(), album.get());
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(icons.get()));
    icons_ = std::move(icons);
}

void CBuilderView::applyDpi(int dpi)
{
    if (dpi == dpi_ || !list_) return;
    const int width = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, 0, 0));
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(MulDiv(width, dpi, dpi_), 0));
    dpi_ = dpi;
    setIcons();
}

void CBuilderView::onSize(UINT, SIZE client)
{
    if (!list_) return;
    MoveWindow(list_, 0, 0, client.cx, client.cy, TRUE);
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.cx, 0));
}

void CBuilderView::onSetFocus(HWND)
{
    if (list_) SetFocus(list_);
}

// --- the user selects ------------------------------------------------------------------------------

LRESULT CBuilderView::onItemChanged(const NMLISTVIEW& change)
{
    if (mirroring_ || !(change.uChanged & LVIF_STATE)) return 0;
    const bool was = (change.uOldState & LVIS_SELECTED) != 0, is = (change.uNewState & LVIS_SELECTED) != 0;
    if (is && !was && change.iItem >= 0)
        doc_.selectAlbum(change.iItem);
    else if (was && !is)
        // A click on empty space clears the list's selection; the current album stays, so the
        // row comes back once the click is over (unless another row took its place).
        PostMessageW(hwnd(), kKeepSelection, 0, 0);
    return 0;
}

LRESULT CBuilderView::onRightClick(const NMITEMACTIVATE& click)
{
    if (click.iItem < 0) return 0;
    doc_.selectAlbum(click.iItem);
    SetFocus(list_);
    return 0;
}

// Tab and Shift+Tab take the focus on to the next pane, as F6 and Shift+F6 do.
LRESULT CBuilderView::onKeyDown(const NMLVKEYDOWN& key)
{
    if (key.wVKey != VK_TAB || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return 0;
    const UINT pane = GetKeyState(VK_SHIFT) < 0 ? ID_PREV_PANE : ID_NEXT_PANE;
    SendMessageW(mainWindow(), WM_COMMAND, MAKEWPARAM(pane, 1), 0);
    return 0;
}

LRESULT CBuilderView::onKeepSelection(WPARAM, LPARAM)
{
    if (selectedRow() < 0 && doc_.selectedAlbum() >= 0) showSelection(doc_.selectedAlbum());
    return 0;
}

// --- mirroring the document --------------------------------------------------------------------------

void CBuilderView::insertRow(int row)
{
    std::wstring title = winui::widen(doc_.albums()[static_cast<size_t>(row)].title);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = title.data();
    item.iImage = 0;  // every row shows the album icon
    SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CBuilderView::albumsReset()
{
    if (!list_) return;
    mirroring_ = true;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    for (int row = 0; row < doc_.albumCount(); ++row) insertRow(row);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    mirroring_ = false;
}

void CBuilderView::albumInserted(int row)
{
    if (!list_) return;
    mirroring_ = true;
    insertRow(row);
    mirroring_ = false;
}

void CBuilderView::albumRemoved(int row)
{
    if (!list_) return;
    mirroring_ = true;
    SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    mirroring_ = false;
}

void CBuilderView::albumChanged(int row)
{
    if (!list_) return;
    std::wstring title = winui::widen(doc_.albums()[static_cast<size_t>(row)].title);
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = title.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void CBuilderView::currentAlbumChanged(int row)
{
    if (list_) showSelection(row);
}

void CBuilderView::showSelection(int row)
{
    mirroring_ = true;
    LVITEMW clear{};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    if (row >= 0) {
        LVITEMW select{};
        select.state = select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&select));
        SendMessageW(list_, LVM_SETSELECTIONMARK, 0, row);
        SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    mirroring_ = false;
}

int CBuilderView::selectedRow() const
{
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

HWND CBuilderView::mainWindow() const { return GetAncestor(hwnd(), GA_ROOT); }

// --- the album operations --------------------------------------------------------------------------

void CBuilderView::addAlbum()
{
    CAlbumDlg dialog("New album", "", true);
    if (!dialog.run(mainWindow())) return;
    // "After selected" with no album selected puts the album at the end.
    doc_.addAlbum(dialog.title(), dialog.caption(), dialog.position());
}

void CBuilderView::editAlbum()
{
    if (!doc_.requireSelectedAlbum()) return;
    const int row = doc_.selectedAlbum();
    const Album& album = doc_.albums()[static_cast<size_t>(row)];
    CAlbumDlg dialog(album.title, album.caption, false);
    if (dialog.run(mainWindow())) doc_.editAlbum(row, dialog.title(), dialog.caption());
}

void CBuilderView::copyAlbum()
{
    if (!doc_.requireSelectedAlbum()) return;
    const Album& album = doc_.albums()[static_cast<size_t>(doc_.selectedAlbum())];
    CAlbumDlg dialog(album.title, album.caption, false);
    if (dialog.run(mainWindow())) doc_.copyAlbum(dialog.title(), dialog.caption());
}

void CBuilderView::removeAlbum()
{
    if (doc_.requireSelectedAlbum()) doc_.removeAlbum(doc_.selectedAlbum());
}

void CBuilderView::moveAlbumUp()
{
    if (doc_.requireSelectedAlbum()) doc_.moveAlbumUp(doc_.selectedAlbum());
}

void CBuilderView::moveAlbumDown()
{
    if (doc_.requireSelectedAlbum()) doc_.moveAlbumDown(doc_.selectedAlbum());
}

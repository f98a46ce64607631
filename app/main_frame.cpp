// The main frame's creation, layout, title and close.

#include "app/main_frame.h"

#include <commctrl.h>

#include <algorithm>

#include "app/art_scale.h"
#include "app/views.h"
#include "resources/resource.h"
#include "winui/dpi.h"
#include "winui/text.h"

namespace {

// Sizes at 96 DPI.
constexpr int kAlbumPaneWidth = 180;
// Sent by newer systems to each child after its top-level window changed DPI.
constexpr UINT kDpiChangedAfterParent = 0x02E3;
// The smallest window: the task pane, the album list and a column of thumbnails side by side,
// and room for a few rows of each.
constexpr SIZE kMinimumSize{640, 480};

// The toolbar's pictures, in the order of its buttons.
constexpr UINT kToolBarIcons[] = {
    IDI_TB_NEW,        IDI_TB_OPEN,          IDI_TB_SAVE,        IDI_TB_ADD_ALBUM,   IDI_TB_EDIT_ALBUM,
    IDI_TB_COPY_ALBUM, IDI_TB_REMOVE_ALBUM,  IDI_TB_ALBUM_UP,    IDI_TB_ALBUM_DOWN,  IDI_TB_ADD_IMAGES,
    IDI_TB_ADD_FOLDER, IDI_TB_IMAGES_UP,     IDI_TB_IMAGES_DOWN, IDI_TB_ROTATE_LEFT, IDI_TB_ROTATE_RIGHT,
    IDI_TB_COMMENT,    IDI_TB_REMOVE_IMAGES, IDI_TB_TITLE,       IDI_TB_VIEW,
};

constexpr winui::StatusIndicator kIndicators[] = {
    {IDS_INDICATOR_CAPS, VK_CAPITAL},
    {IDS_INDICATOR_NUM, VK_NUMLOCK},
    {IDS_INDICATOR_SCRL, VK_SCROLL},
};

HICON loadIcon(UINT id, int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

}  // namespace

CMainFrame::CMainFrame(CBuilderDoc& doc, RecentList& recent) : doc_(doc), recent_(recent) { doc_.addObserver(this); }

CMainFrame::~CMainFrame()
{
    doc_.removeObserver(this);
    // The views go before their windows' parent does.
    if (hwnd()) DestroyWindow(hwnd());
}

bool CMainFrame::create(winui::ICommandTarget* application)
{
    setRoute(&documentCommands_, application);
    // A plain class: no cursor, background or icon of its own; the children cover the client.
    return createWindow(winui::WindowArgs{.className = L"FotoloomMainFrame",
                                          .cursor = nullptr,
                                          .text = L"Fotoloom",
                                          .style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                          .menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)),
                                          .x = CW_USEDEFAULT,
                                          .y = CW_USEDEFAULT,
                                          .width = CW_USEDEFAULT,
                                          .height = CW_USEDEFAULT});
}

bool CMainFrame::onCreate(const CREATESTRUCTW&)
{
    dpi_ = winui::dpiOf(hwnd());
    if (!createClient()) return false;
    if (!toolBar_.create(hwnd(), IDW_TOOLBAR, IDR_MAINFRAME)) return false;
    if (!statusBar_.create(hwnd(), IDW_STATUS_BAR, kIndicators)) return false;
    if (!createTaskPaneBar()) return false;
    if (!createToolBarImages()) return false;
    setWindowIcons();
    taskPane_.addGroups(hwnd(), GetModuleHandleW(nullptr));
    setBars(&toolBar_, &statusBar_, IDS_READY);
    onIdle();
    return true;
}

bool CMainFrame::createClient()
{
    if (!splitter_.create(hwnd(), IDW_SPLITTER, kAlbumPaneWidth)) return false;
    splitter_.applyDpi(winui::kBaseDpi, dpi_);
    albumView_ = std::make_unique<CBuilderView>(doc_);
    if (!albumView_->create(splitter_.hwnd(), IDW_PANE_ALBUMS)) return false;
    thumbnailView_ = createThumbViewerView(doc_, splitter_.hwnd(), IDW_PANE_THUMBNAILS);
    if (!thumbnailView_) return false;
    splitter_.setPanes(albumView_->hwnd(), thumbnailView_->hwnd());
    addView(albumView_.get());
    addView(thumbnailView_.get());
    setActiveView(thumbnailView_.get());
    return true;
}

void CMainFrame::setWindowIcons()
{
    largeIcon_.reset(loadIcon(IDR_MAINFRAME, winui::systemMetric(SM_CXICON, dpi_)));
    smallIcon_.reset(loadIcon(IDR_MAINFRAME, winui::systemMetric(SM_CXSMICON, dpi_)));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

bool CMainFrame::createToolBarImages()
{
    const int size = artFor(dpi_).toolBar;
    winui::UniqueImageList images(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 1));
    winui::UniqueImageList disabled(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 1));
    if (!images || !disabled) return false;
    for (UINT id : kToolBarIcons) {
        winui::UniqueIcon icon(loadIcon(id, size));
        if (!icon || ImageList_AddIcon(images.get(), icon.get()) < 0) return false;
        // A greyed button must look greyed; not every system derives that from a 32-bit image.
        winui::UniqueIcon faded = winui::fadedIcon(icon.get());
        ImageList_AddIcon(disabled.get(), faded ? faded.get() : icon.get());
    }
    // The toolbar lets go of the old lists before they are destroyed.
    toolBar_.setImageLists(images.get(), disabled.get());
    toolBarImages_ = std::move(images);
    disabledToolBarImages_ = std::move(disabled);
    return true;
}

void CMainFrame::onDpiChanged(int dpi, const RECT& suggested)
{
    if (dpi <= 0) return;
    const int old = dpi_;
    dpi_ = dpi;
    toolBar_.applyDpi(dpi);
    createToolBarImages();
    statusBar_.applyDpi(dpi);
    splitter_.applyDpi(old, dpi);
    taskPane_.bar().applyDpi(old, dpi);
    taskPane_.applyDpi(GetModuleHandleW(nullptr), dpi);
    albumView_->applyDpi(dpi);
    thumbnailView_->applyDpi(dpi);
    setWindowIcons();
    // The system's suggestion keeps the window where it was on the new monitor, at the new size;
    // the children are laid out again even when that size does not change.
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT client = winui::clientRect(hwnd());
    onSize(SIZE_RESTORED, SIZE{client.right, client.bottom});
    // The task pane runs on a thread of its own: it is told (as newer systems tell every child)
    // and makes its fonts and sizes again on that thread. A second notice for the same DPI does
    // nothing.
    if (HWND pane = taskPane_.pane(); pane && IsWindow(pane)) PostMessageW(pane, kDpiChangedAfterParent, 0, 0);
}

bool CMainFrame::createTaskPaneBar()
{
    if (!taskPane_.createBar(hwnd()) || !taskPane_.createImageLists(GetModuleHandleW(nullptr), dpi_)) return false;
    taskPane_.onEscape = [this] { leaveTaskPane(); };
    // The bar's edge is dragged to a new width: the frame lays its children out for it.
    taskPane_.bar().onResized = [this] {
        const RECT client = winui::clientRect(hwnd());
        onSize(SIZE_RESTORED, SIZE{client.right, client.bottom});
    };
    return true;
}

void CMainFrame::onSize(UINT type, SIZE client)
{
    if (type == SIZE_MINIMIZED || !splitter_.hwnd()) return;
    const int top = toolBar_.layout();
    const int bottom = client.cy - statusBar_.layout();
    const int height = std::max(bottom - top, 0);
    // The bar's own width (320 until its edge is dragged), leaving the album pane its room.
    const int barWidth =
        std::clamp<int>(client.cx - winui::scaled(kAlbumPaneWidth, dpi_), 0, taskPane_.bar().layoutSize().cx);
    MoveWindow(taskPaneBar(), 0, top, barWidth, height, TRUE);
    MoveWindow(splitter_.hwnd(), barWidth, top, client.cx - barWidth, height, TRUE);
}

void CMainFrame::onGetMinMaxInfo(MINMAXINFO& info)
{
    info.ptMinTrackSize.x = std::max<LONG>(info.ptMinTrackSize.x, winui::scaled(kMinimumSize.cx, dpi_));
    info.ptMinTrackSize.y = std::max<LONG>(info.ptMinTrackSize.y, winui::scaled(kMinimumSize.cy, dpi_));
}

void CMainFrame::setTitle(const std::string& fileTitle)
{
    const std::wstring title = fileTitle.empty() ? std::wstring(L"Fotoloom") : L"Fotoloom - " + winui::widen(fileTitle);
    SetWindowTextW(hwnd(), title.c_str());
}

void CMainFrame::albumsReset()
{
    if (hwnd()) setTitle("");
}

void CMainFrame::onClose()
{
    if (offerToSave()) DestroyWindow(hwnd());
}

void CMainFrame::onDestroy()
{
    // Children hear WM_DESTROY after their parent: the task pane's bar, whose end waits for the
    // pane's thread while dispatching messages, goes first, so the quit posted below is the last
    // thing this thread's queue sees before its loop.
    if (HWND bar = taskPaneBar(); bar && IsWindow(bar)) DestroyWindow(bar);
    // The program ends with its main window.
    if (onClosed) onClosed();
}

// The thumbnail view's window, its list of rows and the cells the worker hands in.

#include "app/thumb_viewer_view.h"

#include <commctrl.h>

#include <algorithm>

#include "app/art_scale.h"
#include "app/thumbnail_cell.h"
#include "app/thumbnail_source.h"
#include "app/views.h"
#include "resources/resource.h"
#include "winui/dpi.h"
#include "winui/text.h"

namespace {

constexpr UINT kArrangeMessage = WM_APP + 2;  // posted after rows left the list
constexpr UINT kRemadeMessage = WM_APP + 3;   // posted when cells made again after an edit are ready
constexpr int kListId = 1;

// The rows that keep their cells: those on the screen and this many screens' worth either side.
constexpr int kScreensAround = 2;
// The one empty cell, first in the image list.
constexpr int kEmptyEntry = 0;

// The menu image list: the strip of menu pictures for the DPI, then the album icon 164.
constexpr UINT kAlbumIcon = IDI_ALBUM;
constexpr COLORREF kMenuMask = 0x7D7C7B;

}  // namespace

std::unique_ptr<winui::IView> createThumbViewerView(CBuilderDoc& doc, HWND parent, int id)
{
    auto view = std::make_unique<CThumbViewerView>(doc);
    if (!view->create(parent, id)) return nullptr;
    return view;
}

CThumbViewerView::CThumbViewerView(CBuilderDoc& doc) : doc_(doc), cache_(&sharedThumbnailCache())
{
    worker_.setCache(cache_);
    remaker_.setCache(cache_);
    doc_.addObserver(this);
}

void CThumbViewerView::setThumbnailCache(ThumbnailCache* cache)
{
    cache_ = cache;
    worker_.setCache(cache);
    remaker_.setCache(cache);
}

CThumbViewerView::~CThumbViewerView()
{
    doc_.removeObserver(this);
    stopWorker();
    // The list goes before the thumbnails it borrows.
    if (HWND window = hwnd()) {
        detach();
        DestroyWindow(window);
    }
}

const winui::MessageMapBase* CThumbViewerView::messageMap() const
{
    static const auto map = winui::MessageMap<CThumbViewerView>()
                                .on<WM_CREATE>(&CThumbViewerView::onCreate)
                                .on<WM_SIZE>(&CThumbViewerView::onSize)
                                .on<WM_SETFOCUS>(&CThumbViewerView::onSetFocus)
                                .on<WM_DESTROY>(&CThumbViewerView::onDestroy)
                                .on<WM_CONTEXTMENU>(&CThumbViewerView::onContextMenu)
                                .raw(kCellMessage, &CThumbViewerView::onCell)
                                .raw(kArrangeMessage, &CThumbViewerView::onArrange)
                                .raw(kRemadeMessage, &CThumbViewerView::onRemade)
                                .notifyAnswer(kListId, LVN_GETDISPINFOW, &CThumbViewerView::onGetDispInfo)
                                .notifyAnswer(kListId, LVN_GETINFOTIPW, &CThumbViewerView::onGetInfoTip)
                                .notify(kListId, NM_DBLCLK, &CThumbViewerView::onDoubleClick)
                                .notify(kListId, LVN_KEYDOWN, &CThumbViewerView::onKeyDown)
                                .notifyAnswer(kListId, NM_CUSTOMDRAW, &CThumbViewerView::onCustomDraw);
    return &map;
}

bool CThumbViewerView::create(HWND parent, int id)
{
    return createWindow(winui::WindowArgs{.className = L"FotoloomThumbnailView",
                                          .parent = parent,
                                          .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                          .id = id}) &&
           list_ != nullptr;
}

bool CThumbViewerView::onCreate(const CREATESTRUCTW&)
{
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_ICON | LVS_SHOWSELALWAYS |
                                LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS,
                            0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!list_) return false;
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP,
                 LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
    // The focus is shown from the start, not only once the keyboard has been used.
    SendMessageW(list_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    remaker_.setTarget(hwnd(), kRemadeMessage);
    return setUpForDpi(winui::dpiOf(hwnd()));
}

// Cells as large as the view draws them, so a high screen scale gets sharp pictures; the menu's
// pictures drawn for the scale.
bool CThumbViewerView::setUpForDpi(int dpi)
{
    dpi_ = dpi;
    cell_ = cellSizeForDpi(dpi);
    worker_.setCellSize(cell_);
    remaker_.setCellSize(cell_);
    winui::UniqueImageList cells(ImageList_Create(cell_.width, cell_.height, ILC_COLOR24, 0, 1));
    if (!cells) return false;
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(cells.get()));
    thumbnails_ = std::move(cells);
    SendMessageW(list_, LVM_SETICONSPACING, 0,
                 MAKELPARAM(cell_.width + winui::scaled(24, dpi), cell_.height + winui::scaled(40, dpi)));
    const ArtSet& art = artFor(dpi);
    menuIcons_.load(GetModuleHandleW(nullptr), art.menuStrip, art.menu, kMenuMask, {kAlbumIcon});
    return true;
}

void CThumbViewerView::applyDpi(int dpi)
{
    if (dpi == dpi_ || !list_) return;
    // The cells are made again at their new size; the selection stays.
    const std::vector<int> selected = selectedRows();
    deleteAll();
    setUpForDpi(dpi);
    rebuild();
    selectOnly(selected);
}

void CThumbViewerView::onSize(UINT, SIZE client)
{
    if (!list_) return;
    MoveWindow(list_, 0, 0, client.cx, client.cy, TRUE);
    keepNear();
}

void CThumbViewerView::onSetFocus(HWND)
{
    if (list_) SetFocus(list_);
}

void CThumbViewerView::onDestroy()
{
    stopWorker();
    remaker_.stop();
}

void CThumbViewerView::onFinalMessage()
{
    stopWorker();
    remaker_.stop();
    list_ = nullptr;
}

HWND CThumbViewerView::mainWindow() const { return hwnd() ? GetAncestor(hwnd(), GA_ROOT) : nullptr; }

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

int CThumbViewerView::rowSlot(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < rowSlot_.size() ? rowSlot_[static_cast<size_t>(row)] : -1;
}

// The row that shows a slot: the same number unless rows were moved or removed since the rebuild.
int CThumbViewerView::rowOfSlot(size_t slot) const { return slot < slotRow_.size() ? slotRow_[slot] : -1; }

int CThumbViewerView::rowImage(int row) const
{
    const int slot = rowSlot(row);
    if (slot < 0) return -1;
    const int entry = slotEntry_[static_cast<size_t>(slot)];
    return entry >= 0 ? entry : kEmptyEntry;
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
    remaker_.clear();
    if (list_) SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    if (thumbnails_) ImageList_RemoveAll(thumbnails_.get());
    rowSlot_.clear();
    slotRow_.clear();
    slotEntry_.clear();
    entrySlot_.clear();
    freeEntries_.clear();
    heldCells_ = 0;
    slotHanded_.clear();
    slotAsked_.clear();
    nearFirst_ = 0;
    nearLast_ = -1;
    slotRemade_.clear();
    slotProblem_.clear();
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

    // The empty cell that every row shows until its own is drawn: a large album's rows appear
    // without a cell drawn for each first. The entries for the cells come once the rows are laid
    // out and it is known how many are near the screen.
    ImageList_SetImageCount(thumbnails_.get(), 1);
    if (winui::UniqueBitmap empty{makeEmptyCell(cell_)})
        ImageList_Replace(thumbnails_.get(), kEmptyEntry, empty.get(), nullptr);
    entrySlot_.assign(1, -1);
    rowSlot_.resize(album.size());
    slotRow_.resize(album.size());
    slotEntry_.assign(album.size(), -1);
    slotHanded_.assign(album.size(), 0);
    slotAsked_.assign(album.size(), 0);
    slotRemade_.assign(album.size(), 0);
    slotProblem_.assign(album.size(), CellProblem::None);

    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    for (int row = 0; row < count; ++row) {
        rowSlot_[static_cast<size_t>(row)] = row;
        slotRow_[static_cast<size_t>(row)] = row;
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
    keepNear();
    // As many entries as rows are near now: the first screen's cells go in without a regrowth.
    if (nearLast_ >= nearFirst_) {
        const int entries = nearLast_ - nearFirst_ + 1;
        ImageList_SetImageCount(thumbnails_.get(), static_cast<UINT>(entries + 1));
        for (int entry = entries; entry >= 1; --entry) freeEntries_.push_back(entry);
        entrySlot_.resize(static_cast<size_t>(entries) + 1, -1);
    }
    worker_.start(hwnd(), kCellMessage, std::move(album));
}

// --- the rows near the screen ---------------------------------------------------------------------

// Rows are laid out in their order, line after line, so the first and the last row on the screen
// are each found by halving.
std::pair<int, int> CThumbViewerView::rowsOnScreen() const
{
    const int count = rowCount();
    RECT client{};
    if (count == 0 || !GetClientRect(list_, &client) || client.right <= 0 || client.bottom <= 0) return {0, -1};
    auto bounds = [&](int row) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        return r;
    };
    int low = 0, high = count;  // the first row that ends below the top
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (bounds(middle).bottom <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    const int first = low;
    high = count;  // the first row that begins below the bottom
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (bounds(middle).top < client.bottom)
            low = middle + 1;
        else
            high = middle;
    }
    return {first, low - 1};
}

bool CThumbViewerView::isNear(size_t slot) const
{
    const int row = rowOfSlot(slot);
    return row >= nearFirst_ && row <= nearLast_;
}

// Called whenever the list may have scrolled (every paint), after a resize, and once rows closed
// up: cells of rows gone far are given back, those of rows come near are asked for, the rows on
// the screen first.
void CThumbViewerView::keepNear()
{
    if (!list_ || stoppingWorker_ || rebuildPending_) return;  // the rows are about to be made again
    const auto [first, last] = rowsOnScreen();
    if (last < first) return;  // no rows, or no room to show them (minimised): nothing changes
    const int screen = last - first + 1;
    nearFirst_ = std::max(0, first - kScreensAround * screen);
    nearLast_ = std::min(rowCount() - 1, last + kScreensAround * screen);

    for (size_t entry = 1; entry < entrySlot_.size(); ++entry)
        if (const int slot = entrySlot_[entry]; slot >= 0 && !isNear(static_cast<size_t>(slot)))
            releaseCell(static_cast<size_t>(slot));
    for (size_t slot = 0; slot < slotAsked_.size(); ++slot)
        if (slotAsked_[slot] && !isNear(slot)) forgetAsked(slot);

    auto want = [&](int row) {
        const int slot = rowSlot(row);
        if (slot < 0) return;
        const auto s = static_cast<size_t>(slot);
        // A cell the worker has still to hand comes from it; one already handed is made again.
        if (slotEntry_[s] < 0 && !slotAsked_[s] && (slotHanded_[s] || slotRemade_[s])) askFor(s);
    };
    for (int row = first; row <= last; ++row) want(row);
    for (int row = last + 1; row <= nearLast_; ++row) want(row);
    for (int row = first - 1; row >= nearFirst_; --row) want(row);
}

// The slot's cell made again (the image as the model has it now), by the remaker.
void CThumbViewerView::askFor(size_t slot)
{
    const std::optional<size_t> position = doc_.galleryIndexOfRow(rowOfSlot(slot));
    if (!position) return;
    slotAsked_[slot] = 1;
    remaker_.request(slot, doc_.images()[*position]);
}

void CThumbViewerView::forgetAsked(size_t slot)
{
    remaker_.forget(slot);
    slotAsked_[slot] = 0;
}

// The slot's cell goes into its entry, or into one lent to it now.
void CThumbViewerView::holdCell(size_t slot, HBITMAP bitmap)
{
    int entry = slotEntry_[slot];
    if (entry < 0) {
        if (freeEntries_.empty()) {
            // More rows are near than there are entries: half as many again, never more than rows.
            const int entries = static_cast<int>(entrySlot_.size()) - 1;
            const int more =
                std::min(std::max(entries / 2, 8), std::max(1, static_cast<int>(slotEntry_.size()) - entries));
            if (!ImageList_SetImageCount(thumbnails_.get(), static_cast<UINT>(entries + more + 1))) return;
            for (int added = entries + more; added > entries; --added) freeEntries_.push_back(added);
            entrySlot_.resize(static_cast<size_t>(entries + more) + 1, -1);
        }
        entry = freeEntries_.back();
        freeEntries_.pop_back();
        entrySlot_[static_cast<size_t>(entry)] = static_cast<int>(slot);
        slotEntry_[slot] = entry;
        ++heldCells_;
    }
    ImageList_Replace(thumbnails_.get(), entry, bitmap, nullptr);
    // Only the row that shows it is drawn again (and only if it is on the screen), not the screen.
    if (const int row = rowOfSlot(slot); row >= 0)
        SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
}

void CThumbViewerView::releaseCell(size_t slot)
{
    const int entry = slotEntry_[slot];
    if (entry < 0) return;
    entrySlot_[static_cast<size_t>(entry)] = -1;
    freeEntries_.push_back(entry);
    slotEntry_[slot] = -1;
    --heldCells_;
}

LRESULT CThumbViewerView::onCell(WPARAM slot, LPARAM lParam)
{
    if (slot == kThumbnailsDone) {
        InvalidateRect(list_, nullptr, FALSE);
        if (SendMessageW(list_, LVM_GETSELECTIONMARK, 0, 0) == -1) SendMessageW(list_, LVM_SETSELECTIONMARK, 0, 0);
        return 0;
    }
    const auto* cell = reinterpret_cast<const ThumbnailCell*>(lParam);
    // A slot redrawn after a rotation keeps its newer picture.
    if (slot >= slotRemade_.size() || slotRemade_[slot] || !cell || !cell->bitmap) return 0;
    slotHanded_[slot] = 1;
    slotProblem_[slot] = cell->problem;
    if (isNear(slot)) holdCell(slot, cell->bitmap.get());  // a row far away has it made again when it comes near
    return 0;
}

bool CThumbViewerView::waitForThumbnails(DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    // A slice of at most `most` ms that never reaches past the deadline.
    auto slice = [&](DWORD most) {
        const ULONGLONG now = GetTickCount64();
        return now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, most));
    };
    while (worker_.running()) {
        if (GetTickCount64() >= deadline) return false;
        MSG msg;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice(50), QS_SENDMESSAGE);
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    // Then the cells made again after edits: only their own message is taken from the queue.
    for (;;) {
        const bool busy = remaker_.busy();
        MSG msg;
        while (PeekMessageW(&msg, hwnd(), kRemadeMessage, kRemadeMessage, PM_REMOVE)) DispatchMessageW(&msg);
        if (!busy) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice(20), QS_POSTMESSAGE);
    }
}

// After a rotation: the row's cell is made again by the remaker (a picture that no longer loads
// gets the mark). Until it arrives the row keeps what it shows; a late cell of the album's worker,
// made before the edit, is stale from now on. A row far from the screen has it made once it comes
// near.
void CThumbViewerView::remakeCell(int row)
{
    const int slot = rowSlot(row);
    if (slot < 0 || !doc_.galleryIndexOfRow(row)) return;
    const auto s = static_cast<size_t>(slot);
    slotRemade_[s] = 1;
    if (isNear(s))
        askFor(s);
    else if (slotAsked_[s])
        forgetAsked(s);
}

LRESULT CThumbViewerView::onRemade(WPARAM, LPARAM)
{
    for (CThumbnailRemaker::Remade& remade : remaker_.take()) {
        if (remade.slot >= slotEntry_.size()) continue;
        slotAsked_[remade.slot] = 0;
        slotProblem_[remade.slot] = remade.cell.problem;
        if (isNear(remade.slot)) holdCell(remade.slot, remade.cell.bitmap.get());
    }
    return 0;
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
    slotRow_[static_cast<size_t>(rowSlot_[static_cast<size_t>(upper)])] = upper;
    slotRow_[static_cast<size_t>(rowSlot_[static_cast<size_t>(lower)])] = lower;
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
    if (static_cast<size_t>(row) < rowSlot_.size()) {
        const auto gone = static_cast<size_t>(rowSlot_[static_cast<size_t>(row)]);
        releaseCell(gone);
        if (slotAsked_[gone]) forgetAsked(gone);
        slotRow_[gone] = -1;
        rowSlot_.erase(rowSlot_.begin() + row);
        for (size_t later = static_cast<size_t>(row); later < rowSlot_.size(); ++later)
            slotRow_[static_cast<size_t>(rowSlot_[later])] = static_cast<int>(later);
    }
    if (row < rowCount()) setItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    arrangeSoon();
}

// The list leaves a hole where a row was deleted; the rows behind it close up once, after the
// whole operation (a removal of many rows arrives row by row).
void CThumbViewerView::arrangeSoon()
{
    if (arrangePending_ || !hwnd()) return;
    arrangePending_ = PostMessageW(hwnd(), kArrangeMessage, 0, 0) != 0;
}

LRESULT CThumbViewerView::onArrange(WPARAM, LPARAM)
{
    arrangePending_ = false;
    if (list_) SendMessageW(list_, LVM_ARRANGE, LVA_DEFAULT, 0);
    keepNear();  // rows moved up into the neighbourhood
    return 0;
}

void CThumbViewerView::thumbnailSelectionSet(const std::vector<int>& rows) { selectOnly(rows); }

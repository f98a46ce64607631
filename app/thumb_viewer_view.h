#pragma once
// CThumbViewerView: the right pane of the main window. A large-icon list of the current album's
// images, 100 x 90 thumbnails labelled with their comments, several selectable; the image
// operations run from here whatever their source (menu, toolbar, task link, context menu,
// double click, keys: Delete removes, Enter comments, Ctrl+A selects all, Tab and Shift+Tab go
// to the next and previous pane). A picture that cannot be shown gets the missing-picture mark
// and a tooltip that says why.
//
// The view mirrors the document: it observes CBuilderDoc and changes its rows only when told
// (rebuild, row swapped, removed, relabelled, selection set). Thumbnails come from a worker
// thread (thumbnail_worker.h) working on its own copy of the album, so the model can change
// while it runs: a cell belongs to an image slot, and a row maps to its slot, so swaps and
// removals never move a late cell onto the wrong row.
//
// Only the rows near the screen hold their cell: those on it and two screens' worth either side.
// A cell that arrives for a row further away is let go (the cache keeps its picture), and a row
// that leaves the neighbourhood gives its cell back; when it comes near again its cell is made
// again off this thread, its row showing the empty cell meanwhile. So a long album at a high
// scale holds a few hundred cells, not one per picture.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/owner_menu_icons.h"
#include "app/thumbnail_remaker.h"
#include "app/thumbnail_worker.h"
#include "gallery/builder_doc.h"
#include "winui/handles.h"
#include "winui/window.h"

class COwnerMenu;
class ThumbnailCache;

// What the image operations ask of the user beyond message boxes; the program shows the
// system dialogs, tests answer in their place.
class IImageAsker {
public:
    virtual ~IImageAsker() = default;
    // "Open image file": the chosen files in dialog order, empty when cancelled.
    virtual std::vector<std::string> imageFiles(HWND owner) = 0;
    // "Choose folder...": the chosen folder, nothing when cancelled.
    virtual std::optional<std::string> folder(HWND owner) = 0;
    // The image comment dialog for one image: the new comment, nothing when cancelled.
    virtual std::optional<std::string> comment(HWND owner, const Image& image) = 0;
};

class CThumbViewerView : public winui::CWindow, public IDocObserver {
public:
    // The worker's message to the view (thumbnail_worker.h); a measuring host may watch it.
    static constexpr UINT kCellMessage = WM_APP + 1;

    explicit CThumbViewerView(CBuilderDoc& doc);
    ~CThumbViewerView() override;

    // Creates the view window (and its list) as a child of `parent`.
    bool create(HWND parent, int id);
    HWND list() const { return list_; }
    // The view now shows at `dpi`: larger cells and menu pictures, its rows drawn again.
    void applyDpi(int dpi) override;
    void setAsker(IImageAsker* asker);  // null restores the system dialogs
    // Where the cells are cached from the next rebuild: the user's own cache (sharedThumbnailCache)
    // unless set; null caches nothing.
    void setThumbnailCache(ThumbnailCache* cache);

    // Runs an image command arriving on the route (menu, toolbar, task link) and the
    // new-document command (Ctrl+N, which only empties the view); false for any other id.
    bool onCommand(UINT id);
    bool onCommand(UINT id, UINT) override { return onCommand(id); }
    // Runs an id of this view's own context menu (200..207, 300 + album, 3000 + album);
    // these overlap other commands, so they never come from the route.
    bool onContextCommand(UINT id);

    // The context menu for a point of the list's client area (over a thumbnail or not).
    std::unique_ptr<COwnerMenu> buildContextMenu(bool overThumbnail);
    HIMAGELIST menuImages() const { return menuIcons_.handle(); }

    // Rows, for the document and for tests.
    std::vector<int> selectedRows() const;  // ascending
    int rowCount() const;
    std::wstring rowLabel(int row) const;
    int rowImage(int row) const;  // index in the thumbnail image list
    HIMAGELIST thumbnails() const { return thumbnails_.get(); }
    CellSize cellSize() const { return cell_; }
    // Why row's picture is not shown (None when it is, or not made yet).
    CellProblem rowProblem(int row) const;
    // The tooltip of a row: why its picture is not shown, with the path; empty when it is.
    std::wstring rowTip(int row) const;
    // How many rows hold a cell of their own now (the rest show the empty cell).
    int heldCells() const { return heldCells_; }
    // Waits until the worker has drawn every cell it will draw (serving its messages); false when
    // that takes longer than `timeoutMs` (the worker goes on, and stops with the view as ever).
    [[nodiscard]] bool waitForThumbnails(DWORD timeoutMs = 30000);
    bool workerRunning() const { return worker_.running(); }
    // True while cells asked for after an edit are still being made.
    bool remaking() { return remaker_.busy(); }

    // --- IDocObserver --------------------------------------------------------------------------
    void currentAlbumChanged(int row) override;
    void thumbnailsRebuild() override;
    void thumbnailRowChanged(int row) override;
    void thumbnailLabelChanged(int row) override;
    void thumbnailRowsSwapped(int upper, int lower) override;
    void thumbnailRowRemoved(int row) override;
    void thumbnailSelectionSet(const std::vector<int>& rows) override;

protected:
    const winui::MessageMapBase* messageMap() const override;
    void onFinalMessage() override;

private:
    bool onCreate(const CREATESTRUCTW& cs);
    bool setUpForDpi(int dpi);
    void onSize(UINT type, SIZE client);
    void onSetFocus(HWND lost);
    void onDestroy();
    void onContextMenu(HWND clicked, POINT screen);
    LRESULT onCell(WPARAM slot, LPARAM cell);
    LRESULT onRemade(WPARAM, LPARAM);
    LRESULT onArrange(WPARAM, LPARAM);
    LRESULT onGetDispInfo(NMLVDISPINFOW& info);
    LRESULT onGetInfoTip(NMLVGETINFOTIPW& tip);
    LRESULT onDoubleClick(const NMITEMACTIVATE& activate);
    LRESULT onKeyDown(const NMLVKEYDOWN& key);
    LRESULT onCustomDraw(NMLVCUSTOMDRAW& draw);

    void rebuild();
    void deleteAll();
    void stopWorker();
    void remakeCell(int row);
    void selectOnly(const std::vector<int>& rows);
    void arrangeSoon();
    void setItemState(int row, UINT state, UINT mask);
    int hitTest(POINT client) const;
    int rowSlot(int row) const;
    int rowOfSlot(size_t slot) const;          // -1 when its row is gone
    std::pair<int, int> rowsOnScreen() const;  // first and last; last < first when none
    void keepNear();
    bool isNear(size_t slot) const;
    void askFor(size_t slot);
    void forgetAsked(size_t slot);
    void holdCell(size_t slot, HBITMAP bitmap);
    void releaseCell(size_t slot);
    HWND mainWindow() const;

    // The image operations of the commands.
    void addImages();
    void addFolder();
    void moveUp();
    void moveDown();
    void rotate(int degrees);
    void comment();
    void remove();
    void moveToAlbum(int album);
    void copyToAlbum(int album);
    std::vector<int> collectRows() const { return doc_.collectSelectedRows(selectedRows()); }

    CBuilderDoc& doc_;
    HWND list_ = nullptr;
    int dpi_ = 96;   // of the view's window
    CellSize cell_;  // 100 x 90 at 96 DPI, larger as the view's DPI asks
    // Each image of the rebuild has a slot; the cells are entries of thumbnails_, entry 0 the one
    // empty cell that every row shows until its own is in, the others lent to the slots near the
    // screen (the list grows when more are near at once than it has).
    winui::UniqueImageList thumbnails_;
    COwnerMenuIcons menuIcons_;   // the menu strip for the DPI, then the album icon
    std::vector<int> rowSlot_;    // row -> slot
    std::vector<int> slotRow_;    // slot -> row, -1 once removed
    std::vector<int> slotEntry_;  // slot -> its cell in thumbnails_, -1 while it has none
    std::vector<int> entrySlot_;  // entry -> the slot it is lent to, -1 when free
    std::vector<int> freeEntries_;
    int heldCells_ = 0;
    std::vector<char> slotHanded_;          // the worker has handed (or passed) the slot's cell
    std::vector<char> slotAsked_;           // the slot's cell is being made again
    int nearFirst_ = 0, nearLast_ = -1;     // the rows that keep their cells
    std::vector<char> slotRemade_;          // slot redrawn here since the rebuild: late cells are stale
    std::vector<CellProblem> slotProblem_;  // why a slot shows the missing-picture mark
    bool arrangePending_ = false;           // rows left: the rest close up once the operation is over
    CThumbnailWorker worker_;
    CThumbnailRemaker remaker_;  // cells made again after an edit, never on this thread
    ThumbnailCache* cache_ = nullptr;
    bool stoppingWorker_ = false;  // the worker is being stopped; its wait serves sent messages
    bool rebuildPending_ = false;  // a rebuild was asked for meanwhile: done once the stop is over
    IImageAsker* asker_ = nullptr;
    std::unique_ptr<IImageAsker> systemAsker_;
};

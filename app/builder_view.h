#pragma once
// CBuilderView: the album list, the left pane of the main window. One row per album of the
// document (title and the album icon), at most one selected: the selected row is the current
// album. The list mirrors the document through IDocObserver and tells the document when the
// user selects another row (by click, right click or arrow keys); the document announces a
// change of current album only when it really changes.
//
// The album operations run here, whatever their source (menu, toolbar, task link): they ask
// the user through the album dialog and the document's prompter, then call the document.

#include <windows.h>

#include "gallery/builder_doc.h"
#include "winui/handles.h"
#include "winui/window.h"

class CBuilderView : public winui::CWindow, private IDocObserver {
public:
    explicit CBuilderView(CBuilderDoc& doc);
    ~CBuilderView() override;

    bool create(HWND parent, int id);
    HWND list() const { return list_; }

    void addAlbum();
    void editAlbum();
    void copyAlbum();
    void removeAlbum();
    void moveAlbumUp();
    void moveAlbumDown();

    // The album icon and the column's width follow the view's new DPI.
    void applyDpi(int dpi) override;

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onCreate(const CREATESTRUCTW& cs);
    void setIcons();
    void onSize(UINT type, SIZE client);
    void onSetFocus(HWND lost);
    LRESULT onItemChanged(const NMLISTVIEW& change);
    LRESULT onRightClick(const NMITEMACTIVATE& click);
    LRESULT onKeyDown(const NMLVKEYDOWN& key);
    LRESULT onKeepSelection(WPARAM, LPARAM);

    void albumsReset() override;
    void albumInserted(int row) override;
    void albumRemoved(int row) override;
    void albumChanged(int row) override;
    void currentAlbumChanged(int row) override;

    void insertRow(int row);
    void showSelection(int row);
    int selectedRow() const;
    HWND mainWindow() const;

    CBuilderDoc& doc_;
    HWND list_ = nullptr;
    winui::UniqueImageList icons_;  // the album icon; the list only borrows it
    int dpi_ = 96;
    bool mirroring_ = false;  // the list is being changed to follow the document
};

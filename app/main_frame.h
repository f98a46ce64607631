#pragma once
// CMainFrame: the program's only top-level window. Toolbar at the top, status bar at the
// bottom, the task-pane bar at the left, and a splitter with the album list (CBuilderView) and
// the thumbnail view (the active view) filling the rest.
//
// Its command table takes the File commands, the album and image commands of the menu and
// toolbar (albums run on the album list, images on the thumbnail view), Exit, the panes
// (F6, Shift+F6), the Build menu and the help commands.

#include <functional>
#include <memory>
#include <string>

#include "app/builder_view.h"
#include "app/task_pane_host.h"
#include "gallery/builder_doc.h"
#include "gallery/recent_list.h"
#include "winui/bars.h"
#include "winui/frame_window.h"
#include "winui/handles.h"
#include "winui/splitter.h"

class CMainFrame : public winui::CFrameWindow, private IDocObserver {
public:
    CMainFrame(CBuilderDoc& doc, RecentList& recent);
    ~CMainFrame() override;

    // Creates the window, hidden, with its bars and views; `application` ends the command
    // route. False when any part could not be made.
    bool create(winui::ICommandTarget* application);
    // Called once the window is gone (the program then ends).
    std::function<void()> onClosed;

    // --- Flows ----------------------------------------------------------------------------------
    // New and Open first ask to save a modified gallery, as closing does; Cancel there (or a
    // save that did not happen) leaves everything as it was. A new gallery has no file yet: the
    // window is "Fotoloom" and the save dialog offers no name.
    void newGallery();
    // The open dialog (owned by `owner`, the frame when null), the load and the title; 1 when a
    // file was chosen, 2 when cancelled.
    int openGallery(HWND owner = nullptr);
    // Loads a project file (a relative path is taken against the working folder now) and names
    // the window after it: the part of Open after the dialog and its question. A file that
    // cannot be opened changes neither the gallery nor the name; a damaged one leaves an empty,
    // unnamed gallery, never what was half read. True when the gallery is the file's.
    bool openGalleryFile(const std::string& path);
    // The save dialog, the write, the title; true when the gallery was written. Replacing an
    // existing file other than the gallery's own is asked about first.
    bool saveGallery();
    // Ctrl+S: the gallery's own file written again without a question once it has one; the
    // Save flow above for a gallery never saved.
    bool saveGalleryInPlace();

    // The album operations (menu, toolbar and task-link ids); false for any other id.
    bool runAlbumCommand(UINT id);
    // The image operations, carried out by the thumbnail view; false for any other id.
    bool runImageCommand(UINT id);
    // The Build menu: gallery title, gallery view (the preview), and the build after its check;
    // false for any other id.
    bool runBuildCommand(UINT id);

    // --- Parts, for the application and the tests ------------------------------------------------
    CBuilderView& albumView() { return *albumView_; }
    winui::IView* thumbnailView() { return thumbnailView_.get(); }
    winui::CSplitter& splitter() { return splitter_; }
    winui::CToolBar& toolBar() { return toolBar_; }
    winui::CStatusBar& statusBar() { return statusBar_; }
    HWND taskPaneBar() const { return taskPane_.bar().hwnd(); }
    // The library's task pane inside that bar.
    HWND taskPane() const { return taskPane_.pane(); }
    const CTaskPaneHost& taskPaneHost() const { return taskPane_; }
    HIMAGELIST toolBarImages() const { return toolBarImages_.get(); }
    int dpi() const { return dpi_; }

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    // Ctrl+S is the document's save command; it saves in place (saveGalleryInPlace).
    class DocumentCommands : public winui::ICommandTarget {
    public:
        explicit DocumentCommands(CMainFrame& frame) : frame_(frame) {}
        bool onCommand(UINT id, UINT code) override;

    private:
        CMainFrame& frame_;
    };

    bool onCreate(const CREATESTRUCTW& cs);
    bool createClient();
    bool createToolBarImages();
    void setWindowIcons();
    // The window moved to a monitor of another scale: every child makes its pictures and sizes
    // again and the window takes the system's suggested rectangle.
    void onDpiChanged(int dpi, const RECT& suggested);
    bool createTaskPaneBar();
    void onSize(UINT type, SIZE client);
    void onGetMinMaxInfo(MINMAXINFO& info);
    // A task-pane group's message, forwarded by the pane.
    LRESULT onTaskPaneMessage(WPARAM wParam, LPARAM lParam) { return taskPane_.onForwarded(hwnd(), wParam, lParam); }
    void onClose();
    void onDestroy();

    void onNewGallery() { newGallery(); }
    void onOpenGallery() { openGallery(); }
    void onSaveGallery() { saveGallery(); }
    void onExit();
    void onAlbumCommand(UINT id) { runAlbumCommand(id); }
    void onImageCommand(UINT id) { runImageCommand(id); }
    void onBuildCommand(UINT id) { runBuildCommand(id); }
    void buildGallery();
    void publishGallery();
    // The gallery's parent folder the project's last build wrote into, offered by both dialogs.
    void offerRememberedOutputFolder();
    void onNextPane() { cyclePanes(false); }
    void onPreviousPane() { cyclePanes(true); }
    // F6 and Shift+F6 (and Tab in the views): the task pane, the album list and the thumbnails
    // in turn, left to right.
    void cyclePanes(bool backwards);
    // Into the pane: to the window that had the focus there last, else to its first header.
    void focusTaskPane();
    // Esc in the pane: back to the view the focus came from (the active view at first).
    void leaveTaskPane();
    void onHelpContents();
    void onReadme();
    void onHomePage();
    void onUpdates();

    // "The current album has not been saved. Save now?" while the gallery is modified: true once
    // it may be replaced or closed (saved, or the user said No), false after Cancel.
    bool offerToSave();
    // No file name and the title "Fotoloom", as after the start.
    void forgetGalleryFile();
    // True when saving to `path` replaces nothing but the gallery's own file, or the user says so.
    bool mayReplace(const std::string& path);
    // Writes the gallery to `path` and names the window after it; true when it was written.
    bool writeGallery(const std::string& path);

    void albumsReset() override;  // a reset gallery is an unnamed one
    void setTitle(const std::string& fileTitle);

    CBuilderDoc& doc_;
    RecentList& recent_;
    DocumentCommands documentCommands_{*this};
    int dpi_ = 96;  // of the window's monitor

    winui::CSplitter splitter_;
    winui::CStatusBar statusBar_;
    winui::CToolBar toolBar_;
    CTaskPaneHost taskPane_;     // the bar at the left with the task pane
    HWND paneFocus_ = nullptr;   // the window inside the pane that had the focus last
    HWND paneReturn_ = nullptr;  // the view the focus came into the pane from
    winui::UniqueImageList toolBarImages_;
    winui::UniqueImageList disabledToolBarImages_;
    winui::UniqueIcon largeIcon_;
    winui::UniqueIcon smallIcon_;

    std::unique_ptr<CBuilderView> albumView_;
    std::unique_ptr<winui::IView> thumbnailView_;
};

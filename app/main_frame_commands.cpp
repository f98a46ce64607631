// The main frame's command table: New, Open and Save, the album and image commands of the menu
// and toolbar, the panes, Exit and help.

#include <algorithm>
#include <filesystem>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "app/product_links.h"
#include "app/updates_dlg.h"
#include "base/file_system.h"
#include "gallery/project_file.h"
#include "winui/seam.h"
#include "winui/text.h"

namespace {

constexpr wchar_t kGalleryFilter[] = L"Web Gallery files (*.gal)|*.gal|All Files (*.*)|*.*||";
constexpr DWORD kGalleryDialogFlags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;  // 0x1004
// How long the frame waits for the task pane's thread to answer a question about its groups.
constexpr UINT kPaneAnswerMs = 10000;

// The name of a file without its folder and extension.
std::string fileTitle(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

// Both names lead to one file (links and case taken into account); false when either is missing.
bool sameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    const bool same = std::filesystem::equivalent(std::filesystem::path(std::u8string(a.begin(), a.end())),
                                                  std::filesystem::path(std::u8string(b.begin(), b.end())), error);
    return same && !error;
}

winui::FileDialogRequest galleryRequest(bool save, const std::string& fileName)
{
    winui::FileDialogRequest request;
    request.save = save;
    request.filter = kGalleryFilter;
    request.defaultExtension = L"gal";
    request.fileName = winui::widen(fileName);
    request.flags = kGalleryDialogFlags;
    return request;
}

}  // namespace

const winui::MessageMapBase* CMainFrame::messageMap() const
{
    static const auto map = [] {
        winui::MessageMap<CMainFrame> m;
        m.on<WM_CREATE>(&CMainFrame::onCreate)
            .on<WM_SIZE>(&CMainFrame::onSize)
            .on<WM_GETMINMAXINFO>(&CMainFrame::onGetMinMaxInfo)
            .on<WM_DPICHANGED>(&CMainFrame::onDpiChanged)
            .on<WM_CLOSE>(&CMainFrame::onClose)
            .on<WM_DESTROY>(&CMainFrame::onDestroy)
            .raw(SIDEFOLD_MSG_FORWARDED, &CMainFrame::onTaskPaneMessage)
            .command(ID_GALLERY_NEW, &CMainFrame::onNewGallery)
            .command(ID_TB_NEW, &CMainFrame::onNewGallery)
            .command(ID_GALLERY_OPEN, &CMainFrame::onOpenGallery)
            .command(ID_TB_OPEN, &CMainFrame::onOpenGallery)
            .command(ID_GALLERY_SAVE, &CMainFrame::onSaveGallery)
            .command(ID_TB_SAVE, &CMainFrame::onSaveGallery)
            .command(ID_APP_EXIT, &CMainFrame::onExit)
            .command(ID_NEXT_PANE, &CMainFrame::onNextPane)
            .command(ID_PREV_PANE, &CMainFrame::onPreviousPane)
            .command(ID_HELP_CONTENTS, &CMainFrame::onHelpContents)
            .command(ID_HELP, &CMainFrame::onHelpContents)
            .command(ID_CONTEXT_HELP, &CMainFrame::onHelpContents)
            .command(ID_HELP_README, &CMainFrame::onReadme)
            .command(ID_HELP_HOME_PAGE, &CMainFrame::onHomePage)
            .command(ID_HELP_UPDATES, &CMainFrame::onUpdates);
        for (const CommandSources& c : kAlbumCommands) {
            m.commandRange(c.menu, c.menu, &CMainFrame::onAlbumCommand);
            m.commandRange(c.toolbar, c.toolbar, &CMainFrame::onAlbumCommand);
            m.commandRange(c.link, c.link, &CMainFrame::onAlbumCommand);
        }
        for (const CommandSources& c : kImageCommands) {
            m.commandRange(c.menu, c.menu, &CMainFrame::onImageCommand);
            m.commandRange(c.toolbar, c.toolbar, &CMainFrame::onImageCommand);
            m.commandRange(c.link, c.link, &CMainFrame::onImageCommand);
        }
        for (const CommandSources& c : kBuildCommands) {
            m.commandRange(c.menu, c.menu, &CMainFrame::onBuildCommand);
            if (c.toolbar) m.commandRange(c.toolbar, c.toolbar, &CMainFrame::onBuildCommand);
            m.commandRange(c.link, c.link, &CMainFrame::onBuildCommand);
        }
        return m;
    }();
    return &map;
}

bool CMainFrame::DocumentCommands::onCommand(UINT id, UINT)
{
    if (id != ID_FILE_SAVE) return false;
    frame_.saveGalleryInPlace();
    return true;
}

// --- New, Open, Save -------------------------------------------------------------------------------

// Asked again while the gallery is still unsaved after a Yes (save cancelled or failed), so
// that no route loses changes the user wanted saved.
bool CMainFrame::offerToSave()
{
    while (doc_.isModified()) {
        const MessageAnswer answer =
            doc_.prompter().showMessage("The current album has not been saved. Save now?", kProductName,
                                        MessageIcon::Warning, MessageButtons::YesNoCancel);
        if (answer == MessageAnswer::Cancel) return false;
        if (answer != MessageAnswer::Yes) break;
        saveGallery();
    }
    return true;
}

void CMainFrame::newGallery()
{
    if (!offerToSave()) return;
    // The reset names the window "Fotoloom"; the file is forgotten so that a save never offers
    // (and Enter never replaces) the previous project.
    doc_.resetGallery();
    forgetGalleryFile();
}

void CMainFrame::forgetGalleryFile()
{
    doc_.galleryFileTitle.clear();
    doc_.galleryPath.clear();
    setTitle("");
}

int CMainFrame::openGallery(HWND owner)
{
    if (!offerToSave()) return IDCANCEL;
    const std::vector<std::wstring> chosen =
        winui::seam().fileDialog(owner ? owner : hwnd(), galleryRequest(false, ""));
    if (chosen.empty()) return IDCANCEL;
    openGalleryFile(winui::narrow(chosen.front()));
    return IDOK;
}

bool CMainFrame::openGalleryFile(const std::string& given)
{
    // Absolute now: a later Save must write where this file is, whatever the working folder then.
    const std::string path = absolutePath(given);
    // The reader tells the user of its own failures.
    switch (loadProject(doc_, path)) {
    case ProjectResult::Ok: break;
    case ProjectResult::CannotOpen: return false;
    default:
        // Half a project is no gallery to go on with: a save would write the junk back.
        doc_.resetGallery();
        forgetGalleryFile();
        return false;
    }
    doc_.galleryFileTitle = fileTitle(path);
    doc_.galleryPath = path;
    setTitle(doc_.galleryFileTitle);
    return true;
}

bool CMainFrame::mayReplace(const std::string& path)
{
    if (!fileExists(path) || sameFile(path, doc_.galleryPath)) return true;
    const std::string text = fileNameOf(path) + " already exists.\nDo you want to replace it?";
    // No by default: Enter pressed out of habit must not replace another project.
    return doc_.prompter().showMessage(text, "Confirm Save As", MessageIcon::Warning, MessageButtons::YesNoDefaultNo) ==
           MessageAnswer::Yes;
}

bool CMainFrame::saveGallery()
{
    std::string offered = doc_.galleryPath;
    std::string path;
    for (;;) {
        const std::vector<std::wstring> chosen = winui::seam().fileDialog(hwnd(), galleryRequest(true, offered));
        if (chosen.empty()) return false;
        path = absolutePath(winui::narrow(chosen.front()));
        if (mayReplace(path)) break;
        offered = path;  // No: back to the dialog, as the system's own question does
    }
    return writeGallery(path);
}

bool CMainFrame::saveGalleryInPlace()
{
    if (doc_.galleryPath.empty()) return saveGallery();
    return writeGallery(doc_.galleryPath);
}

bool CMainFrame::writeGallery(const std::string& path)
{
    doc_.galleryFileTitle = fileTitle(path);
    doc_.galleryPath = path;
    const bool saved = saveProject(doc_, path, recent_) == ProjectResult::Ok;
    setTitle(doc_.galleryFileTitle);
    // A gallery that was not written stays modified, so closing still asks to save it.
    if (saved) doc_.commitState();
    return saved;
}

void CMainFrame::onExit() { SendMessageW(hwnd(), WM_CLOSE, 0, 0); }

// --- Albums and images -----------------------------------------------------------------------------

bool CMainFrame::runAlbumCommand(UINT id)
{
    CBuilderView& view = *albumView_;
    if (isSourceOf(kAddAlbumCommand, id))
        view.addAlbum();
    else if (isSourceOf(kEditAlbumCommand, id))
        view.editAlbum();
    else if (isSourceOf(kCopyAlbumCommand, id))
        view.copyAlbum();
    else if (isSourceOf(kRemoveAlbumCommand, id))
        view.removeAlbum();
    else if (isSourceOf(kAlbumUpCommand, id))
        view.moveAlbumUp();
    else if (isSourceOf(kAlbumDownCommand, id))
        view.moveAlbumDown();
    else
        return false;
    return true;
}

bool CMainFrame::runImageCommand(UINT id)
{
    const bool isImageCommand = std::any_of(std::begin(kImageCommands), std::end(kImageCommands),
                                            [id](const CommandSources& c) { return isSourceOf(c, id); });
    return isImageCommand && thumbnailView_ && thumbnailView_->onCommand(id, 0);
}

// --- Panes and help --------------------------------------------------------------------------------

void CMainFrame::cyclePanes(bool backwards)
{
    HWND pane = taskPane() && IsWindow(taskPane()) ? taskPane() : nullptr;
    const HWND stops[] = {pane, albumView_->hwnd(), thumbnailView_->hwnd()};
    const HWND focus = GetFocus();
    int current = -1;
    for (int i = 0; i < 3; ++i)
        if (stops[i] && focus && (stops[i] == focus || IsChild(stops[i], focus))) current = i;
    // From outside all three: the album list (going back, the thumbnails), as with two panes.
    int next = current < 0 ? (backwards ? 2 : 1) : current;
    do {
        if (current >= 0 || !stops[next]) next = (next + (backwards ? 2 : 1)) % 3;
    } while (!stops[next]);
    if (current == 0) paneFocus_ = focus;
    if (next == 0) {
        if (current > 0) paneReturn_ = stops[current];
        focusTaskPane();
    } else {
        SetFocus(stops[next]);
    }
}

void CMainFrame::focusTaskPane()
{
    HWND pane = taskPane();
    // The pane's thread answers; this one keeps dispatching what that thread sends meanwhile.
    auto ask = [pane](UINT message, WPARAM wParam) {
        DWORD_PTR answer = 0;
        return SendMessageTimeoutW(pane, message, wParam, 0, SMTO_NORMAL, kPaneAnswerMs, &answer) ? answer : 0;
    };
    // Still there to be reached: shown inside the pane (its group open), whether or not the frame
    // is on screen.
    auto shownInPane = [pane](HWND w) {
        for (; w && w != pane; w = GetParent(w))
            if (!(GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE)) return false;
        return w == pane;
    };
    HWND to = paneFocus_;
    if (!to || !IsWindow(to) || !shownInPane(to) || !IsWindowEnabled(to))
        to = reinterpret_cast<HWND>(ask(SIDEFOLD_BAR_HEADER_AT, 0));
    if (!to) return;
    SetFocus(to);
    // Out of sight (the pane scrolled on without it): its group is shown, header first.
    RECT seen{}, control{}, overlap{};
    GetWindowRect(pane, &seen);
    GetWindowRect(to, &control);
    if (IntersectRect(&overlap, &seen, &control) && EqualRect(&overlap, &control)) return;
    for (WPARAM i = 0;; ++i) {
        const auto header = reinterpret_cast<HWND>(ask(SIDEFOLD_BAR_HEADER_AT, i));
        if (!header) break;
        if (to != header && !IsChild(reinterpret_cast<HWND>(ask(SIDEFOLD_BAR_DIALOG_AT, i)), to)) continue;
        ask(SIDEFOLD_BAR_SHOW_AT, i);
        break;
    }
}

void CMainFrame::leaveTaskPane()
{
    const HWND focus = GetFocus();
    if (focus && IsChild(taskPane(), focus)) paneFocus_ = focus;
    HWND to = paneReturn_ && IsWindow(paneReturn_) ? paneReturn_ : nullptr;
    if (!to && activeView()) to = activeView()->hwnd();
    if (to) SetFocus(to);
}

void CMainFrame::onHelpContents()
{
    winui::seam().showHelp(winui::widen(programFolder()) + L"\\Builder.chm::/General/index.htm");
}

void CMainFrame::onReadme()
{
    // A readme that cannot be opened (gone, or no program for text files) is told, not ignored.
    const std::wstring readme = winui::widen(programFolder()) + L"\\readme.txt";
    if (winui::seam().shellExecute(hwnd(), readme, SW_SHOWNORMAL) <= 32)
        winui::seam().messageBox(hwnd(), L"Cannot open the readme file '" + readme + L"'.", L"Fotoloom",
                                 MB_OK | MB_ICONERROR);
}

void CMainFrame::onHomePage() { winui::seam().shellOpen(hwnd(), kProductLinks.homePage); }

void CMainFrame::onUpdates() { CUpdatesDlg().run(hwnd()); }

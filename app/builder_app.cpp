#include "app/builder_app.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/about_box_dlg.h"
#include "app/command_ids.h"
#include "app/file_association.h"
#include "app/start_dlg.h"
#include "winui/known_folders.h"
#include "winui/message_loop.h"

CBuilderApp::CBuilderApp(std::string recentIni) : recent_(std::move(recentIni)) { doc_.setPrompter(&prompter_); }

CBuilderApp::~CBuilderApp()
{
    frame_.reset();  // the views observe the document: they go first
    doc_.setPrompter(nullptr);
    if (oleStarted_) OleUninitialize();
}

bool CBuilderApp::initInstance(const StartOptions& options)
{
    // 1. The common controls (version 6, through the program's manifest).
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // 2. ActiveX hosting: the preview embeds the system's web browser control.
    oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
    // 3-6. The gallery with its main frame, bars and both views.
    if (!createFrame()) return false;
    // 7. The window, named and shown at once.
    SetWindowTextW(frame_->hwnd(), L"Fotoloom");
    if (options.showCommand != SW_HIDE) {
        ShowWindow(frame_->hwnd(), options.showCommand);
        UpdateWindow(frame_->hwnd());
    }
    // 8. The association; a failed write is shown and start-up goes on.
    if (options.writeAssociation) writeFileAssociation();
    // 9. A project named on the command line is opened like Open Gallery (the reader tells of a
    //    missing or damaged file, and the program runs on); otherwise the user chooses.
    if (!options.projectPath.empty())
        frame_->openGalleryFile(options.projectPath);
    else if (options.showStartDialog)
        CStartDlg(*frame_, doc_, recent_.read()).run(frame_->hwnd());
    return true;
}

bool CBuilderApp::initInstance(int showCommand, const std::string& projectPath)
{
    return initInstance(StartOptions{
        .showCommand = showCommand, .projectPath = projectPath, .writeAssociation = false, .showStartDialog = false});
}

bool CBuilderApp::createFrame()
{
    doc_.outputFolder = winui::documentsFolder();  // where a gallery is built unless the user says otherwise
    frame_ = std::make_unique<CMainFrame>(doc_, recent_);
    if (!frame_->create(this)) {
        frame_.reset();
        return false;
    }
    prompter_.setFallbackOwner(frame_->hwnd());
    accelerators_ = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    return true;
}

int CBuilderApp::run()
{
    frame_->onClosed = [] { PostQuitMessage(0); };
    return winui::runMessageLoop(*frame_, accelerators_);
}

bool CBuilderApp::onCommand(UINT id, UINT)
{
    if (!frame_) return false;
    if (id == ID_APP_ABOUT) {
        CAboutBoxDlg().run(frame_->hwnd());
        return true;
    }
    if (id < ID_LINK_FIRST || id > ID_LINK_LAST) return false;
    return frame_->runAlbumCommand(id) || frame_->runImageCommand(id) || frame_->runBuildCommand(id);
}

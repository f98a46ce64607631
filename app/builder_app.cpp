#include "app/builder_app.h"

#include "app/command_ids.h"
#include "winui/message_loop.h"

CBuilderApp::CBuilderApp(std::string recentIni) : recent_(std::move(recentIni))
{
    doc_.setPrompter(&prompter_);
}

CBuilderApp::~CBuilderApp()
{
    frame_.reset();  // the views observe the document: they go first
    doc_.setPrompter(nullptr);
}

bool CBuilderApp::initInstance(int showCommand, const std::string& projectPath)
{
    frame_ = std::make_unique<CMainFrame>(doc_, recent_);
    if (!frame_->create(this)) {
        frame_.reset();
        return false;
    }
    prompter_.setFallbackOwner(frame_->hwnd());
    accelerators_ = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (showCommand != SW_HIDE) {
        ShowWindow(frame_->hwnd(), showCommand);
        UpdateWindow(frame_->hwnd());
    }
    if (!projectPath.empty()) frame_->openGalleryFile(projectPath);
    return true;
}

int CBuilderApp::run()
{
    frame_->onClosed = [] { PostQuitMessage(0); };
    return winui::runMessageLoop(*frame_, accelerators_);
}

bool CBuilderApp::onCommand(UINT id, UINT)
{
    if (id < ID_LINK_FIRST || id > ID_LINK_LAST || !frame_) return false;
    return frame_->runAlbumCommand(id) || frame_->runImageCommand(id);
}

// The main frame's Build menu: the gallery title dialog, the preview with its settings panel, the
// build dialog after the check that there is something to build, and the Publish dialog.

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "generator/ui/gallery_title_dlg.h"
#include "generator/ui/generate_dlg.h"
#include "generator/ui/preview_dlg.h"
#include "publish/publish_settings.h"
#include "publish/ui/publish_dlg.h"
#include "winui/known_folders.h"
#include "winui/seam.h"
#include "winui/text.h"

bool CMainFrame::runBuildCommand(UINT id)
{
    if (isSourceOf(kGalleryTitleCommand, id)) {
        CGalleryTitleDlg(doc_).run(hwnd());
    } else if (isSourceOf(kGalleryViewCommand, id)) {
        CPreviewDlg(doc_).run(hwnd());
    } else if (isSourceOf(kBuildGalleryCommand, id)) {
        buildGallery();
    } else if (isSourceOf(kPublishGalleryCommand, id)) {
        publishGallery();
    } else {
        return false;
    }
    return true;
}

void CMainFrame::buildGallery()
{
    const auto tell = [this](const wchar_t* text) {
        winui::seam().messageBox(hwnd(), text, L"Fotoloom", MB_OK | MB_ICONINFORMATION);
    };
    if (doc_.albumCount() == 0) {
        tell(L"You need at least one album in your album.\nClick on \"Add album\"");
    } else if (doc_.images().empty()) {
        tell(L"You need at least one image in your gallery.\nClick on \"Add images\"");
    } else {
        CGenerateDlg(doc_).run(hwnd());
    }
}

void CMainFrame::publishGallery()
{
    // The gallery's parent folder of this project's last publish, unless another was chosen in
    // this session (the build dialog's folder starts at the documents folder).
    if (!doc_.galleryPath.empty() && doc_.outputFolder == winui::documentsFolder()) {
        const std::string from = readPublishSettings(recent_.iniPath(), doc_.galleryPath).output;
        if (!from.empty()) doc_.outputFolder = from;
    }
    PublishDlgSetup setup;
    setup.settingsFile = recent_.iniPath();
    CPublishDlg(doc_, std::move(setup)).run(hwnd());
}

// The main frame's Build menu: the gallery title dialog, the preview with its settings panel, the
// build dialog after the check that there is something to build, and the Publish dialog.

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "generator/ui/gallery_title_dlg.h"
#include "generator/ui/generate_dlg.h"
#include "generator/ui/preview_dlg.h"
#include "publish/publish_settings.h"
#include "publish/ui/publish_dlg.h"
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
        offerRememberedOutputFolder();
        // Every build that wrote the gallery says where, for Publish and the next start.
        const auto written = [this](const std::string& outputFolder) {
            if (doc_.galleryPath.empty()) return;  // a gallery never saved has no path to remember it by
            if (!rememberOutputFolder(recent_.iniPath(), doc_.galleryPath, outputFolder))
                winui::seam().messageBox(
                    hwnd(), winui::widen("The gallery's folder could not be remembered in " + recent_.iniPath() + "."),
                    L"Fotoloom", MB_OK | MB_ICONWARNING);
        };
        CGenerateDlg(doc_, BuildOptions(), written).run(hwnd());
    }
}

void CMainFrame::offerRememberedOutputFolder()
{
    // Otherwise the one of this session (the documents folder at first, or the one a build of a
    // gallery not saved yet used).
    if (doc_.galleryPath.empty()) return;
    const std::string remembered = rememberedOutputFolder(recent_.iniPath(), doc_.galleryPath);
    if (!remembered.empty()) doc_.outputFolder = remembered;
}

void CMainFrame::publishGallery()
{
    offerRememberedOutputFolder();
    PublishDlgSetup setup;
    setup.settingsFile = recent_.iniPath();
    CPublishDlg(doc_, std::move(setup)).run(hwnd());
}

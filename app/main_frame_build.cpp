// The main frame's Build menu: the gallery title dialog, the preview with its settings panel, and
// the build dialog after the check that there is something to build.

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "generator/ui/gallery_title_dlg.h"
#include "generator/ui/generate_dlg.h"
#include "generator/ui/preview_dlg.h"
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

#include "generator/ui/gallery_title_dlg.h"

#include <commctrl.h>

#include "controls/cue_banner.h"
#include "generator/site_builder.h"
#include "resources/resource.h"
#include "winui/seam.h"
#include "winui/text.h"

CGalleryTitleDlg::CGalleryTitleDlg(GallerySettings& gallery) : CDialog(IDD_GALLERY_TITLE), gallery_(gallery) {}

const winui::MessageMapBase* CGalleryTitleDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CGalleryTitleDlg>()
                                .on<WM_INITDIALOG>(&CGalleryTitleDlg::onInitDialog)
                                .command(IDC_HOME_LINK, &CGalleryTitleDlg::onHomeLinkClicked)
                                .command(IDOK, &CGalleryTitleDlg::onOk);
    return &map;
}

bool CGalleryTitleDlg::run(HWND owner) { return runModal(owner) == IDOK; }

bool CGalleryTitleDlg::onInitDialog()
{
    setItemText(IDC_GALLERY_TITLE, winui::widen(gallery_.galleryTitle));
    // A new gallery's description is a prompt: shown as the grey cue, not as text to delete first.
    const HWND description = item(IDC_GALLERY_DESCRIPTION);
    acceptCueBanner(description);
    const std::wstring cue = winui::widen(kDefaultGalleryDescription);
    SendMessageW(description, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(cue.c_str()));
    const bool prompt = gallery_.galleryDescription == kDefaultGalleryDescription;
    setItemText(IDC_GALLERY_DESCRIPTION, prompt ? L"" : winui::toCrLf(winui::widen(gallery_.galleryDescription)));
    // Untouched, the description goes back byte for byte (its line ends included), the prompt too.
    SendMessageW(item(IDC_GALLERY_DESCRIPTION), EM_SETMODIFY, FALSE, 0);
    setItemText(IDC_HOME_URL, winui::widen(gallery_.homePageUrl));
    setChecked(IDC_HOME_LINK, gallery_.homePageLink != 0);
    enableUrl(gallery_.homePageLink != 0);
    return true;
}

void CGalleryTitleDlg::onHomeLinkClicked() { enableUrl(isChecked(IDC_HOME_LINK)); }

void CGalleryTitleDlg::enableUrl(bool enabled)
{
    EnableWindow(item(IDC_HOME_URL_LABEL), enabled);
    EnableWindow(item(IDC_HOME_URL), enabled);
}

void CGalleryTitleDlg::onOk()
{
    const std::string title = winui::narrow(itemText(IDC_GALLERY_TITLE));
    if (const std::string problem = galleryTitleProblem(title); !problem.empty()) {
        winui::seam().messageBox(hwnd(), winui::widen(problem), winui::widen(kProductName), MB_OK | MB_ICONWARNING);
        SetFocus(item(IDC_GALLERY_TITLE));
        SendMessageW(item(IDC_GALLERY_TITLE), EM_SETSEL, 0, -1);
        return;
    }
    gallery_.galleryTitle = title;
    if (SendMessageW(item(IDC_GALLERY_DESCRIPTION), EM_GETMODIFY, 0, 0))
        gallery_.galleryDescription = winui::narrow(itemText(IDC_GALLERY_DESCRIPTION));
    gallery_.homePageLink = isChecked(IDC_HOME_LINK) ? 1 : 0;
    gallery_.homePageUrl = winui::narrow(itemText(IDC_HOME_URL));
    end(IDOK);
}

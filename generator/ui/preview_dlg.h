#pragma once
// CPreviewDlg (dialog resource 134): fills the screen with a sample album page of
// the gallery as the settings panel on the right (CPreviewToolboxDlg) shapes it, made again after
// every change. OK stores every setting of the panel into the gallery; Cancel none.
//
// The page is shown by the system's WebBrowser control when it can show pages; otherwise a short
// explanation and a link that opens the page in the default browser stand in its place. Either
// way the page is told to load through the seam, so tests see every navigation.
//
// The sample page, its style sheet, the sample picture and the images of every theme chosen so
// far are written to the preview folder (under the user's temporary folder) and stay there.

#include <string>

#include "gallery/gallery_settings.h"
#include "generator/ui/dialog_prompter.h"
#include "generator/ui/preview_fallback.h"
#include "generator/ui/preview_toolbox_dlg.h"
#include "picture/picture.h"
#include "winui/dialog.h"
#include "winui/web_browser.h"

struct PreviewDlgOptions {
    std::string templateRoot;  // "" for the themes beside the program
    std::string folder;        // "" for previewFolder(); ends with a separator
    bool browser = true;       // false: the stand-in without trying the control
};

class CPreviewDlg : public winui::CDialog {
public:
    using Options = PreviewDlgOptions;
    explicit CPreviewDlg(GallerySettings& gallery, Options options = {});

    // Modal; true when OK stored the settings.
    bool run(HWND owner);

    // For the tests, while the dialog is open.
    CPreviewToolboxDlg& panel() { return panel_; }
    bool showsBrowser() const { return view_ == &browser_; }
    const CPreviewFallback& fallback() const { return fallback_; }
    const std::string& folder() const { return options_.folder; }

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onInitDialog();
    void onSize(UINT type, SIZE client);
    void onOk();
    void onDestroy();
    LRESULT onMaximize(WPARAM, LPARAM);
    LRESULT onLinkClicked(const NMHDR&);
    void onLinkButton();

    void layout(SIZE client);
    RECT pageArea(SIZE client) const;
    void copyThemeImages();
    void renderPreview();

    GallerySettings& gallery_;
    Options options_;
    CPreviewToolboxDlg panel_;
    winui::CWebBrowser browser_;
    CPreviewFallback fallback_;
    winui::IPageView* view_ = nullptr;
    CDialogPrompter prompter_;
    CPicture sample_;
    bool ready_ = false;  // changes before the first page make none
};

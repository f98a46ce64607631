#pragma once
// CGalleryTitleDlg (dialog resource 133, "Gallery title"): the gallery's title, its description
// (several lines, Enter starts a new one) and the optional link back to a home page, whose
// "URL:" label and field are greyed while the box is unchecked. OK stores the four values into
// the gallery, the URL also when the box is unchecked; Cancel stores nothing.
//
// While the description is still the one a new gallery starts with, the field is empty and shows
// it as a grey cue; OK without typing there keeps it.
//
// A title that cannot be the name of the gallery's folder is refused at OK, with the reason,
// and the dialog stays open; the build would refuse it anyway, later and farther from where it
// was typed. An empty title is fine: the gallery is then built into the chosen folder itself.

#include "gallery/gallery_settings.h"
#include "winui/dialog.h"

class CGalleryTitleDlg : public winui::CDialog {
public:
    explicit CGalleryTitleDlg(GallerySettings& gallery);

    // Modal; true when OK stored the values.
    bool run(HWND owner);

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onInitDialog();
    void onHomeLinkClicked();
    void onOk();
    void enableUrl(bool enabled);

    GallerySettings& gallery_;
};

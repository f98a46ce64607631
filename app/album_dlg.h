#pragma once
// CAlbumDlg (dialog resource 1041, "Album"): edits one album's title and caption. When adding,
// it also asks where the new album goes: after the selected album, to the top, or to the
// bottom (checked at first). Nothing typed is checked; an empty title is accepted.

#include <string>

#include "gallery/builder_doc.h"
#include "winui/dialog.h"

class CAlbumDlg : public winui::CDialog {
public:
    CAlbumDlg(std::string title, std::string caption, bool adding);

    // Modal; true on OK.
    bool run(HWND owner);

    const std::string& title() const { return title_; }
    const std::string& caption() const { return caption_; }
    AlbumPosition position() const { return position_; }

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onInitDialog();
    void onOk();
    void leaveOutPosition();

    std::string title_;
    std::string caption_;
    bool adding_;
    AlbumPosition position_ = AlbumPosition::Bottom;
};

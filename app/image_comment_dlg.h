#pragma once
// CImageCommentDlg (dialog resource 166, "Image preview"): shows one image's picture, its
// comment for editing (Enter starts a new line) and its path. OK hands back the comment.

#include <windows.h>

#include <string>

#include "gallery/gallery_types.h"
#include "winui/dialog.h"
#include "winui/handles.h"

// Size of the preview for a picture of width x height in a dialog whose client area is
// clientWidth wide: first fitted to clientWidth - 18 across, then to 288 high; never enlarged.
// The 18 and the 288 are for 96 DPI and scale with the dialog's `dpi`, as its frame does; a
// `tallest` above 0 (the room the dialog has for the picture) lowers the 288 further.
SIZE commentPreviewSize(uint32_t width, uint32_t height, int clientWidth, int dpi = 96, int tallest = 0);
inline constexpr int kCommentPreviewCentreY = 169;  // the preview's centre, from the client top, at 96 DPI

class CImageCommentDlg : public winui::CDialog {
public:
    explicit CImageCommentDlg(const Image& image);

    // Modal; true on OK.
    bool run(HWND owner);
    // Modeless, for tests; the window destroys itself on OK or Cancel.
    HWND create(HWND owner);
    // The comment as typed (as given when the text was not touched).
    const std::string& comment() const { return comment_; }

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onInitDialog();
    void showPicture();
    void onOk();
    void onDestroy();

    Image image_;
    std::string comment_;
    winui::UniqueBitmap shown_;  // the preview bitmap
};

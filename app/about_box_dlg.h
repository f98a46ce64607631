#pragma once
// CAboutBoxDlg (dialog resource 100, "About Fotoloom"): the logo on white at the left, the name,
// the notice and three links (support mail, product site, makers' site) on amber at the right.
// The box is dragged by any place that is not a control.

#include <array>

#include "controls/styled_label.h"
#include "controls/web_link.h"
#include "winui/dialog.h"
#include "winui/handles.h"

class CAboutBoxDlg : public winui::CDialog {
public:
    static constexpr COLORREF kLogoGround = RGB(255, 255, 255);
    static constexpr COLORREF kGround = RGB(255, 204, 0);
    static constexpr COLORREF kTitleGround = RGB(255, 205, 0);

    CAboutBoxDlg();

    void run(HWND owner) { runModal(owner); }
    // Modeless, for tests.
    bool create(HWND owner) { return createModeless(owner); }

    SIZE logoSize() const { return logoSize_; }
    // Paints the client area into `dc`: what WM_PAINT shows.
    void paint(HDC dc) const;
    const CWebLink& link(size_t i) const { return links_[i]; }

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onInitDialog();
    void onPaint();
    bool onEraseBackground(HDC) { return true; }  // all of it is painted in WM_PAINT
    HBRUSH onControlColour(HDC dc, HWND control);
    UINT onHitTest(POINT screen);

    winui::UniqueBitmap logo_;
    SIZE logoSize_{};
    winui::UniqueBrush ground_;
    winui::UniqueIcon icon_, smallIcon_, okIcon_;
    CStyledLabel title_;
    std::array<CWebLink, 3> links_;  // mail, product site, makers' site
};

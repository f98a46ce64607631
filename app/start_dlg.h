#pragma once
// CStartDlg (dialog resource 167, "Fotoloom"): shown once at start-up over the start picture.
// The user begins a new gallery (the empty one the program starts with), opens one with the
// Open Gallery flow, or reopens one of the three most recently saved galleries. Every way of
// closing it is the cancel kind; start-up goes on whatever the user chose.

#include <array>
#include <string>

#include "controls/styled_label.h"
#include "winui/dialog.h"
#include "winui/handles.h"

class CBuilderDoc;
class CMainFrame;

class CStartDlg : public winui::CDialog {
public:
    // `recent`: the three recent galleries, most recent first, empty where unset.
    CStartDlg(CMainFrame& frame, CBuilderDoc& doc, std::array<std::string, 3> recent);

    // Modal, owned by the main window.
    void run(HWND owner) { runModal(owner); }

    // The start picture, sized to the client area when the dialog opened (null when missing).
    HBITMAP picture() const { return picture_.get(); }

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onInitDialog();
    bool onEraseBackground(HDC dc);
    HBRUSH onControlColour(HDC dc, HWND control);
    void onNew();
    void onModify();
    void onBrowse();
    void onRecent1() { onRecent(0); }
    void onRecent2() { onRecent(1); }
    void onRecent3() { onRecent(2); }
    void onRecent(size_t entry);
    void onNext();
    void onHelp();
    void loadPicture();
    void chooseModify(bool modify);

    CMainFrame& frame_;
    CBuilderDoc& doc_;
    std::array<std::string, 3> recent_;  // empty: "No item"
    winui::UniqueBitmap picture_;
    SIZE pictureSize_{};
    std::array<CStyledLabel, 5> labels_;        // version, welcome, question, new, modify
    std::array<CStyledLabel, 1> recentTitle_;   // "3 last modified galleries:"
    std::array<CStyledLabel, 3> recentLabels_;  // the three entries
};

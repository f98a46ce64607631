#pragma once
// CStyledLabel: a static control of a dialog drawn with its own colours and font attributes,
// optionally transparent over whatever the dialog paints beneath it, and optionally a link that
// tells its parent of a click. Setters return the label, so a set-up reads as one chain:
//
//   startLabel.attach(item(IDC_START_RECENT1));
//   startLabel.setText(path).setTransparent(true).setBold(true).setTextColour(kWhite)
//             .setUnderline(true).setLink(true, true);
//
// A click on a label in link mode with parent notification sends the parent WM_NOTIFY with
// kClickNotification; in link mode without it the label opens its target (or its text) with the
// shell. In every case the static's own STN_CLICKED follows, which is what dialogs act on.

#include <windows.h>

#include <string>
#include <string_view>

#include "winui/handles.h"

class CStyledLabel {
public:
    static constexpr UINT kClickNotification = 0x8200;

    CStyledLabel() = default;
    ~CStyledLabel();
    CStyledLabel(const CStyledLabel&) = delete;
    CStyledLabel& operator=(const CStyledLabel&) = delete;

    // Takes over a static control; false when it is not a window or already taken.
    bool attach(HWND label);
    HWND hwnd() const { return label_; }

    CStyledLabel& setBackgroundColour(COLORREF colour);
    CStyledLabel& setTextColour(COLORREF colour);
    CStyledLabel& setText(std::wstring_view text);
    CStyledLabel& setBold(bool bold);
    CStyledLabel& setUnderline(bool underline);
    CStyledLabel& setItalic(bool italic);
    CStyledLabel& setTransparent(bool transparent);
    // Link mode on or off; with `notifyParent` a click is reported to the parent.
    CStyledLabel& setLink(bool link, bool notifyParent);
    // What a link without parent notification opens; empty: the label's text.
    CStyledLabel& setLinkTarget(std::wstring target);

    COLORREF textColour() const { return textColour_; }
    bool transparent() const { return transparent_; }
    bool isLink() const { return link_; }
    const LOGFONTW& fontDescription() const { return description_; }

    // Draws the label into `dc` (its client coordinates): what WM_PAINT and WM_PRINTCLIENT show.
    void paint(HDC dc) const;

private:
    static LRESULT CALLBACK labelProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR self);
    void detach();
    void onClick();
    void remakeFont();
    void repaint() const;

    HWND label_ = nullptr;
    COLORREF textColour_ = GetSysColor(COLOR_WINDOWTEXT);
    winui::UniqueBrush faceBrush_{CreateSolidBrush(GetSysColor(COLOR_BTNFACE))};
    winui::UniqueBrush customBrush_;  // from setBackgroundColour
    bool transparent_ = false;
    bool link_ = false;
    bool notifyParent_ = false;
    std::wstring target_;
    LOGFONTW description_{};  // from the control's font at attachment
    winui::UniqueFont font_;
};

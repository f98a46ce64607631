#pragma once
// CColourButton: a dialog push button that shows a colour and drops down the palette of
// colour_popup.h when clicked.
//
// attach() subclasses the button, which becomes owner-drawn; the parent's WM_DRAWITEM and
// BN_CLICKED for it are served here (the parent offers them first, winui/child_messages.h), so
// the dialog needs no code of its own. The parent hears of the popup through the kColour*
// notifications (wParam = colour, lParam = the button's control id); the program acts only on
// kColourSelEndOk and otherwise reads colour() when it needs it.

#include <windows.h>

#include <string>

#include "controls/colour_popup.h"
#include "winui/child_messages.h"

class CColourButton final : public winui::IChildMessages {
public:
    CColourButton();
    ~CColourButton() override;
    CColourButton(const CColourButton&) = delete;
    CColourButton& operator=(const CColourButton&) = delete;

    // Takes over a push button of a dialog; false when it is not a window or already taken.
    bool attach(HWND button);
    void detach();
    HWND hwnd() const { return button_; }

    // The colour picked, shown in the well; kDefaultColour means "automatic".
    COLORREF colour() const { return background_; }
    void setColour(COLORREF colour);

    void setDefaultText(std::wstring text) { defaultText_ = std::move(text); }  // empty: no row
    void setCustomText(std::wstring text) { customText_ = std::move(text); }    // empty: no row
    void setTrackSelection(bool track) { trackSelection_ = track; }

    bool popupActive() const { return popupActive_; }
    HWND popup() const { return popup_; }
    RECT arrowRect() const;  // in client coordinates

    // Paints the whole button into dc (state: ODS_* flags of WM_DRAWITEM).
    void draw(HDC dc, const RECT& bounds, UINT state) const;

private:
    static LRESULT CALLBACK buttonProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR self);
    bool onParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void fitSize();
    RECT arrowIn(const RECT& bounds) const;
    void openPopup();
    void storeColour(COLORREF colour);
    void notifyParent(UINT message, COLORREF colour) const;
    void onPopupReport(UINT message, COLORREF colour);

    HWND button_ = nullptr;
    HWND parent_ = nullptr;
    COLORREF background_;          // the system button-face colour at first
    bool trackSelection_ = false;  // show the highlighted colour while the popup is open
    bool popupActive_ = false;
    HWND popup_ = nullptr;
    COLORREF colourAtOpen_ = 0;  // restored on cancel
    std::wstring defaultText_ = L"Automatic";
    std::wstring customText_ = L"More Colours...";
    int arrowSize_ = 0;  // side of the drop-arrow box, measured at attachment
};

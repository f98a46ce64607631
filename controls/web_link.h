#pragma once
// CWebLink: a static text of a dialog that opens an address when clicked. It shows the link in
// the link colour, the hover colour while the pointer is over it and the visited colour once
// opened, underlined in the control's font, with the address as its tooltip and a hand cursor.
//
// attach() subclasses the static; its parent's colour message and click notification for it are
// answered here (the parent offers them first, winui/child_messages.h), so the dialog needs no
// code of its own.
// An empty text shows the address; an empty address opens the text.

#include <windows.h>

#include <string>

#include "winui/child_messages.h"
#include "winui/handles.h"

class CWebLink final : public winui::IChildMessages {
public:
    static constexpr COLORREF kLinkColour = RGB(0, 0, 238);
    static constexpr COLORREF kVisitedColour = RGB(85, 26, 139);
    static constexpr COLORREF kHoverColour = RGB(255, 92, 0);
    static constexpr COLORREF kSystemHighlight = CLR_INVALID;  // as a hover colour: the system's highlight

    CWebLink() = default;
    ~CWebLink() override;
    CWebLink(const CWebLink&) = delete;
    CWebLink& operator=(const CWebLink&) = delete;

    // Takes over a static control; false when it is not a window or already taken.
    bool attach(HWND control);
    HWND hwnd() const { return control_; }

    void setUrl(std::wstring url);
    void setColours(COLORREF link, COLORREF visited, COLORREF hover = kHoverColour);
    void setVisited(bool visited);
    void setAdjustToSize(bool adjust);

    const std::wstring& url() const { return url_; }
    bool visited() const { return visited_; }
    bool pointerOver() const { return over_; }
    // The colour the text is drawn in now.
    COLORREF textColour() const;
    HWND tooltip() const { return tooltip_; }
    HCURSOR cursor() const { return cursor_; }

    // What a click does: open the address; on failure beep and tell why.
    void open();

private:
    static LRESULT CALLBACK controlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR self);
    bool onParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void detach();
    void adjustSize();
    void updateTooltip();
    void onMouseMove(POINT at);
    void repaint() const;

    HWND control_ = nullptr;
    HWND parent_ = nullptr;
    HWND tooltip_ = nullptr;  // destroyed with the control
    COLORREF link_ = kLinkColour;
    COLORREF visitedColour_ = kVisitedColour;
    COLORREF hover_ = kHoverColour;
    bool over_ = false;
    bool visited_ = false;
    bool underline_ = true;
    bool adjustToSize_ = true;
    std::wstring url_;
    winui::UniqueFont font_;
    HCURSOR cursor_ = nullptr;  // shared for the whole run, never destroyed
};

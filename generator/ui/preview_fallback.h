#pragma once
// What the preview shows in the browser's place when the system has no browser control that can
// show pages: a short explanation and a link that opens the same sample page in the user's
// default browser. It takes the preview's navigations like the browser would, so the link always
// opens the page as last made.

#include <windows.h>

#include <string>

#include "winui/seam.h"

class CPreviewFallback final : public winui::IPageView {
public:
    // Creates the explanation and the link as children of `parent` in the area `where`.
    bool create(HWND parent, const RECT& where);
    void move(const RECT& where);
    bool visible() const;

    void navigate(const std::wstring& address) override { address_ = address; }
    const std::wstring& address() const { return address_; }
    // The link's click: the page in the default browser (nothing before the first page is made).
    void openInBrowser(HWND owner) const;

private:
    HWND text_ = nullptr;
    HWND link_ = nullptr;
    std::wstring address_;
};

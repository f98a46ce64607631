#pragma once
// CWebBrowser: the system's WebBrowser control, hosted in place in a child window of ours by a
// small OLE container (client site, in-place site and frame in one object), and told to show a
// page through its Navigate method. The program's thread must have called OleInitialize.
//
// Where no HTML engine is installed (Wine without one, for instance) the control may still be
// made but shows nothing: create() refuses then, so the caller can put something useful in its
// place.

#include <windows.h>

#include <string>

#include <ole2.h>

#include "base/com_ptr_win.h"
#include "winui/seam.h"

namespace winui {

class CBrowserSite;

class CWebBrowser final : public IPageView {
public:
    CWebBrowser();
    ~CWebBrowser() override;
    CWebBrowser(const CWebBrowser&) = delete;
    CWebBrowser& operator=(const CWebBrowser&) = delete;

    // Creates the host window (child `id` of `parent`, at `where`) with the control active in
    // it; false, leaving nothing behind, when the control cannot be made or cannot show pages.
    bool create(HWND parent, int id, const RECT& where);
    void destroy();
    HWND hwnd() const { return host_; }
    void move(const RECT& where);

    // Navigate (dispatch id 104) with the address alone: no flags, target, post data or headers.
    void navigate(const std::wstring& address) override;

    // True when the system can make HTML documents, which the control needs to show a page.
    static bool canRender();
    // Asks the control to render with the system's current engine instead of the oldest
    // compatibility mode: the per-program browser emulation value under HKEY_CURRENT_USER.
    static void useCurrentEngine();

private:
    static LRESULT CALLBACK hostProc(HWND, UINT, WPARAM, LPARAM);

    HWND host_ = nullptr;
    ComPtr<CBrowserSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<IDispatch> browser_;
};

}  // namespace winui

#include "winui/browser_site.h"

namespace winui {

CBrowserSite::CBrowserSite(HWND host) : host_(host) { ++alive_; }

CBrowserSite::~CBrowserSite() { --alive_; }

STDMETHODIMP CBrowserSite::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *out = static_cast<IOleInPlaceFrame*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CBrowserSite::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) CBrowserSite::Release()
{
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP CBrowserSite::GetMoniker(DWORD, DWORD, IMoniker** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CBrowserSite::GetContainer(IOleContainer** out)
{
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CBrowserSite::GetWindow(HWND* out)
{
    if (!out) return E_POINTER;
    *out = host_;
    return host_ ? S_OK : E_FAIL;
}

STDMETHODIMP CBrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                            LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    if (!host_) return E_FAIL;
    if (frame) {
        *frame = this;
        AddRef();
    }
    RECT client{};
    GetClientRect(host_, &client);
    if (position) *position = client;
    if (clip) *clip = client;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = host_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

}  // namespace winui

// The in-place container of the WebBrowser control: the host window, the site object
// (browser_site.h) that answers the control's questions, and the control's own interfaces.

#include "winui/web_browser.h"

#include <ole2.h>
#include <oleidl.h>

#include "winui/browser_site.h"
#include "winui/handles.h"

namespace winui {

namespace {

// {8856F961-340A-11D0-A96B-00C04FD705A2}: the WebBrowser control.
constexpr CLSID kWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
// {25336920-03F9-11CF-8FD0-00AA00686F13}: the HTML document the control shows pages in.
constexpr CLSID kHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
constexpr DISPID kNavigate = 104;
constexpr DWORD kCurrentEngine = 11001;  // the newest standards mode the engine knows
constexpr wchar_t kHostClass[] = L"FotoloomBrowserHost";
constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

}  // namespace

CWebBrowser::CWebBrowser() = default;

CWebBrowser::~CWebBrowser() { destroy(); }

bool CWebBrowser::canRender()
{
    ComPtr<IUnknown> document;
    return SUCCEEDED(CoCreateInstance(kHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, document.putVoid()));
}

void CWebBrowser::useCurrentEngine()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &created, nullptr) != ERROR_SUCCESS)
        return;
    const UniqueKey key(created);
    DWORD current = 0, size = sizeof(current), type = 0;
    const bool same =
        RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&current), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && current == kCurrentEngine;
    if (!same)
        RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kCurrentEngine),
                       sizeof(kCurrentEngine));
}

LRESULT CALLBACK CWebBrowser::hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE) {
        auto* self = reinterpret_cast<CWebBrowser*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->inPlace_) {
            const RECT client{0, 0, LOWORD(lParam), HIWORD(lParam)};
            self->inPlace_->SetObjectRects(&client, &client);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool CWebBrowser::create(HWND parent, int id, const RECT& where)
{
    if (!canRender()) return false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExW(instance, kHostClass, &existing)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = hostProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kHostClass;
        if (!RegisterClassExW(&wc)) return false;
    }
    host_ = CreateWindowExW(0, kHostClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, where.left, where.top,
                            where.right - where.left, where.bottom - where.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!host_) return false;
    SetWindowLongPtrW(host_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    site_ = ComPtr<CBrowserSite>::adopt(CBrowserSite::make(host_));

    useCurrentEngine();
    RECT client{};
    GetClientRect(host_, &client);
    const bool made =
        SUCCEEDED(CoCreateInstance(kWebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object_.putVoid())) &&
        SUCCEEDED(object_->SetClientSite(site_.get())) &&
        SUCCEEDED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, host_, &client)) &&
        SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, inPlace_.putVoid())) &&
        SUCCEEDED(object_->QueryInterface(IID_IDispatch, browser_.putVoid()));
    if (!made) {
        destroy();
        return false;
    }
    inPlace_->SetObjectRects(&client, &client);
    return true;
}

void CWebBrowser::destroy()
{
    if (inPlace_) inPlace_->InPlaceDeactivate();
    inPlace_.reset();
    browser_.reset();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    object_.reset();
    if (host_) {
        SetWindowLongPtrW(host_, GWLP_USERDATA, 0);
        DestroyWindow(host_);
        host_ = nullptr;
    }
    // Ours is let go; the site lives on while the control still holds it.
    if (site_) site_->hostGone();
    site_.reset();
}

void CWebBrowser::move(const RECT& where)
{
    if (host_)
        SetWindowPos(host_, nullptr, where.left, where.top, where.right - where.left, where.bottom - where.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWebBrowser::navigate(const std::wstring& address)
{
    if (!browser_) return;
    BSTR url = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
    if (!url) return;
    // Arguments go last first: headers, post data, target frame and flags are left empty.
    VARIANT arguments[5];
    for (VARIANT& v : arguments) VariantInit(&v);
    arguments[4].vt = VT_BSTR;
    arguments[4].bstrVal = url;
    DISPPARAMS parameters{arguments, nullptr, 5, 0};
    browser_->Invoke(kNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
    SysFreeString(url);
}

}  // namespace winui

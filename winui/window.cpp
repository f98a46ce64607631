#include "winui/window.h"

#include "winui/child_messages.h"

namespace winui {

namespace {

bool registerClass(const WindowArgs& args, WNDPROC procedure)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, args.className, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = args.classStyle;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = args.icon;
    wc.hIconSm = args.smallIcon;
    wc.hCursor = args.cursor;
    wc.hbrBackground = args.background;
    wc.lpszClassName = args.className;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

CWindow::~CWindow()
{
    if (hwnd_) {
        HWND window = hwnd_;
        detach();
        DestroyWindow(window);
    }
}

CWindow* CWindow::fromHandle(HWND window)
{
    return window ? reinterpret_cast<CWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

bool CWindow::createWindow(const WindowArgs& args)
{
    if (!registerClass(args, windowProc)) return false;
    HMENU menuOrId = args.menu;
    if (args.style & WS_CHILD) menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id));
    HWND window = CreateWindowExW(args.exStyle, args.className, args.text, args.style, args.x, args.y, args.width,
                                  args.height, args.parent, menuOrId, GetModuleHandleW(nullptr), this);
    return window != nullptr && hwnd_ == window;
}

void CWindow::attach(HWND window)
{
    hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void CWindow::detach()
{
    if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
}

bool CWindow::onCommand(UINT id, UINT code)
{
    const MessageMapBase* map = messageMap();
    return map && map->runCommand(*this, id, code);
}

bool CWindow::onUpdateCommand(CCommandState& state)
{
    const MessageMapBase* map = messageMap();
    return map && map->runUpdate(*this, state);
}

bool CWindow::dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // What this window is told about a child goes to the child's wrapper first.
    if (offerToChild(hwnd_, message, wParam, lParam, result)) return true;
    const MessageMapBase* map = messageMap();
    return map && map->dispatch(*this, message, wParam, lParam, result);
}

LRESULT CALLBACK CWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* created = static_cast<CWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (created) created->attach(window);
    }
    CWindow* self = fromHandle(window);
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    const bool handled = self->dispatch(message, wParam, lParam, result);
    if (!handled) result = DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->detach();
        self->onFinalMessage();
    }
    return result;
}

RECT clientRect(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

SIZE clientSize(HWND window)
{
    const RECT r = clientRect(window);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace winui

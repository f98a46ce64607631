#pragma once
// CWindow: the base of every window class of the program. The C++ object for an HWND lives in
// the window's GWLP_USERDATA, set on WM_NCCREATE, so no global table (and no lock) is needed.
// Messages go to the class's dispatch table (message_map.h), then to DefWindowProc; what the
// window is told about one of its children is offered to that child's wrapper first
// (child_messages.h).

#include <windows.h>

#include <string>

#include "winui/command.h"
#include "winui/message_map.h"

namespace winui {

// Everything needed to register a window class (once per name) and create a window of it.
struct WindowArgs {
    const wchar_t* className = nullptr;
    UINT classStyle = 0;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HCURSOR cursor = LoadCursorW(nullptr, IDC_ARROW);
    HBRUSH background = nullptr;

    HWND parent = nullptr;
    const wchar_t* text = L"";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    int id = 0;            // child control id
    HMENU menu = nullptr;  // top-level windows only
    int x = 0, y = 0, width = 0, height = 0;
};

class CWindow : public IView {
public:
    CWindow() = default;
    // Destroys a window that is still alive, without calling back into the half-destroyed object.
    ~CWindow() override;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND hwnd() const override { return hwnd_; }

    // Commands that reach this window along the route: its table's command and update entries.
    bool onCommand(UINT id, UINT code) override;
    bool onUpdateCommand(CCommandState& state) override;

    // The object behind a window made by this framework, or null.
    static CWindow* fromHandle(HWND window);

protected:
    // Registers the class when needed and creates the window; false when either fails.
    bool createWindow(const WindowArgs& args);

    // The class's dispatch table; null for none.
    virtual const MessageMapBase* messageMap() const { return nullptr; }
    // Handles one message; false leaves it to the default processing. Framework base classes
    // override this to add their own behaviour around the table.
    virtual bool dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Called after the last message (WM_NCDESTROY); the handle is already gone.
    virtual void onFinalMessage() {}

    // The object is bound to the handle from its first message on.
    void attach(HWND window);
    void detach();

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// Client rectangle and text helpers used by several windows.
RECT clientRect(HWND window);
SIZE clientSize(HWND window);

}  // namespace winui

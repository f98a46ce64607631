#pragma once
// The test program as a host of Sidefold.dll: the library loaded once with LoadLibrary and its
// exports found by ordinal, a parent window for bars, an owner window that logs every
// forwarded message (copying the record while it is valid), and waiting helpers that keep the
// host's thread pumping, as a real host must while the bar's thread talks to it.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "taskpane/include/sidefold.h"
#include "test_resources.h"

// Forwarded messages wait this long in the tests (the library's 100 s would make a test of a
// host that stops answering take minutes).
constexpr DWORD kTestForwardTimeoutMs = 1500;

// The tests' stand-in for the sound library (fake_sound.c), beside the test program.
constexpr const char* kFakeSoundModule = "fakesound.dll";

struct SidefoldExports {
    HMODULE module = nullptr;
    SidefoldProbeProc probe = nullptr;
    SidefoldNothingProc nothing = nullptr;
    SidefoldImageListsProc imageLists = nullptr;
    SidefoldFillThemeProc fillTheme = nullptr;
    SidefoldReleaseThemeProc releaseTheme = nullptr;
    SidefoldCreateBarProc createBar = nullptr;
    SidefoldDestroyBarProc destroyBar = nullptr;
    SidefoldSetTestHooksProc setTestHooks = nullptr;
};

template <class F> F byOrdinal(HMODULE module, int ordinal)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

// What the tests set in the library: no pauses between frames, a short bound on forwarded
// messages, and sounds heard by the stand-in (fake_sound.c) rather than played. A test that
// fixes the DPI changes `dpi` and sets them again (setTestDpi).
inline SidefoldTestHooks& testHooks()
{
    static SidefoldTestHooks hooks = [] {
        SidefoldTestHooks h{};
        h.cbSize = sizeof(h);
        h.animationPauseMs = 0;
        h.forwardTimeoutMs = kTestForwardTimeoutMs;
        HMODULE sound = LoadLibraryA(kFakeSoundModule);
        h.playSound =
            sound
                ? reinterpret_cast<SidefoldPlaySoundHook>(reinterpret_cast<void*>(GetProcAddress(sound, "PlaySoundA")))
                : nullptr;
        return h;
    }();
    return hooks;
}

// The library, loaded on first use for the whole test program, with the tests' hooks set.
inline const SidefoldExports& sidefold()
{
    static const SidefoldExports exports = [] {
        SidefoldExports e;
        e.module = LoadLibraryA("Sidefold.dll");
        if (!e.module) return e;
        e.probe = byOrdinal<SidefoldProbeProc>(e.module, SIDEFOLD_ORDINAL_PROBE);
        e.nothing = byOrdinal<SidefoldNothingProc>(e.module, SIDEFOLD_ORDINAL_NOTHING);
        e.imageLists = byOrdinal<SidefoldImageListsProc>(e.module, SIDEFOLD_ORDINAL_IMAGE_LISTS);
        e.fillTheme = byOrdinal<SidefoldFillThemeProc>(e.module, SIDEFOLD_ORDINAL_FILL_THEME);
        e.releaseTheme = byOrdinal<SidefoldReleaseThemeProc>(e.module, SIDEFOLD_ORDINAL_RELEASE_THEME);
        e.createBar = byOrdinal<SidefoldCreateBarProc>(e.module, SIDEFOLD_ORDINAL_CREATE_BAR);
        e.destroyBar = byOrdinal<SidefoldDestroyBarProc>(e.module, SIDEFOLD_ORDINAL_DESTROY_BAR);
        e.setTestHooks = byOrdinal<SidefoldSetTestHooksProc>(e.module, SIDEFOLD_ORDINAL_TEST_HOOKS);
        if (!e.setTestHooks || !e.setTestHooks(&testHooks())) e.module = nullptr;  // every test then fails at once
        return e;
    }();
    return exports;
}

// Every window of the library taken to be at `dpi` (0: its own again); false if refused.
inline bool setTestDpi(int dpi)
{
    testHooks().dpi = dpi;
    return sidefold().setTestHooks && sidefold().setTestHooks(&testHooks());
}

inline HINSTANCE testModule() { return GetModuleHandleA(nullptr); }

// The window's own visibility (the host windows of the tests are hidden, but for the one that reads
// pixels off the screen).
inline bool shown(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// Dispatches this thread's messages until `done` holds or `ms` pass; true when it held.
inline bool pumpUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A forwarded message as the owner saw it during the call.
struct Forwarded {
    HWND dialog;
    int groupId;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;    // WM_NOTIFY: the notification code
    UINT_PTR idFrom;  // WM_NOTIFY: idFrom
    DWORD thread;     // the thread that received it
    bool sent;        // it came through SendMessage from another thread
};

// A top-level window that parents the bars and owns the groups: it logs SIDEFOLD_MSG_FORWARDED
// and lets a test answer or act on each one.
class HostWindow {
public:
    // A test that reads pixels off the screen shows a pop-up host, which Wine maps and unmaps at
    // once (a framed window waits for a window manager that the tests do not run).
    explicit HostWindow(DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND window() const { return window_; }
    std::vector<Forwarded> log;
    // Called for every forwarded message (after it is logged); its result goes back to the dialog.
    std::function<LRESULT(const SidefoldForwardedMessage&)> onForwarded;
    // Parent notifications the window received (WM_PARENTNOTIFY wParam low words).
    std::vector<UINT> parentNotices;
    // What controls made directly in the window told it: WM_COMMAND wParams and owner drawing.
    std::vector<WPARAM> commands;
    std::vector<DRAWITEMSTRUCT> drawn;

    // Messages of the log with this message number, in order.
    std::vector<Forwarded> only(UINT message) const;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

// A group description as the program fills one.
inline SidefoldGroupDescription describeGroup(int id, UINT templateId, HWND owner, DWORD style = 0,
                                              const char* title = "Group")
{
    SidefoldGroupDescription d{};
    d.size = sizeof(d);
    d.groupId = id;
    d.templateModule = testModule();
    d.templateId = templateId;
    d.owner = owner;
    d.headerStyle = style;
    d.title = title;
    return d;
}

// One line of an expected sequence of forwarded messages, Wine style: the message, for
// WM_NOTIFY its code (kAnyCode for any), and whether it may be missing.
constexpr LPARAM kAnyCode = -99999;
struct Expected {
    UINT message;
    LPARAM code = kAnyCode;
    bool optional = false;
};
// The log against the table: in order, nothing missing but optional lines, nothing extra; each
// message sent from the bar's thread to the owner's.
::testing::AssertionResult sameSequence(const std::vector<Forwarded>& log, std::initializer_list<Expected> table);

// The group ids in display order, read back through the bar's description messages.
std::vector<int> groupIds(HWND bar);

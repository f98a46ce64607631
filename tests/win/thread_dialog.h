#pragma once
// Finds a dialog box of the calling thread by its caption. Tests look for the dialogs they open
// on their own thread only, so that two test programs running at once never answer each
// other's dialogs.

#include <windows.h>

#include <cwchar>

namespace thread_dialog_detail {

struct Search {
    const wchar_t* caption;
    HWND found;
};

inline BOOL CALLBACK visit(HWND window, LPARAM data)
{
    auto& s = *reinterpret_cast<Search*>(data);
    wchar_t name[16] = {}, text[256] = {};
    GetClassNameW(window, name, 16);
    GetWindowTextW(window, text, 256);
    if (std::wcscmp(name, L"#32770") != 0 || std::wcscmp(text, s.caption) != 0) return TRUE;
    s.found = window;
    return FALSE;
}

}  // namespace thread_dialog_detail

inline HWND findThreadDialog(const wchar_t* caption)
{
    thread_dialog_detail::Search search{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &thread_dialog_detail::visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

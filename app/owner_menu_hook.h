#pragma once
// COwnerMenuHook: while one exists on a thread, every menu window that the system creates there
// (class "#32768") is subclassed so that it draws its own flat border, matching the owner-drawn
// items. The previous window procedure is kept in the window property "OldMenuProc" and put
// back when the menu window goes.

#include <windows.h>

class COwnerMenuHook {
public:
    COwnerMenuHook();  // hooks this thread; hooks nest
    ~COwnerMenuHook();
    COwnerMenuHook(const COwnerMenuHook&) = delete;
    COwnerMenuHook& operator=(const COwnerMenuHook&) = delete;

    static bool isSubclassed(HWND menuWindow);
    // Paints the border of a menu window into its window DC (also used for WM_PRINT).
    static void drawBorder(HWND menuWindow, HDC windowDc);
};

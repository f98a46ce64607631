#pragma once
// The window procedures of the five registered classes and the group dialogs.

#include <windows.h>

namespace sidefold {

LRESULT CALLBACK barWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK headerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK linkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK labelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK buttonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK groupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace sidefold

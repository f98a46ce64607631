#pragma once
// The three functions of Sidefold.dll that the program calls, bound by ordinal when the program
// loads (the import library comes from the library's .def, whose names map to the ordinals).

#include "taskpane/include/sidefold.h"

extern "C" {
__declspec(dllimport) HIMAGELIST WINAPI
    sidefoldImageLists(HINSTANCE module, UINT bitmapId, int imageWidth, COLORREF mask, int* count, int* height,
                       HIMAGELIST* disabled, HIMAGELIST* dimmed);
__declspec(dllimport) HWND WINAPI
    sidefoldCreateBar(HWND parent, DWORD style, DWORD exStyle, int x, int y, int cx, int cy);
__declspec(dllimport) BOOL WINAPI sidefoldDestroyBar(HWND bar);
}

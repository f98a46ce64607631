#pragma once
// The one bitmap layout our Windows code exchanges with GDI: 32 bits a pixel, top row first.

#include <windows.h>

// The format of a 32-bit top-down DIB of width x height: one DWORD a pixel, 0xAARRGGBB, first row first.
inline BITMAPINFO topDownDibFormat(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

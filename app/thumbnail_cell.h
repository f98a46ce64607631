#pragma once
// One 100 x 90 thumbnail cell: the picture fitted by the ratio rule, on white, in a light grey
// frame. Used by the thumbnail worker and by the remake of one cell after a rotation.

#include <windows.h>

#include <cstdint>

class CPicture;

inline constexpr int kCellWidth = 100;
inline constexpr int kCellHeight = 90;
inline constexpr COLORREF kCellFill = RGB(255, 255, 255);
inline constexpr COLORREF kCellFrame = RGB(0xC0, 0xC0, 0xC0);

struct CellPlacement {
    int left = 0, top = 0, width = 0, height = 0;
};

// Where a picture of width x height (as shown, rotation applied) is drawn in a cell: full
// height when it is taller than the cell's ratio, else full width; centred the other way.
CellPlacement placeInCell(uint32_t width, uint32_t height);

// A cell bitmap compatible with the screen; null when the picture is invalid or GDI fails.
// Safe on any thread. The caller deletes it.
HBITMAP makeThumbnailCell(const CPicture& picture);
// The cell of a row that has no picture: white in its frame.
HBITMAP makeEmptyCell();

#pragma once
// One thumbnail cell, 100 x 90 pixels at 96 DPI and as much larger as the view's DPI asks: the picture fitted by the
// ratio rule, on white, in a light grey frame; or, for a picture that cannot be shown, the missing-picture mark (a
// crossed-out picture over the file's name on grey), so it never looks like a white photograph. Where the picture comes
// from is thumbnail_source.h.

#include <windows.h>

#include <cstdint>
#include <string>

#include "winui/handles.h"

class CPicture;

inline constexpr int kCellWidth = 100;
inline constexpr int kCellHeight = 90;
inline constexpr COLORREF kCellFill = RGB(255, 255, 255);
inline constexpr COLORREF kCellFrame = RGB(0xC0, 0xC0, 0xC0);
inline constexpr COLORREF kMissingFill = RGB(0xEC, 0xEA, 0xE6);
inline constexpr COLORREF kMissingCross = RGB(0xC8, 0x28, 0x28);

// The pixel size of the cells the view draws.
struct CellSize {
    int width = kCellWidth;
    int height = kCellHeight;
    bool operator==(const CellSize&) const = default;
};

// The cell for a screen of `dpi` dots per inch: 100 x 90 scaled by dpi / 96, never smaller.
CellSize cellSizeForDpi(int dpi);

// Why a cell shows the missing-picture mark.
enum class CellProblem { None, Missing, Unreadable, UnknownType };

// A cell as the worker hands it to the view; the bitmap is null only when GDI failed.
struct ThumbnailCell {
    winui::UniqueBitmap bitmap;
    CellProblem problem = CellProblem::None;
};

struct CellPlacement {
    int left = 0, top = 0, width = 0, height = 0;
};

// Where a picture of width x height (as shown, rotation applied) is drawn in a cell: full
// height when it is taller than the cell's ratio, else full width; centred the other way.
CellPlacement placeInCell(uint32_t width, uint32_t height, CellSize cell = {});

// A cell bitmap compatible with the screen; null when the picture is invalid or GDI fails.
// Safe on any thread. The caller deletes it.
HBITMAP makeThumbnailCell(const CPicture& picture, CellSize cell = {});
// The cell of a row whose picture has not been made yet: white in its frame.
HBITMAP makeEmptyCell(CellSize cell = {});
// The missing-picture mark with the file's name (without its folder), drawn as at 96 DPI and
// scaled to the cell.
HBITMAP makeMissingCell(const std::wstring& fileName, CellSize cell = {});

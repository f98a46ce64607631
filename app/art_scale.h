#pragma once
// Which drawing of the program's pictures a window of some DPI shows. Every picture is drawn at
// 1, 1.5 and 2 times its size; a window takes the largest that is not larger than its scale asks
// (a 125 % screen keeps the 1x drawings, crisp, rather than stretched 1.5x ones), so nothing is
// ever resampled.

#include <windows.h>

struct ArtSet {
    int percent;       // 100, 150 or 200
    int toolBar;       // toolbar icons: 32, 48, 64
    int menu;          // menu and task-link images, and small icons: 16, 24, 32
    int header;        // the task-pane group header picture: 48, 72, 96
    UINT menuStrip;    // bitmap of the menu images, `menu` pixels a cell
    UINT headerStrip;  // bitmap of the header pictures, `header` pixels a cell
};

const ArtSet& artFor(int dpi);

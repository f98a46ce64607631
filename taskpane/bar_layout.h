#pragma once
// Placing the stack of groups in the bar, and the bar's fonts.

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// Places every group from the top: its header, and below it the dialog when expanded.
void layoutBar(HWND bar);

// The two fonts of the bar from the library's theme record (the stock GUI font in the system
// look); any fonts the bar made before are deleted.
void makeBarFonts(BarRecord& bar);
void deleteBarFonts(BarRecord& bar);

}  // namespace sidefold

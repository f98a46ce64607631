#pragma once
// Reading the theme record's values from the style sheet of a shell style file.

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "taskpane/include/sidefold.h"

namespace sidefold {

// Reads every property into `theme` (cleared by the caller, names kept). False when the sheet
// cannot be tokenized or lacks a required property; the bitmaps made so far are then deleted
// and the record must get the system look.
bool readStyleSheet(SidefoldTheme& theme, HMODULE shellStyle, const uint8_t* data, size_t size);

}  // namespace sidefold

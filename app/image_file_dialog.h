#pragma once
// "Open image file": the system's open dialog for Add images, several files at once, through
// winui::seam(). There is no limit on how many files (or how many characters of names) one
// choice may hold.

#include <windows.h>

#include <string>
#include <vector>

#include "winui/seam.h"

// The request the dialog is shown with (title, filters with "Supported files" selected,
// default extension "bmp", multiple selection of existing files).
winui::FileDialogRequest imageFilesRequest();
// The chosen files as UTF-8 full paths in the dialog's order; empty when cancelled.
std::vector<std::string> chooseImageFiles(HWND owner);

#pragma once
// CFolderDialog: the shell's folder browser, through winui::seam(). Add folder shows it with
// the title "Choose folder..." and BIF_RETURNONLYFSDIRS; a given initial folder starts
// selected, BIF_STATUSTEXT shows the selected folder's path, and a typed name that is no
// folder beeps and keeps the browser open.

#include <windows.h>

#include <optional>
#include <string>

class CFolderDialog {
public:
    CFolderDialog(std::wstring title, const wchar_t* initialFolder, HWND owner, UINT flags);

    // 1 = a folder was chosen (see folder()), -1 = the choice has no file-system path,
    // 2 = cancelled.
    int doModal();
    // The chosen folder, UTF-8.
    const std::string& folder() const { return folder_; }

private:
    std::wstring title_;
    std::wstring initialFolder_;
    HWND owner_;
    UINT flags_;
    std::string folder_;
};

// Add folder's chooser: "Choose folder...", no initial folder, file-system folders only.
// The chosen folder, or nothing when cancelled or not a file-system folder.
std::optional<std::string> chooseImageFolder(HWND owner);

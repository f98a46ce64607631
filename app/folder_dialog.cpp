#include "app/folder_dialog.h"

#include <shlobj.h>

#include "winui/seam.h"
#include "winui/text.h"

CFolderDialog::CFolderDialog(std::wstring title, const wchar_t* initialFolder, HWND owner, UINT flags)
    : title_(std::move(title)), initialFolder_(initialFolder ? initialFolder : L""), owner_(owner), flags_(flags)
{
}

int CFolderDialog::doModal()
{
    const winui::FolderDialogResult result =
        winui::seam().folderDialog(owner_, winui::FolderDialogRequest{title_, initialFolder_, flags_});
    if (result.choice == winui::FolderChoice::Chosen) folder_ = winui::narrow(result.path);
    return static_cast<int>(result.choice);
}

std::optional<std::string> chooseImageFolder(HWND owner)
{
    CFolderDialog dialog(L"Choose folder...", nullptr, owner, BIF_RETURNONLYFSDIRS);
    if (dialog.doModal() != 1) return std::nullopt;
    return dialog.folder();
}

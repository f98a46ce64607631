// What the program asks of the system's dialogs and message boxes, through the seam: the
// "Open image file" request and its answer of any size, the folder chooser, and the prompter.

#include <gtest/gtest.h>
#include <shlobj.h>

#include "app/folder_dialog.h"
#include "app/image_file_dialog.h"
#include "app/win_prompter.h"
#include "fake_seam.h"
#include "winui/text.h"

namespace {

TEST(ImageFilesDialog, AsksForSeveralExistingFilesWithTheImageFilters)
{
    FakeSeam seam;
    EXPECT_TRUE(chooseImageFiles(nullptr).empty());  // cancelled
    ASSERT_EQ(seam.fileRequests.size(), 1u);
    const winui::FileDialogRequest& request = seam.fileRequests[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.title, L"Open image file");
    EXPECT_EQ(request.defaultExtension, L"bmp");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.flags & (OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY),
              static_cast<DWORD>(OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
    EXPECT_EQ(request.filter.rfind(L"Supported files|*.bmp;*.gif;*.jpg;*.jpeg;*.png;*.ico;*.tif;*.tiff;*.tga;*.pcx;"
                                   L"*.wbmp;*.wmf;*.emf;*.webp;*.avif|BMP files|*.bmp|",
                                   0),
              0u);
    EXPECT_NE(request.filter.find(L"|PNM files|*.pnm;*.pgm;*.ppm|WebP AVIF files|*.webp;*.avif||"), std::wstring::npos);
    size_t bars = 0;
    for (wchar_t c : request.filter) bars += c == L'|';
    EXPECT_EQ(bars, 17u * 2 + 1);  // seventeen pairs and the closing bar
}

TEST(ImageFilesDialog, HundredsOfLongNamesComeBackWholeAndInOrder)
{
    FakeSeam seam;
    std::vector<std::wstring> chosen;
    const std::wstring folder = L"C:\\Pictures\\Sommer in Z\u00FCrich " + std::wstring(180, L'x') + L"\\";
    for (int i = 0; i < 600; ++i) chosen.push_back(folder + L"IMG_" + std::to_wstring(i) + L".jpg");
    seam.fileAnswers = {chosen};
    const std::vector<std::string> paths = chooseImageFiles(nullptr);
    ASSERT_EQ(paths.size(), 600u);  // far beyond 4096 characters
    EXPECT_EQ(paths.front(), winui::narrow(chosen.front()));
    EXPECT_EQ(paths.back(), winui::narrow(chosen.back()));
    EXPECT_NE(paths[1].find("Z\xC3\xBCrich"), std::string::npos);
}

TEST(FolderDialog, ChooseFolderOffersFileSystemFoldersOnlyAndActsOnlyOnAChosenOne)
{
    FakeSeam seam;
    seam.folderAnswers = {{winui::FolderChoice::Chosen, L"C:\\Fotos"},
                          {winui::FolderChoice::NotInFileSystem, L""},
                          {winui::FolderChoice::Cancelled, L""}};
    EXPECT_EQ(chooseImageFolder(nullptr), std::optional<std::string>("C:\\Fotos"));
    EXPECT_EQ(chooseImageFolder(nullptr), std::nullopt);
    EXPECT_EQ(chooseImageFolder(nullptr), std::nullopt);
    ASSERT_EQ(seam.folderRequests.size(), 3u);
    EXPECT_EQ(seam.folderRequests[0].title, L"Choose folder...");
    EXPECT_EQ(seam.folderRequests[0].flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
    EXPECT_TRUE(seam.folderRequests[0].initialFolder.empty());

    seam.folderAnswers = {{winui::FolderChoice::NotInFileSystem, L""}, {winui::FolderChoice::Cancelled, L""}};
    CFolderDialog withStart(L"Choose", L"D:\\Start", nullptr, BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
    EXPECT_EQ(withStart.doModal(), -1);
    EXPECT_EQ(withStart.doModal(), 2);
    EXPECT_EQ(seam.folderRequests[3].initialFolder, L"D:\\Start");
}

TEST(WinPrompter, MessageBoxesCarryIconButtonsAndOwnerAndAnswerBack)
{
    FakeSeam seam;
    CWinPrompter prompter;
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    prompter.setFallbackOwner(owner);
    seam.boxAnswers = {IDCANCEL, IDYES, IDOK};
    EXPECT_EQ(prompter.showMessage("Save?", "Fotoloom", MessageIcon::Warning, MessageButtons::YesNoCancel),
              MessageAnswer::Cancel);
    EXPECT_TRUE(prompter.askYesNo("Sure?", "Album removing..."));
    prompter.tell("Caf\xC3\xA9 failed", MessageIcon::Error);
    ASSERT_EQ(seam.boxes.size(), 3u);
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONWARNING));
    EXPECT_EQ(seam.boxes[1].type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(seam.boxes[1].caption, L"Album removing...");
    EXPECT_EQ(seam.boxes[2].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(seam.boxes[2].text, L"Caf\u00E9 failed");
    for (const ShownBox& box : seam.boxes) EXPECT_EQ(box.owner, owner);  // no active window here
    DestroyWindow(owner);
}

}  // namespace

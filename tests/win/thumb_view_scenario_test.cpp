// The thumbnail view in the real frame: Tab between the panes, and commands that another thread
// sends while the thumbnail worker is being stopped.

#include "scenario.h"

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/command_ids.h"

namespace {

class ThumbViewScenario : public Scenario {
protected:
    // Queues a command as a task pane delivers it: sent from its own thread, so it reaches the
    // frame only when this thread next serves sent messages. (The pane waits for the answer;
    // this does not, so the test knows the command is pending before it goes on.)
    void sendFromAnotherThread(UINT id)
    {
        std::thread pane([this, id] { SendNotifyMessageW(frameWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); });
        pane.join();
    }
    std::vector<std::wstring> thumbnailLabels()
    {
        std::vector<std::wstring> labels;
        const int count = static_cast<int>(SendMessageW(thumbnailList(), LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            LVITEMW item{};
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(thumbnailList(), LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            labels.emplace_back(text);
        }
        return labels;
    }
};

// Switching albums stops the worker still busy with the first one; the wait serves the sent
// New Gallery command, whose own stop and empty rebuild must neither nest nor hang.
TEST_F(ThumbViewScenario, NewGalleryArrivingWhileTheWorkerStopsLeavesAnEmptyView)
{
    makeAlbums({"A", "B"}, 3);
    doc().selectAlbum(0);  // a worker starts; it cannot end before this thread serves it
    sendFromAnotherThread(ID_GALLERY_NEW);
    doc().selectAlbum(1);
    EXPECT_EQ(doc().albumCount(), 0);
    EXPECT_TRUE(waitForThumbnailRows(0));
    EXPECT_TRUE(listedAlbums().empty());
}

// The sent command adds a picture to the album being switched to: the view shows that album
// with the new picture, built once the stop is over.
TEST_F(ThumbViewScenario, ImagesAddedWhileTheWorkerStopsAreShownAfterIt)
{
    makeAlbums({"A", "B"}, 3);
    doc().selectAlbum(0);
    seam.fileAnswers = {{L"C:\\pictures\\late.jpg"}};
    sendFromAnotherThread(ID_LINK_IMAGES_ADD);
    doc().selectAlbum(1);
    ASSERT_EQ(seam.fileRequests.size(), 1u) << "the command ran during the switch";
    ASSERT_EQ(doc().albumImageCount(), 4);
    doc().commentImages(std::vector<int>{3}, "late");
    EXPECT_TRUE(waitForThumbnailRows(4));
    EXPECT_EQ(thumbnailLabels(), (std::vector<std::wstring>{L"", L"", L"", L"late"}));
}

// Tab and Shift+Tab in either list move the focus on to the next pane, as F6 and Shift+F6 do:
// the task pane, the album list, the thumbnails, left to right.
TEST_F(ThumbViewScenario, TabAndShiftTabMoveBetweenThePanes)
{
    auto press = [](HWND list, bool shift) {
        BYTE keys[256] = {};
        if (shift) keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(list, WM_KEYDOWN, VK_TAB, 1);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    auto inTaskPane = [&] { return IsChild(frame().taskPane(), GetFocus()) != 0; };
    SetFocus(thumbnailList());
    ASSERT_EQ(GetFocus(), thumbnailList());
    press(thumbnailList(), true);
    EXPECT_EQ(GetFocus(), albumList());
    EXPECT_EQ(frame().activeView(), &frame().albumView());
    press(albumList(), false);
    EXPECT_EQ(GetFocus(), thumbnailList());
    EXPECT_EQ(frame().activeView(), frame().thumbnailView());
    press(thumbnailList(), false);
    EXPECT_TRUE(inTaskPane()) << "on from the thumbnails to the task pane";
    SetFocus(albumList());
    press(albumList(), true);
    EXPECT_TRUE(inTaskPane()) << "back from the album list to the task pane";
    EXPECT_EQ(frame().activeView(), &frame().albumView()) << "the pane is no view";
}

}  // namespace

// A folder without a picture is told, not passed over in silence; one with pictures is not.
TEST_F(ThumbViewScenario, AddingAFolderWithoutPicturesSaysSo)
{
    makeAlbums({"A"}, 0);
    const std::filesystem::path empty = folder / L"empty";
    std::filesystem::create_directories(empty);
    std::ofstream(empty / L"notes.txt") << "not a picture";
    seam.folderAnswers = {{winui::FolderChoice::Chosen, empty.wstring()}};
    menu(ID_IMAGES_ADD_FOLDER);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"No pictures were found in '" + empty.wstring() +
                                      L"' (its sub-folders are not searched); nothing was added.");
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(doc().albumImageCount(), 0);

    std::ofstream(empty / L"a.jpg") << "named as one";
    seam.folderAnswers = {{winui::FolderChoice::Chosen, empty.wstring()}};
    menu(ID_IMAGES_ADD_FOLDER);
    EXPECT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(doc().albumImageCount(), 1);
}

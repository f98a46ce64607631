// The album operations on the real frame: each from the menu, the toolbar and its task link,
// with the album dialog answered by driving its controls and the questions through the seam.

#include "scenario.h"

#include "app/command_ids.h"

namespace {

class AlbumScenario : public Scenario {};

constexpr wchar_t kNoAlbumSelected[] = L"No album selected. Add new album(s) at first.";

TEST_F(AlbumScenario, AddAlbumFromEachSourceOpensTheDialogForANewAlbumAtTheBottom)
{
    bool sawDefaults = false;
    dialogs.answerNext(L"Album", [&](HWND dialog) {
        sawDefaults = itemText(dialog, IDC_ALBUM_TITLE) == L"New album" &&
                      itemText(dialog, IDC_ALBUM_CAPTION).empty() && IsDlgButtonChecked(dialog, IDC_ALBUM_TO_BOTTOM) &&
                      IsWindowVisible(GetDlgItem(dialog, IDC_ALBUM_TO_TOP));
        answerAlbum(L"Holidays", L"Sea\r\nand sun")(dialog);
    });
    menu(ID_ALBUM_ADD);
    EXPECT_TRUE(sawDefaults);
    dialogs.answerNext(L"Album", answerAlbum(L"Garden"));
    ASSERT_TRUE(clickToolbar(ID_TB_ALBUM_ADD));
    dialogs.answerNext(L"Album", answerAlbum(nullptr));  // the title as offered
    taskLink(ID_LINK_ALBUM_ADD);
    EXPECT_EQ(dialogs.met(), 3);

    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"Holidays", "Garden", "New album"}));
    EXPECT_EQ(doc().albums()[0].caption, "Sea\r\nand sun");
    EXPECT_EQ(listedAlbums(), (std::vector<std::wstring>{L"Holidays", L"Garden", L"New album"}));
    EXPECT_EQ(doc().selectedAlbum(), 2);  // the new album is current
    EXPECT_EQ(listedSelection(), 2);
    EXPECT_TRUE(doc().isModified());
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(AlbumScenario, AddedAlbumGoesToTheTopOrAfterTheSelectedOneAndCancelAddsNothing)
{
    makeAlbums({"One", "Two", "Three"}, 2);
    doc().selectAlbum(0);
    dialogs.answerNext(L"Album", answerAlbum(L"After one", nullptr, IDC_ALBUM_AFTER_SELECTED));
    menu(ID_ALBUM_ADD);
    dialogs.answerNext(L"Album", answerAlbum(L"First", nullptr, IDC_ALBUM_TO_TOP));
    menu(ID_ALBUM_ADD);
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"First", "One", "After one", "Two", "Three"}));
    EXPECT_EQ(doc().selectedAlbum(), 0);
    EXPECT_EQ(doc().albumImageCount(), 0);  // a new album: an empty thumbnail view
    EXPECT_EQ(SendMessageW(thumbnailList(), LVM_GETITEMCOUNT, 0, 0), 0);

    dialogs.answerNext(L"Album", answerAlbum(L"Never", nullptr, 0, IDCANCEL));
    menu(ID_ALBUM_ADD);
    EXPECT_EQ(doc().albumCount(), 5);
}

TEST_F(AlbumScenario, EditAlbumChangesTitleAndCaptionAndKeepsKeyAndImages)
{
    makeAlbums({"One", "Two"}, 3);
    doc().selectAlbum(1);
    const int32_t key = doc().albums()[1].key;
    bool positionHidden = false;
    std::wstring offeredCaption;
    dialogs.answerNext(L"Album", [&](HWND dialog) {
        positionHidden = !IsWindowVisible(GetDlgItem(dialog, IDC_ALBUM_INSERT_LABEL)) &&
                         !IsWindowVisible(GetDlgItem(dialog, IDC_ALBUM_AFTER_SELECTED)) &&
                         !IsWindowVisible(GetDlgItem(dialog, IDC_ALBUM_TO_TOP)) &&
                         !IsWindowVisible(GetDlgItem(dialog, IDC_ALBUM_TO_BOTTOM));
        offeredCaption = itemText(dialog, IDC_ALBUM_CAPTION);
        EXPECT_EQ(itemText(dialog, IDC_ALBUM_TITLE), L"Two");
        answerAlbum(L"Second", L"new words")(dialog);
    });
    ASSERT_TRUE(clickToolbar(ID_TB_ALBUM_EDIT));
    EXPECT_TRUE(positionHidden);
    EXPECT_EQ(offeredCaption, L"about Two");
    EXPECT_EQ(doc().albums()[1], (Album{"Second", "new words", key}));
    EXPECT_EQ(listedAlbums()[1], L"Second");
    EXPECT_EQ(doc().albumImageCount(), 3);
    EXPECT_TRUE(doc().isModified());

    // Renaming it back leaves nothing to save; an untouched caption comes back as it was.
    dialogs.answerNext(L"Album", answerAlbum(L"Two", L"about Two"));
    menu(ID_ALBUM_EDIT);
    EXPECT_FALSE(doc().isModified());
}

TEST_F(AlbumScenario, AlbumOperationsWithoutASelectedAlbumWarnAndOpenNoDialog)
{
    for (UINT id : {ID_ALBUM_EDIT, ID_ALBUM_COPY, ID_ALBUM_REMOVE, ID_ALBUM_UP, ID_ALBUM_DOWN}) menu(id);
    for (UINT id : {ID_TB_ALBUM_EDIT, ID_TB_ALBUM_COPY, ID_TB_ALBUM_REMOVE, ID_TB_ALBUM_UP, ID_TB_ALBUM_DOWN})
        EXPECT_TRUE(clickToolbar(id));
    taskLink(ID_LINK_ALBUM_EDIT);
    ASSERT_EQ(seam.boxes.size(), 11u);
    for (const ShownBox& box : seam.boxes) {
        EXPECT_EQ(box.text, kNoAlbumSelected);
        EXPECT_EQ(box.caption, L"Fotoloom");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(box.owner, frameWindow());
    }
    EXPECT_EQ(dialogs.met(), 0);
}

TEST_F(AlbumScenario, CopyAlbumMakesAnEmptyAlbumAtTheEndWithTheDialogsTitleAndCaption)
{
    makeAlbums({"Ten", "Other"}, 10);
    doc().selectAlbum(0);
    dialogs.answerNext(L"Album", answerAlbum(nullptr));  // as offered: the original's texts
    taskLink(ID_LINK_ALBUM_COPY);
    ASSERT_EQ(doc().albumCount(), 3);
    EXPECT_EQ(doc().albums()[2].title, "Ten");
    EXPECT_EQ(doc().albums()[2].caption, "about Ten");
    EXPECT_NE(doc().albums()[2].key, doc().albums()[0].key);
    EXPECT_EQ(doc().selectedAlbum(), 2);
    EXPECT_EQ(doc().albumImageCount(), 0);
    EXPECT_EQ(doc().images().size(), 20u);
}

TEST_F(AlbumScenario, RemoveAlbumAsksAndTakesItsImagesWithIt)
{
    makeAlbums({"Keep", "Drop", "Last"}, 2);
    doc().selectAlbum(1);
    menu(ID_ALBUM_REMOVE);  // the fake answers No
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Are you sure to remove 'Drop' album ?");
    EXPECT_EQ(seam.boxes[0].caption, L"Album removing...");
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(doc().albumCount(), 3);

    seam.boxAnswers = {IDYES};
    ASSERT_TRUE(clickToolbar(ID_TB_ALBUM_REMOVE));
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"Keep", "Last"}));
    EXPECT_EQ(doc().images().size(), 4u);
    EXPECT_EQ(doc().selectedAlbum(), 0);  // the row before it
    EXPECT_EQ(listedSelection(), 0);

    seam.boxAnswers = {IDYES, IDYES};
    taskLink(ID_LINK_ALBUM_REMOVE);
    taskLink(ID_LINK_ALBUM_REMOVE);
    EXPECT_EQ(doc().albumCount(), 0);
    EXPECT_EQ(doc().currentAlbumKey(), -1);
    EXPECT_EQ(listedSelection(), -1);
    EXPECT_EQ(SendMessageW(thumbnailList(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(AlbumScenario, MoveAlbumUpAndDownFromEverySourceCarryTheSelectionAndStopAtTheEnds)
{
    makeAlbums({"A", "B", "C"});
    doc().selectAlbum(2);
    menu(ID_ALBUM_UP);
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_TRUE(clickToolbar(ID_TB_ALBUM_UP));
    taskLink(ID_LINK_ALBUM_UP);  // already first: nothing
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(listedAlbums(), (std::vector<std::wstring>{L"C", L"A", L"B"}));
    EXPECT_EQ(listedSelection(), 0);

    taskLink(ID_LINK_ALBUM_DOWN);
    EXPECT_TRUE(clickToolbar(ID_TB_ALBUM_DOWN));
    menu(ID_ALBUM_DOWN);  // already last: nothing
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(doc().selectedAlbum(), 2);
    EXPECT_EQ(listedSelection(), 2);
    EXPECT_TRUE(seam.boxes.empty());
}

}  // namespace

// New, Open and Save on the real frame: the dialogs' requests, the window title, the model and
// the files; a damaged project; a save that fails.

#include "scenario.h"

#include <fstream>

#include "base/file_system.h"
#include "gallery/project_file.h"

namespace {

class FileScenario : public Scenario {
protected:
    // A project on disk with two albums, the first with two images.
    std::string writeProject(const std::wstring& name)
    {
        CBuilderDoc other;
        other.addAlbum("Coast", "sea", AlbumPosition::Bottom);
        other.appendImage(Image{"C:\\p\\a.jpg", other.currentAlbumKey(), 90, "first"});
        other.appendImage(Image{"C:\\p\\b.jpg", other.currentAlbumKey(), 0, ""});
        other.addAlbum("City", "", AlbumPosition::Bottom);
        other.galleryTitle = "On disk";
        RecentList recent(path(L"other.ini"));
        const std::string file = path(name);
        EXPECT_EQ(saveProject(other, file, recent), ProjectResult::Ok);
        return file;
    }
};

TEST_F(FileScenario, OpenShowsTheGalleryDialogLoadsAndNamesTheWindow)
{
    const std::string file = writeProject(L"trip.gal");
    seam.fileAnswers = {{winui::widen(file)}};
    ASSERT_TRUE(clickToolbar(ID_TB_OPEN));
    ASSERT_EQ(seam.fileRequests.size(), 1u);
    const winui::FileDialogRequest& request = seam.fileRequests[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.defaultExtension, L"gal");
    EXPECT_EQ(request.fileName, L"");
    EXPECT_EQ(request.flags, static_cast<DWORD>(0x1004));
    EXPECT_EQ(request.filter, L"Web Gallery files (*.gal)|*.gal|All Files (*.*)|*.*||");
    EXPECT_EQ(seam.fileOwners[0], frameWindow());

    EXPECT_EQ(windowTitle(), L"Fotoloom - trip");
    EXPECT_EQ(doc().galleryPath, file);
    EXPECT_EQ(doc().galleryFileTitle, "trip");
    EXPECT_EQ(doc().galleryTitle, "On disk");
    EXPECT_EQ(listedAlbums(), (std::vector<std::wstring>{L"Coast", L"City"}));
    EXPECT_EQ(listedSelection(), 0);  // the first album is current, its thumbnails shown
    EXPECT_TRUE(waitForThumbnailRows(2));
    EXPECT_FALSE(doc().isModified());
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(FileScenario, CancelledOpenChangesNothingAndReportsTheCancel)
{
    makeAlbums({"Mine"});
    EXPECT_EQ(frame().openGallery(), IDCANCEL);
    menu(ID_GALLERY_OPEN);
    EXPECT_EQ(seam.fileRequests.size(), 2u);
    EXPECT_EQ(windowTitle(), L"Fotoloom");
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"Mine"}));
}

// Half a project is never left behind to be saved back: a damaged file leaves an empty, unnamed
// gallery.
TEST_F(FileScenario, DamagedProjectIsReportedAndLeavesAnEmptyUnnamedGallery)
{
    const std::string good = writeProject(L"whole.gal");
    std::ifstream in(std::filesystem::path(winui::widen(good)), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::string damaged = path(L"damaged.gal");
    std::ofstream(std::filesystem::path(winui::widen(damaged)), std::ios::binary) << bytes.substr(0, bytes.size() / 3);

    seam.fileAnswers = {{winui::widen(good)}, {winui::widen(damaged)}};
    menu(ID_GALLERY_OPEN);
    ASSERT_EQ(windowTitle(), L"Fotoloom - whole");
    EXPECT_EQ(frame().openGallery(), IDOK);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Wrong GAL file!");
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(windowTitle(), L"Fotoloom");
    EXPECT_EQ(doc().albumCount(), 0);
    EXPECT_TRUE(listedAlbums().empty());
    EXPECT_EQ(doc().galleryPath, "");
    EXPECT_FALSE(doc().isModified());
    // The next save names no file: neither the damaged one nor the one open before.
    menu(ID_GALLERY_SAVE);
    ASSERT_EQ(seam.fileRequests.size(), 3u);
    EXPECT_EQ(seam.fileRequests[2].fileName, L"");

    seam.boxes.clear();
    seam.fileAnswers = {{winui::widen(path(L"missing.gal"))}};
    menu(ID_GALLERY_OPEN);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Cannot open gallery!");
}

// A save never replaces another project without asking; the gallery's own file is saved over
// as often as the user likes.
TEST_F(FileScenario, SavingOntoAnotherExistingProjectAsksFirst)
{
    const std::string theirs = writeProject(L"theirs.gal");
    makeAlbums({"Mine"});
    doc().galleryTitle = "mine";
    const std::wstring question = L"theirs.gal already exists.\nDo you want to replace it?";

    // No: back to the dialog, which offers the name again; cancelling it writes nothing.
    seam.fileAnswers = {{winui::widen(theirs)}};
    seam.boxAnswers = {IDNO};
    menu(ID_GALLERY_SAVE);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, question);
    EXPECT_EQ(seam.boxes[0].caption, L"Confirm Save As");
    // No is the default: Enter does not replace it.
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
    ASSERT_EQ(seam.fileRequests.size(), 2u);
    EXPECT_EQ(seam.fileRequests[1].fileName, winui::widen(theirs));
    CBuilderDoc reread;
    ASSERT_EQ(loadProject(reread, theirs), ProjectResult::Ok);
    EXPECT_EQ(reread.galleryTitle, "On disk");
    EXPECT_TRUE(doc().isModified());
    EXPECT_EQ(windowTitle(), L"Fotoloom");

    // Yes: replaced.
    seam.fileAnswers = {{winui::widen(theirs)}};
    seam.boxAnswers = {IDYES};
    menu(ID_GALLERY_SAVE);
    ASSERT_EQ(seam.boxes.size(), 2u);
    ASSERT_EQ(loadProject(reread, theirs), ProjectResult::Ok);
    EXPECT_EQ(reread.galleryTitle, "mine");
    EXPECT_EQ(windowTitle(), L"Fotoloom - theirs");

    // Its own file now: saved again without a question, also spelled in another case.
    doc().galleryTitle = "again";
    std::wstring shouted = winui::widen(theirs);
    shouted.replace(shouted.size() - 10, 6, L"THEIRS");
    seam.fileAnswers = {{winui::widen(theirs)}, {shouted}};
    menu(ID_GALLERY_SAVE);
    menu(ID_GALLERY_SAVE);
    EXPECT_EQ(seam.boxes.size(), 2u);
    ASSERT_EQ(loadProject(reread, theirs), ProjectResult::Ok);
    EXPECT_EQ(reread.galleryTitle, "again");
}

// A project named by a relative path is stored by its full path: a save after the working
// folder changed still writes the file that was opened.
TEST_F(FileScenario, ARelativeProjectPathIsMadeAbsoluteWhenOpened)
{
    const std::string file = writeProject(L"relative.gal");
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    const bool opened = frame().openGalleryFile("relative.gal");
    SetCurrentDirectoryW(before);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(winui::widen(doc().galleryPath)),
                                            std::filesystem::path(winui::widen(file))));
    EXPECT_TRUE(isAbsolutePath(doc().galleryPath));
    EXPECT_EQ(windowTitle(), L"Fotoloom - relative");
}

TEST_F(FileScenario, SaveOffersTheCurrentPathWritesCommitsAndNamesTheWindow)
{
    makeAlbums({"A", "B"}, 2);
    doc().galleryTitle = "Saved title";
    const std::string file = path(L"saved.gal");
    seam.fileAnswers = {{winui::widen(file)}};
    menu(ID_GALLERY_SAVE);
    ASSERT_EQ(seam.fileRequests.size(), 1u);
    EXPECT_TRUE(seam.fileRequests[0].save);
    EXPECT_EQ(seam.fileRequests[0].fileName, L"");  // never saved before
    EXPECT_EQ(seam.fileRequests[0].defaultExtension, L"gal");
    EXPECT_EQ(seam.fileRequests[0].flags, static_cast<DWORD>(0x1004));
    EXPECT_EQ(windowTitle(), L"Fotoloom - saved");
    EXPECT_FALSE(doc().isModified());
    EXPECT_EQ(RecentList(path(L"last.ini")).read()[0], file);

    CBuilderDoc reread;
    EXPECT_EQ(loadProject(reread, file), ProjectResult::Ok);
    EXPECT_EQ(reread.galleryTitle, "Saved title");
    EXPECT_EQ(reread.albumCount(), 2);
    EXPECT_EQ(reread.images().size(), 4u);

    // Ctrl+S saves into the gallery's own file without a dialog; the menu's Save still asks.
    doc().galleryTitle = "Again";
    accelerator(ID_FILE_SAVE);
    EXPECT_EQ(seam.fileRequests.size(), 1u);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_FALSE(doc().isModified());
    EXPECT_EQ(loadProject(reread, file), ProjectResult::Ok);
    EXPECT_EQ(reread.galleryTitle, "Again");
    doc().galleryTitle = "Asked";
    seam.fileAnswers = {{winui::widen(file)}};
    menu(ID_GALLERY_SAVE);
    ASSERT_EQ(seam.fileRequests.size(), 2u);
    EXPECT_EQ(seam.fileRequests[1].fileName, winui::widen(file));
    EXPECT_FALSE(doc().isModified());

    // A cancelled save changes nothing.
    doc().galleryTitle = "Third";
    ASSERT_TRUE(clickToolbar(ID_TB_SAVE));
    EXPECT_TRUE(doc().isModified());
    EXPECT_EQ(windowTitle(), L"Fotoloom - saved");
}

TEST_F(FileScenario, FailedSaveIsReportedAndTheGalleryStaysUnsaved)
{
    makeAlbums({"A"});
    doc().galleryTitle = "changed";
    seam.fileAnswers = {{winui::widen(path(L"no such folder\\x.gal"))}};
    menu(ID_GALLERY_SAVE);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Cannot save gallery!");
    EXPECT_TRUE(doc().isModified());  // closing will still ask
}

TEST_F(FileScenario, NewGalleryResetsTheGalleryAndTheTitle)
{
    const std::string file = writeProject(L"old.gal");
    seam.fileAnswers = {{winui::widen(file)}};
    menu(ID_GALLERY_OPEN);
    ASSERT_TRUE(clickToolbar(ID_TB_NEW));  // unmodified: nothing to ask
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(windowTitle(), L"Fotoloom");
    EXPECT_EQ(doc().albumCount(), 0);
    EXPECT_TRUE(listedAlbums().empty());
    EXPECT_EQ(doc().galleryTitle, "Untitled Gallery");
    EXPECT_FALSE(doc().isModified());
    // A new gallery is unnamed: its save offers no file, so Enter cannot replace the old project.
    EXPECT_EQ(doc().galleryPath, "");
    EXPECT_EQ(doc().galleryFileTitle, "");
    menu(ID_GALLERY_NEW);
    EXPECT_EQ(windowTitle(), L"Fotoloom");
    menu(ID_GALLERY_SAVE);
    ASSERT_EQ(seam.fileRequests.size(), 2u);
    EXPECT_EQ(seam.fileRequests[1].fileName, L"");
}

// New and Open never drop unsaved work: they ask as closing does, and only Yes (once saved) or
// No go on.
TEST_F(FileScenario, NewAndOpenAskToSaveAModifiedGalleryFirst)
{
    const std::string other = writeProject(L"other.gal");
    makeAlbums({"Mine"}, 1);
    doc().galleryTitle = "unsaved work";
    const std::wstring question = L"The current album has not been saved. Save now?";

    auto expectUntouched = [&] {
        EXPECT_EQ(albumTitles(), std::vector<std::string>{"Mine"});
        EXPECT_EQ(doc().galleryTitle, "unsaved work");
        EXPECT_TRUE(doc().isModified());
        EXPECT_EQ(windowTitle(), L"Fotoloom");
    };

    // Cancel: nothing happens, not even the open dialog.
    seam.boxAnswers = {IDCANCEL};
    ASSERT_TRUE(clickToolbar(ID_TB_NEW));
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, question);
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONWARNING));
    expectUntouched();
    seam.boxAnswers = {IDCANCEL};
    EXPECT_EQ(frame().openGallery(), IDCANCEL);
    EXPECT_TRUE(seam.fileRequests.empty());
    expectUntouched();

    // Yes, but the save dialog is cancelled: asked again; Cancel then keeps everything.
    seam.boxAnswers = {IDYES, IDCANCEL};
    menu(ID_GALLERY_OPEN);
    ASSERT_EQ(seam.fileRequests.size(), 1u);
    EXPECT_TRUE(seam.fileRequests[0].save);
    EXPECT_EQ(seam.boxes.size(), 4u);
    expectUntouched();

    // Yes: saved first, then the new gallery.
    const std::string saved = path(L"mine.gal");
    seam.boxAnswers = {IDYES};
    seam.fileAnswers = {{winui::widen(saved)}};
    menu(ID_GALLERY_NEW);
    EXPECT_EQ(seam.boxes.size(), 5u);
    EXPECT_EQ(doc().albumCount(), 0);
    EXPECT_EQ(windowTitle(), L"Fotoloom");
    CBuilderDoc reread;
    ASSERT_EQ(loadProject(reread, saved), ProjectResult::Ok);
    EXPECT_EQ(reread.galleryTitle, "unsaved work");
    EXPECT_EQ(reread.images().size(), 1u);

    // No: the change is dropped and the chosen project opened; nothing is saved.
    doc().galleryTitle = "dropped";
    seam.boxAnswers = {IDNO};
    seam.fileAnswers = {{winui::widen(other)}};
    ASSERT_TRUE(clickToolbar(ID_TB_OPEN));
    EXPECT_EQ(seam.boxes.size(), 6u);
    EXPECT_FALSE(seam.fileRequests.back().save);
    EXPECT_EQ(doc().galleryTitle, "On disk");
    EXPECT_EQ(windowTitle(), L"Fotoloom - other");
    ASSERT_EQ(loadProject(reread, saved), ProjectResult::Ok);
    EXPECT_EQ(reread.galleryTitle, "unsaved work");

    // An unmodified gallery is replaced without a question.
    menu(ID_GALLERY_NEW);
    EXPECT_EQ(seam.boxes.size(), 6u);
    EXPECT_EQ(doc().albumCount(), 0);
}

// A project that cannot be opened leaves the open gallery as it was, name and path included,
// so a later save cannot go to the wrong file.
TEST_F(FileScenario, AnUnreadableProjectChangesNeitherTheGalleryNorItsName)
{
    const std::string file = writeProject(L"mine.gal");
    seam.fileAnswers = {{winui::widen(file)}, {winui::widen(path(L"gone.gal"))}};
    menu(ID_GALLERY_OPEN);
    doc().galleryTitle = "changed";
    seam.boxAnswers = {IDNO};
    menu(ID_GALLERY_OPEN);
    ASSERT_EQ(seam.boxes.size(), 2u);
    EXPECT_EQ(seam.boxes[1].text, L"Cannot open gallery!");
    EXPECT_EQ(windowTitle(), L"Fotoloom - mine");
    EXPECT_EQ(doc().galleryPath, file);
    EXPECT_EQ(doc().galleryTitle, "changed");
    EXPECT_TRUE(doc().isModified());
}

}  // namespace

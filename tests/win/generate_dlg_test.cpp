// The build dialog on its worker: the files it writes are the command line's, its one button
// carries the build's state (cancel, Esc, a second build), and what could not be read is told.

#include "scenario.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>

#include "build_pictures.h"
#include "fake_seam.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "generator/ui/generate_dlg.h"
#include "resource.h"
#include "winui/text.h"

namespace {

namespace fs = std::filesystem;

std::wstring buttonCaption(HWND dialog) { return itemText(dialog, IDC_BUILD_BUTTON); }
int barPosition(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, PBM_GETPOS, 0, 0)); }

// Every file under a folder (the builder's own record left out) with its bytes, by relative path.
std::map<std::wstring, std::string> filesUnder(const fs::path& root)
{
    std::map<std::wstring, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().filename() == ".fotoloom-manifest") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[fs::relative(entry.path(), root).wstring()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// The dialog made modelessly over a gallery of the test's, as the frame would run it.
class GenerateDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 (L"fotoloom-generate-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial()));
        fs::create_directories(folder / L"pictures");
        doc.setPrompter(nullptr);
        doc.outputFolder = narrowPath(folder / L"out");
        fs::create_directories(folder / L"out");
        doc.galleryTitle = "Trip";
    }
    void TearDown() override
    {
        dialog.reset();
        pump();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    static std::string narrowPath(const fs::path& p) { return winui::narrow(p.wstring()); }
    static int& serial()
    {
        static int n = 0;
        return n;
    }
    std::string picture(const wchar_t* name, uint32_t width, uint32_t height)
    {
        const std::string path = narrowPath(folder / L"pictures" / name);
        EXPECT_TRUE(writeGradientJpeg(path, width, height));
        return path;
    }
    void album(const char* title, const char* caption, const std::vector<std::string>& paths)
    {
        doc.addAlbum(title, caption, AlbumPosition::Bottom);
        doc.addImages(paths);
    }
    template <class Dialog = CGenerateDlg> HWND open()
    {
        dialog = std::make_unique<Dialog>(doc);
        EXPECT_TRUE(dialog->createModeless(nullptr));
        return dialog->hwnd();
    }
    void press(int id) { SendMessageW(dialog->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    // Pumps until `done` holds (false after a minute: a build takes its time under Wine).
    static bool pumpUntil(const std::function<bool()>& done) { return ::pumpUntil(done, 60000); }
    bool waitForBuilds(int count)
    {
        return pumpUntil([&] { return dialog->buildsEnded() >= count; });
    }

    FakeSeam seam;
    CBuilderDoc doc;
    fs::path folder;
    std::unique_ptr<CGenerateDlg> dialog;
};

TEST_F(GenerateDialog, BuildWritesTheSameFilesAsTheCommandLineAndOffersToOpenTheGallery)
{
    album("Coast", "by the sea", {picture(L"wide.jpg", 1600, 1200), picture(L"tall.jpg", 900, 1400)});
    album("Town", "", {picture(L"small.jpg", 120, 90)});
    doc.rotateImages(std::vector<int>{0}, 90);  // the current album is Town
    doc.homePageLink = 1;
    doc.homePageUrl = "https://example.org/";
    seam.boxAnswers = {IDYES};

    HWND window = open();
    EXPECT_EQ(itemText(window, IDC_OUTPUT_FOLDER), (folder / L"out").wstring());
    EXPECT_EQ(itemText(window, IDC_GALLERY_TITLE), L"Trip");
    EXPECT_EQ(buttonCaption(window), L"Build Web Gallery");
    press(IDC_BUILD_BUTTON);
    EXPECT_EQ(buttonCaption(window), L"Cancel");
    ASSERT_TRUE(waitForBuilds(1));
    EXPECT_EQ(buttonCaption(window), L"Build Web Gallery");
    EXPECT_EQ(barPosition(window, IDC_TOTAL_PROGRESS), 100);
    EXPECT_EQ(barPosition(window, IDC_ALBUM_PROGRESS), 100);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Your Web Gallery is completed. View it now in your Internet browser.");
    EXPECT_EQ(seam.boxes[0].caption, L"Congratulations!");
    EXPECT_EQ(seam.boxes[0].owner, window);
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    ASSERT_EQ(seam.opened.size(), 1u);
    EXPECT_EQ(seam.opened[0], (folder / L"out" / L"Trip" / L"index.html").wstring());
    EXPECT_TRUE(IsWindow(window));  // open for another build until closed

    // The same project built by the command line, into a folder of its own.
    const std::string project = narrowPath(folder / L"trip.gal");
    RecentList recent(narrowPath(folder / L"last.ini"));
    ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    fs::create_directories(folder / L"cli");
    std::wstring command = L"\"" + winui::widen(FOTOLOOM_CLI_EXE) + L"\" build \"" + winui::widen(project) +
                           L"\" --output \"" + (folder / L"cli").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, 120000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);

    const auto mine = filesUnder(folder / L"out" / L"Trip");
    const auto theirs = filesUnder(folder / L"cli" / L"Trip");
    EXPECT_GE(mine.size(), 14u);  // 4 album pages, index, 3 picture pages, style, 3 photos, 3 thumbnails
    EXPECT_TRUE(mine.count(L"photos\\image-1-2.jpg"));
    ASSERT_EQ(mine.size(), theirs.size());
    for (const auto& [name, bytes] : mine) {
        const auto other = theirs.find(name);
        ASSERT_NE(other, theirs.end()) << winui::narrow(name);
        EXPECT_TRUE(other->second == bytes) << winui::narrow(name) << " differs";
    }
}

TEST_F(GenerateDialog, CancelStopsAtAPictureLeavesNoStyleSheetAndEscOnlyAsksTheBuildToStop)
{
    // One picture, many times: long enough a build to stop in the middle.
    const std::string photo = picture(L"big.jpg", 1600, 1200);
    album("Many", "", std::vector<std::string>(200, photo));
    HWND window = open();
    press(IDC_BUILD_BUTTON);
    ASSERT_TRUE(pumpUntil([&] { return barPosition(window, IDC_TOTAL_PROGRESS) > 0; }));
    ASSERT_EQ(dialog->buildsEnded(), 0) << "the build ended before it could be cancelled";

    // Esc is the cancel command: the dialog stays, the build is asked to stop.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(buttonCaption(window), L"Finishing...");
    press(IDC_BUILD_BUTTON);  // nothing more to ask
    EXPECT_EQ(buttonCaption(window), L"Finishing...");
    SendMessageW(window, WM_CLOSE, 0, 0);  // the close box too
    EXPECT_TRUE(IsWindow(window));

    ASSERT_TRUE(waitForBuilds(1));
    EXPECT_EQ(dialog->lastResult().outcome, BuildOutcome::Cancelled);
    EXPECT_EQ(buttonCaption(window), L"Build Web Gallery");
    EXPECT_EQ(barPosition(window, IDC_ALBUM_PROGRESS), 0);
    EXPECT_EQ(barPosition(window, IDC_TOTAL_PROGRESS), 0);
    const fs::path gallery = folder / L"out" / L"Trip";
    EXPECT_FALSE(fs::exists(gallery / L"style.css"));
    EXPECT_TRUE(fs::exists(gallery / L"photos" / L"image-1-1.jpg"));
    EXPECT_FALSE(fs::exists(gallery / L"photos" / L"image-1-200.jpg"));
    // It says it was cancelled, once, and offers nothing to view.
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text,
              L"The build was cancelled. The gallery folder keeps what was made so far; build again to finish it.");
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].owner, window);
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(seam.opened.empty());

    // Idle again: Esc now closes the dialog.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(GenerateDialog, AMissingFolderThreeLevelsDeepIsMadeAndBuilt)
{
    album("One", "", {picture(L"a.jpg", 320, 240)});
    HWND window = open();
    const fs::path parent = folder / L"new" / L"two" / L"three";
    SetDlgItemTextW(window, IDC_OUTPUT_FOLDER, parent.c_str());
    press(IDC_BUILD_BUTTON);
    ASSERT_TRUE(waitForBuilds(1));
    EXPECT_TRUE(dialog->lastResult().succeeded());
    EXPECT_TRUE(fs::is_regular_file(parent / L"Trip" / L"index.html"));
    EXPECT_TRUE(fs::is_regular_file(parent / L"Trip" / L"photos" / L"image-1-1.jpg"));
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].caption, L"Congratulations!");
}

// The folder typed names a file of the user's on the way: one message, before any picture is made,
// instead of one for each page and a congratulation for a gallery that is not there.
TEST_F(GenerateDialog, AFolderThatCannotBeMadeIsRefusedWithOneMessageAndNoCongratulations)
{
    const std::string photo = picture(L"a.jpg", 320, 240);
    album("Many", "", std::vector<std::string>(12, photo));
    doc.rows = 1;
    doc.columns = 1;  // twelve album pages
    const fs::path taken = folder / L"taken";
    std::ofstream(taken) << "mine";
    HWND window = open();
    const fs::path parent = taken / L"below";
    SetDlgItemTextW(window, IDC_OUTPUT_FOLDER, parent.c_str());
    press(IDC_BUILD_BUTTON);
    ASSERT_TRUE(waitForBuilds(1));
    EXPECT_EQ(dialog->lastResult().outcome, BuildOutcome::Unwritable);
    ASSERT_EQ(seam.boxes.size(), 1u) << winui::narrow(seam.boxes.back().text);
    const std::wstring expected =
        L"Cannot make the folder '" + (parent / L"Trip").wstring() + L"' for the Web Gallery: ";
    EXPECT_EQ(seam.boxes[0].text.substr(0, expected.size()), expected) << winui::narrow(seam.boxes[0].text);
    EXPECT_GT(seam.boxes[0].text.size(), expected.size() + std::wstring(L". Nothing was built.").size());
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].owner, window);
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(barPosition(window, IDC_TOTAL_PROGRESS), 0);  // no picture was made
    EXPECT_EQ(buttonCaption(window), L"Build Web Gallery");
    EXPECT_TRUE(seam.opened.empty());
    std::ifstream kept(taken);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
}

// Lets held workers go. One for the program: a worker may still be on its way out of its wait
// when its dialog goes.
HANDLE releaseWorkers()
{
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// Holds the worker after it has reported its end, until the test lets it go (or a minute passed,
// which the test then reports).
class HeldGenerateDlg : public CGenerateDlg {
public:
    using CGenerateDlg::CGenerateDlg;
    std::atomic<int> held{0};
    std::atomic<bool> heldTooLong{false};

protected:
    void workerEnding() override
    {
        ++held;
        if (WaitForSingleObject(releaseWorkers(), 60000) != WAIT_OBJECT_0) heldTooLong = true;
    }
};

// Signalled from a thread timer of the dialog's thread, that is, once that thread dispatches
// messages.
HANDLE dispatching = nullptr;
void CALLBACK signalDispatching(HWND, UINT, UINT_PTR, DWORD) { SetEvent(dispatching); }

TEST_F(GenerateDialog, ASecondBuildWaitsForThePreviousWorkerToEnd)
{
    album("One", "", {picture(L"a.jpg", 320, 240)});
    HWND window = open<HeldGenerateDlg>();
    ASSERT_NE(releaseWorkers(), nullptr);
    ResetEvent(releaseWorkers());
    auto& held = static_cast<HeldGenerateDlg&>(*dialog);
    press(IDC_BUILD_BUTTON);
    ASSERT_TRUE(waitForBuilds(1));
    ASSERT_TRUE(pumpUntil([&] { return held.held.load() == 1; }));

    // The first worker is still there: the second build waits for it, answering messages meanwhile.
    // From here until the press returns this thread dispatches nothing but in that wait, so the
    // timer's first call tells the releaser that the wait is under way.
    dispatching = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(dispatching, nullptr);
    UINT_PTR timer = SetTimer(nullptr, 0, 10, &signalDispatching);
    bool waitDispatched = false, answeredWhileWaiting = false;
    std::thread releaser([&] {
        waitDispatched = WaitForSingleObject(dispatching, 30000) == WAIT_OBJECT_0;
        answeredWhileWaiting =
            waitDispatched && IsWindow(window) && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, nullptr);
        SetEvent(releaseWorkers());  // in any case, so that the press returns
    });
    press(IDC_BUILD_BUTTON);  // returns once the previous worker has ended and the next one started
    releaser.join();
    KillTimer(nullptr, timer);
    CloseHandle(dispatching);
    dispatching = nullptr;
    EXPECT_TRUE(waitDispatched) << "the second build's wait for the first worker dispatched no message";
    EXPECT_TRUE(answeredWhileWaiting) << "the dialog did not answer while it waited";
    EXPECT_FALSE(held.heldTooLong.load()) << "the worker was never let go";
    EXPECT_EQ(buttonCaption(window), L"Cancel");
    ASSERT_TRUE(waitForBuilds(2));
    EXPECT_EQ(held.held.load(), 2);
    EXPECT_EQ(dialog->lastResult().outcome, BuildOutcome::Completed);
    EXPECT_EQ(dialog->lastResult().picturesReused, 1u);  // the first build's photo, up to date
}

TEST_F(GenerateDialog, PicturesThatCannotBeReadAreListedInOneMessageAtTheEnd)
{
    const std::string missing = narrowPath(folder / L"pictures" / L"gone.jpg");
    album("One", "", {picture(L"a.jpg", 320, 240), missing});
    HWND window = open();
    press(IDC_BUILD_BUTTON);
    ASSERT_TRUE(waitForBuilds(1));
    ASSERT_EQ(seam.boxes.size(), 2u);
    EXPECT_NE(seam.boxes[0].text.find(winui::widen(missing)), std::wstring::npos);
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].owner, window);
    EXPECT_EQ(seam.boxes[1].caption, L"Congratulations!");
    EXPECT_TRUE(fs::exists(folder / L"out" / L"Trip" / L"style.css"));
}

TEST_F(GenerateDialog, ATitleThatCannotNameAFolderIsRefusedBeforeAnythingIsWritten)
{
    album("One", "", {picture(L"a.jpg", 320, 240)});
    HWND window = open();
    SetDlgItemTextW(window, IDC_GALLERY_TITLE, L"a/b");
    press(IDC_BUILD_BUTTON);
    EXPECT_EQ(buttonCaption(window), L"Build Web Gallery");
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_NE(seam.boxes[0].text.find(L"cannot be the name of the gallery's folder"), std::wstring::npos);
    EXPECT_TRUE(fs::is_empty(folder / L"out"));
    EXPECT_EQ(doc.galleryTitle, "Trip");

    // Browse: the chosen folder is shown and becomes the gallery's.
    seam.folderAnswers.push_back({winui::FolderChoice::Chosen, (folder / L"pictures").wstring()});
    press(IDC_BROWSE_FOLDER);
    ASSERT_EQ(seam.folderRequests.size(), 1u);
    EXPECT_EQ(seam.folderRequests[0].title, L"Choose folder...");
    EXPECT_TRUE(seam.folderRequests[0].initialFolder.empty());
    EXPECT_EQ(itemText(window, IDC_OUTPUT_FOLDER), (folder / L"pictures").wstring());
    EXPECT_EQ(doc.outputFolder, narrowPath(folder / L"pictures"));
    // Enter does nothing.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(dialog->buildsEnded(), 0);
}

// A gallery is built only where the user said: an empty or relative folder would be taken against
// whatever the working folder happens to be.
TEST_F(GenerateDialog, AnEmptyOrRelativeOutputFolderIsRefusedBeforeAnythingIsWritten)
{
    album("One", "", {picture(L"a.jpg", 320, 240)});
    HWND window = open();
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    for (const wchar_t* given : {L"", L"out", L"C:out", L"\\out"}) {
        seam.boxes.clear();
        SetDlgItemTextW(window, IDC_OUTPUT_FOLDER, given);
        press(IDC_BUILD_BUTTON);
        EXPECT_EQ(buttonCaption(window), L"Build Web Gallery") << winui::narrow(given);
        ASSERT_EQ(seam.boxes.size(), 1u) << winui::narrow(given);
        EXPECT_NE(seam.boxes[0].text.find(L"full path"), std::wstring::npos);
        EXPECT_EQ(dialog->buildsEnded(), 0);
    }
    SetCurrentDirectoryW(before);
    EXPECT_TRUE(fs::is_empty(folder / L"out"));
    EXPECT_FALSE(fs::exists(folder / L"Trip"));
    EXPECT_EQ(doc.outputFolder, narrowPath(folder / L"out"));
}

}  // namespace

// Start-up of the real program in-process: the order of its steps as the start dialog sees them,
// the .gal association as it lands in the registry of the test prefix, and a project named on
// the command line, whole or damaged.

#include "scenario.h"

#include <shellapi.h>

#include <fstream>

#include "app/file_association.h"
#include "gallery/project_file.h"

namespace {

std::wstring readDefault(HKEY root, const std::wstring& key, DWORD* type = nullptr, DWORD* bytes = nullptr)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value, kind = 0;
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND, &kind, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    if (type) *type = kind;
    if (bytes) *bytes = size;
    return value;
}

std::wstring thisProgram()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// A key of its own under HKCU that stands for the classes root, removed afterwards.
class TestClassesRoot {
public:
    TestClassesRoot()
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, kName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    ~TestClassesRoot()
    {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kName);
    }
    HKEY get() const { return key_; }

private:
    static constexpr wchar_t kName[] = L"Software\\FotoloomTests\\Classes";
    HKEY key_ = nullptr;
};

TEST(FileAssociation, ValuesQuoteTheProgramAndPassTheFileAlsoFromAFolderWithSpaces)
{
    const auto values = associationValues(L"C:\\Program Files\\Fotoloom\\Builder.exe");
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].key, L".gal");
    EXPECT_EQ(values[0].value, L"Fotoloom");
    EXPECT_EQ(values[1].key, L"Fotoloom");
    EXPECT_EQ(values[1].value, L"Fotoloom");
    EXPECT_EQ(values[2].key, L"Fotoloom\\DefaultIcon");
    EXPECT_EQ(values[2].value, L"C:\\Program Files\\Fotoloom\\Builder.exe,0");
    EXPECT_EQ(values[3].key, L"Fotoloom\\shell\\open\\command");
    EXPECT_EQ(values[3].value, L"\"C:\\Program Files\\Fotoloom\\Builder.exe\" \"%1\"");

    // The command splits into the program and the file, as the shell will run it.
    int count = 0;
    const std::wstring command = values[3].value;
    LPWSTR* argv = CommandLineToArgvW(command.c_str(), &count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(argv[0], L"C:\\Program Files\\Fotoloom\\Builder.exe");
    EXPECT_STREQ(argv[1], L"%1");
    LocalFree(argv);
}

TEST(FileAssociation, ProgramFolderKeepsTheSeparatorOfADriveRoot)
{
    EXPECT_EQ(associationFolder(L"C:\\Builder.exe"), L"C:\\");
    EXPECT_EQ(associationFolder(L"D:/Tools/Builder.exe"), L"D:/Tools");
    EXPECT_EQ(associationFolder(L"\\\\server\\share\\Builder.exe"), L"\\\\server\\share");
    const auto values = associationValues(L"C:\\Builder.exe");
    EXPECT_EQ(values[2].value, L"C:\\\\Builder.exe,0");
    EXPECT_EQ(values[3].value, L"\"C:\\\\Builder.exe\" \"%1\"");
}

TEST(FileAssociation, EveryStartRewritesTheValuesAsStrings)
{
    TestClassesRoot root;
    // A stale association of an older copy in another folder.
    ASSERT_TRUE(setRegString(root.get(), L"Fotoloom\\shell\\open\\command", L"C:\\Old\\Builder.exe"));
    FakeSeam seam;
    writeFileAssociation(root.get(), L"C:\\Program Files\\Foto loom\\Builder.exe");
    EXPECT_TRUE(seam.boxes.empty());
    DWORD type = 0, bytes = 0;
    EXPECT_EQ(readDefault(root.get(), L".gal", &type, &bytes), L"Fotoloom");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, sizeof(L"Fotoloom"));  // the terminating NUL included
    EXPECT_EQ(readDefault(root.get(), L"Fotoloom"), L"Fotoloom");
    EXPECT_EQ(readDefault(root.get(), L"Fotoloom\\DefaultIcon"), L"C:\\Program Files\\Foto loom\\Builder.exe,0");
    EXPECT_EQ(readDefault(root.get(), L"Fotoloom\\shell\\open\\command"),
              L"\"C:\\Program Files\\Foto loom\\Builder.exe\" \"%1\"");

    // Moved to a drive's root: the values follow on the next start.
    writeFileAssociation(root.get(), L"D:\\Builder.exe");
    EXPECT_EQ(readDefault(root.get(), L"Fotoloom\\DefaultIcon"), L"D:\\\\Builder.exe,0");
    EXPECT_EQ(readDefault(root.get(), L"Fotoloom\\shell\\open\\command"), L"\"D:\\\\Builder.exe\" \"%1\"");
    EXPECT_TRUE(seam.boxes.empty());
}

TEST(FileAssociation, EveryFailedWriteIsShownWithTheSystemTextAndTheRestStillRuns)
{
    FakeSeam seam;
    HKEY closed = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\FotoloomTests\\Closed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &closed, nullptr);
    RegCloseKey(closed);  // a handle that is no longer valid: every write fails
    writeFileAssociation(closed, L"C:\\Fotoloom\\Builder.exe");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FotoloomTests");
    ASSERT_EQ(seam.boxes.size(), 4u);
    for (const ShownBox& box : seam.boxes) {
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.caption, L"Utility Class Error in SetRegString (" + std::to_wstring(ERROR_INVALID_HANDLE) + L")");
        EXPECT_FALSE(box.text.empty());
        EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    }
}

class StartUp : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / (L"fotoloom-start-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override
    {
        app.reset();
        pump();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string path(const std::wstring& name) { return winui::narrow((folder / name).wstring()); }
    std::wstring frameTitle()
    {
        wchar_t text[256] = {};
        GetWindowTextW(app->frame().hwnd(), text, 256);
        return text;
    }
    // The start dialog, if it comes, is counted and closed.
    void closeAnyStartDialog()
    {
        dialogs.answerNext(L"Fotoloom", [](HWND dialog) { clickButton(dialog, IDCANCEL); });
    }

    FakeSeam seam;
    DialogDriver dialogs;
    std::filesystem::path folder;
    std::unique_ptr<CBuilderApp> app;
};

TEST_F(StartUp, TheStartDialogComesLastOverTheMaximisedNamedWindowWithTheAssociationWritten)
{
    const std::wstring program = thisProgram();
    const std::wstring expectedCommand = associationValues(program)[3].value;
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\Fotoloom");
    bool sawFrame = false;
    dialogs.answerNext(L"Fotoloom", [&](HWND dialog) {
        HWND frame = GetWindow(dialog, GW_OWNER);
        sawFrame = frame != nullptr;
        EXPECT_TRUE(IsWindowVisible(frame));
        EXPECT_TRUE(IsZoomed(frame));
        wchar_t title[64] = {};
        GetWindowTextW(frame, title, 64);
        EXPECT_STREQ(title, L"Fotoloom");
        EXPECT_EQ(readDefault(HKEY_CURRENT_USER, L"Software\\Classes\\.gal"), L"Fotoloom");
        EXPECT_EQ(readDefault(HKEY_CURRENT_USER, L"Software\\Classes\\Fotoloom\\shell\\open\\command"),
                  expectedCommand);
        // The gallery is there already: a recent entry or Open would have something to fill.
        EXPECT_TRUE(app && app->doc().albums().empty());
        clickButton(dialog, IDC_START_NEXT);  // "new" is checked: Next closes
    });
    app = std::make_unique<CBuilderApp>(path(L"last.ini"));
    ASSERT_TRUE(app->initInstance(StartOptions{}));
    EXPECT_EQ(dialogs.met(), 1);
    EXPECT_TRUE(sawFrame);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(readDefault(HKEY_CURRENT_USER, L"Software\\Classes\\Fotoloom\\DefaultIcon"),
              associationFolder(program) + L"\\Builder.exe,0");
}

TEST_F(StartUp, AProjectOnTheCommandLineIsOpenedLikeOpenGalleryAndTheStartDialogIsSkipped)
{
    CBuilderDoc other;
    other.addAlbum("Coast", "sea", AlbumPosition::Bottom);
    other.addAlbum("City", "", AlbumPosition::Bottom);
    RecentList otherRecent(path(L"other.ini"));
    const std::string project = path(L"Summer trip.gal");
    ASSERT_EQ(saveProject(other, project, otherRecent), ProjectResult::Ok);

    closeAnyStartDialog();
    app = std::make_unique<CBuilderApp>(path(L"last.ini"));
    ASSERT_TRUE(
        app->initInstance(StartOptions{.showCommand = SW_HIDE, .projectPath = project, .writeAssociation = false}));
    EXPECT_EQ(dialogs.met(), 0);
    ASSERT_EQ(app->doc().albums().size(), 2u);
    EXPECT_EQ(app->doc().albums()[1].title, "City");
    EXPECT_EQ(app->doc().galleryPath, project);
    EXPECT_EQ(frameTitle(), L"Fotoloom - Summer trip");
    EXPECT_FALSE(app->doc().isModified());
}

TEST_F(StartUp, ADamagedProjectOnTheCommandLineIsReportedAndTheProgramRunsOn)
{
    const std::string project = path(L"broken.gal");
    std::ofstream(std::filesystem::path(winui::widen(project)), std::ios::binary) << "\x05\x00\x00\x00GAL??\xff\xff";
    closeAnyStartDialog();
    app = std::make_unique<CBuilderApp>(path(L"last.ini"));
    ASSERT_TRUE(
        app->initInstance(StartOptions{.showCommand = SW_HIDE, .projectPath = project, .writeAssociation = false}));
    EXPECT_EQ(dialogs.met(), 0);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Wrong GAL file!");
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    // Nothing half read stays to be saved back: an empty, unnamed gallery.
    EXPECT_EQ(frameTitle(), L"Fotoloom");
    EXPECT_EQ(app->doc().albumCount(), 0);
    EXPECT_EQ(app->doc().galleryPath, "");
    // Still a working program: an album can be added.
    app->doc().addAlbum("After", "", AlbumPosition::Bottom);
    EXPECT_EQ(app->doc().albums().back().title, "After");
    EXPECT_TRUE(IsWindow(app->frame().hwnd()));
}

}  // namespace

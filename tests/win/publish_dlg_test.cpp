// The Publish dialog to a folder: from the Build menu and the task link, asking first when the
// gallery is not built or out of date, the destination remembered for the project, a second
// publish sending only what changed, and a cancel that leaves every page sent complete.

#include "scenario.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "build_pictures.h"
#include "fake_seam.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "publish/publish_settings.h"
#include "publish/ui/publish_dlg.h"
#include "resource.h"
#include "winui/known_folders.h"
#include "winui/text.h"

namespace {

namespace fs = std::filesystem;

std::string narrowPath(const fs::path& p) { return winui::narrow(p.wstring()); }

std::string bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file under a folder with its bytes, by relative path ("/" separated).
std::map<std::string, std::string> filesUnder(const fs::path& root)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(root)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), root).generic_string()] = bytesOf(entry.path());
    return files;
}

// The files of a gallery that a publish sends: all but the build's own records.
std::map<std::string, std::string> publishedFiles(const fs::path& gallery)
{
    std::map<std::string, std::string> files = filesUnder(gallery);
    std::erase_if(files, [](const auto& f) { return f.first.starts_with(".fotoloom"); });
    return files;
}

// Pages in `root` that link a picture, theme image or style sheet that is not there.
std::vector<std::string> brokenPages(const fs::path& root)
{
    std::vector<std::string> broken;
    const std::regex reference(R"re((?:src|href)="((?:photos|thumbs|images)/[^"]+|style\.css)")re");
    for (const auto& [name, text] : filesUnder(root)) {
        if (!name.ends_with(".html")) continue;
        for (std::sregex_iterator i(text.begin(), text.end(), reference), end; i != end; ++i)
            if (!fs::exists(root / (*i)[1].str())) broken.push_back(name + " -> " + (*i)[1].str());
    }
    return broken;
}

size_t uploadedIn(const std::wstring& status)
{
    const size_t colon = status.find(L": ");
    return colon == std::wstring::npos ? 0 : std::stoul(status.substr(colon + 2));
}

class BuildSilently final : public IBuildObserver {
public:
    void progress(int, int) override {}
    void warning(const std::string&) override {}
    bool cancelRequested() override { return false; }
    bool askViewGallery(const std::string&, const std::string&) override { return false; }
    void openGallery(const std::string&) override {}
};

// Two albums of real pictures, saved as a project (so that it has a path to be remembered by).
void makeGallery(CBuilderDoc& doc, const fs::path& folder)
{
    fs::create_directories(folder / L"pictures");
    fs::create_directories(folder / L"out");
    std::vector<std::string> pictures;
    for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg", L"d.jpg"}) {
        pictures.push_back(narrowPath(folder / L"pictures" / name));
        ASSERT_TRUE(writeGradientJpeg(pictures.back(), 320, 240));
    }
    doc.addAlbum("Coast", "by the sea", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{pictures[0], pictures[1], pictures[2]});
    doc.addAlbum("Town", "streets", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{pictures[3]});
    doc.galleryTitle = "Trip";
    doc.outputFolder = narrowPath(folder / L"out");
}

class PublishScenario : public Scenario {
protected:
    struct Shown {
        std::wstring gallery;      // the gallery folder shown
        std::wstring destination;  // offered when the dialog opened
        std::wstring status;       // after the publish
        int failures = 0;
    };
    // Opens the dialog (menu item or task link), types `destination` unless null, presses Publish,
    // waits until it is idle again, and closes the dialog.
    Shown publish(bool fromLink, const wchar_t* destination)
    {
        Shown shown;
        dialogs.answerNext(L"Publish web gallery", [&](HWND dialog) {
            shown.gallery = itemText(dialog, IDC_PUBLISH_GALLERY);
            shown.destination = itemText(dialog, IDC_PUBLISH_DESTINATION);
            if (destination) SetDlgItemTextW(dialog, IDC_PUBLISH_DESTINATION, destination);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_BUTTON, BN_CLICKED), 0);
            EXPECT_TRUE(
                pumpUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_PUBLISH_TEST)) != FALSE; }, 60000))
                << "the publish never ended";
            shown.status = itemText(dialog, IDC_PUBLISH_STATUS);
            shown.failures = static_cast<int>(SendDlgItemMessageW(dialog, IDC_PUBLISH_FAILURES, LB_GETCOUNT, 0, 0));
            clickButton(dialog, IDCANCEL);
        });
        if (fromLink)
            taskLink(ID_LINK_BUILD_PUBLISH);
        else
            menu(ID_BUILD_PUBLISH);
        EXPECT_EQ(dialogs.met(), ++opened_);
        return shown;
    }
    int opened_ = 0;
};

TEST_F(PublishScenario, AsksToBuildFirstPublishesIntoAFolderRemembersItAndThenSendsOnlyWhatChanged)
{
    makeGallery(doc(), folder);
    doc().galleryPath = path(L"trip.gal");
    ASSERT_EQ(saveProject(doc(), doc().galleryPath, app->recent()), ProjectResult::Ok);
    doc().commitState();
    const fs::path target = folder / L"site";
    const fs::path gallery = folder / L"out" / L"Trip";

    // The gallery's own folder, however written, is refused before anything is asked.
    std::wstring itself = gallery.wstring();
    for (wchar_t& c : itself) c = towupper(c);
    Shown shown = publish(false, (itself + L"\\").c_str());
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text,
              L"The Web Gallery cannot be published into its own folder; please choose another one.");
    seam.boxes.clear();

    // A colon after the drive names a stream of a file "siteZ", not a folder: refused, nothing made.
    const std::wstring stream = (folder / L"siteZ:").wstring() + L"\\x";
    shown = publish(false, stream.c_str());
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text.rfind(L"The folder \"", 0), 0u) << seam.boxes[0].text;
    EXPECT_NE(seam.boxes[0].text.find(L"':'"), std::wstring::npos) << seam.boxes[0].text;
    EXPECT_FALSE(fs::exists(folder / L"siteZ"));
    seam.boxes.clear();

    // Not built: No publishes nothing, and Cancel (from the task link) does nothing either.
    seam.boxAnswers = {IDNO};
    shown = publish(false, target.c_str());
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_NE(seam.boxes[0].text.find(L"has not been built yet"), std::wstring::npos);
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(shown.status, L"Nothing was published: the Web Gallery has not been built.");
    seam.boxAnswers = {IDCANCEL};
    shown = publish(true, target.c_str());
    EXPECT_EQ(shown.status, L"");
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(gallery));

    // Yes builds, then publishes: the destination holds the gallery's files and the publish record.
    seam.boxAnswers = {IDYES};
    shown = publish(false, target.c_str());
    EXPECT_EQ(shown.status.rfind(L"Published to " + target.wstring() + L": ", 0), 0u) << shown.status;
    EXPECT_EQ(shown.failures, 0);
    std::map<std::string, std::string> sent = filesUnder(target);
    ASSERT_TRUE(sent.contains(".fotoloom-published"));
    sent.erase(".fotoloom-published");
    EXPECT_EQ(sent, publishedFiles(gallery));
    EXPECT_EQ(uploadedIn(shown.status), sent.size());
    EXPECT_EQ(readPublishSettings(app->recent().iniPath(), doc().galleryPath).destination, narrowPath(target));

    // One caption changed (not saved): out of date, built again on Yes, and only the pages that
    // changed are sent. The destination comes from the settings.
    doc().editAlbum(1, "Town", "streets at night");
    seam.boxes.clear();
    seam.boxAnswers = {IDYES};
    shown = publish(false, nullptr);
    EXPECT_EQ(shown.destination, target.wstring());
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_NE(seam.boxes[0].text.find(L"is out of date"), std::wstring::npos);
    std::map<std::string, std::string> now = filesUnder(target);
    size_t changed = 0;
    for (const auto& [name, bytes] : now) {
        if (name == ".fotoloom-published" || sent[name] == bytes) continue;
        ++changed;
        EXPECT_TRUE(name.ends_with(".html")) << name;
    }
    EXPECT_GE(changed, 1u);
    EXPECT_EQ(uploadedIn(shown.status), changed) << shown.status;
    now.erase(".fotoloom-published");
    EXPECT_EQ(now, publishedFiles(gallery));
}

TEST_F(PublishScenario, BothDialogsOfferTheFolderTheLastBuildWroteAndABuildSavedAfterIsCurrent)
{
    makeGallery(doc(), folder);
    doc().galleryPath = path(L"trip.gal");
    ASSERT_EQ(saveProject(doc(), doc().galleryPath, app->recent()), ProjectResult::Ok);
    doc().commitState();
    const fs::path built = folder / L"out";
    doc().outputFolder = winui::documentsFolder();  // as the program starts

    // Built into another folder than the one offered; the view question answered No.
    std::wstring offered;
    const auto buildIn = [&](const fs::path* into) {
        dialogs.answerNext(L"Generate web gallery", [&](HWND dialog) {
            offered = itemText(dialog, IDC_OUTPUT_FOLDER);
            if (into) {
                SetDlgItemTextW(dialog, IDC_OUTPUT_FOLDER, into->c_str());
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BUILD_BUTTON, BN_CLICKED), 0);
                EXPECT_TRUE(
                    pumpUntil([&] { return itemText(dialog, IDC_BUILD_BUTTON) == L"Build Web Gallery"; }, 60000))
                    << "the build never ended";
            }
            clickButton(dialog, IDCANCEL);
        });
        menu(ID_BUILD_GALLERY);
        EXPECT_EQ(dialogs.met(), ++opened_);
    };
    seam.boxAnswers = {IDNO};
    buildIn(&built);
    EXPECT_EQ(offered, winui::widen(winui::documentsFolder()));
    ASSERT_TRUE(fs::exists(built / L"Trip" / L"index.html"));

    // The next start offers it in both dialogs.
    doc().outputFolder = winui::documentsFolder();
    buildIn(nullptr);
    EXPECT_EQ(offered, built.wstring());
    doc().outputFolder = winui::documentsFolder();

    // The build chose the theme, which the project did not name: changed, not saved, and still what
    // the build was made from. Publish asks nothing, and so after a save.
    ASSERT_TRUE(doc().isModified());
    seam.boxes.clear();
    Shown shown = publish(false, (folder / L"site").c_str());
    EXPECT_EQ(shown.gallery, (built / L"Trip").wstring());
    EXPECT_EQ(seam.boxes.size(), 0u) << (seam.boxes.empty() ? L"" : seam.boxes[0].text);
    EXPECT_EQ(shown.status.rfind(L"Published to ", 0), 0u) << shown.status;
    ASSERT_EQ(saveProject(doc(), doc().galleryPath, app->recent()), ProjectResult::Ok);
    doc().commitState();
    shown = publish(false, nullptr);
    EXPECT_EQ(seam.boxes.size(), 0u) << (seam.boxes.empty() ? L"" : seam.boxes[0].text);
    EXPECT_EQ(shown.status.rfind(L"Published to ", 0), 0u) << shown.status;
}

TEST_F(PublishScenario, ClosingTheProgramMidPublishStopsThePublishAndTheWindowsGo)
{
    makeGallery(doc(), folder);
    BuildSilently quiet;
    ASSERT_TRUE(BuildGallery(doc(), quiet).succeeded());
    doc().commitState();
    const fs::path target = folder / L"site";
    HWND dialogWindow = nullptr;
    dialogs.answerNext(L"Publish web gallery", [&](HWND dialog) {
        dialogWindow = dialog;
        SetDlgItemTextW(dialog, IDC_PUBLISH_DESTINATION, target.c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_BUTTON, BN_CLICKED), 0);
        SendMessageW(frameWindow(), WM_CLOSE, 0, 0);  // as from the taskbar, while the dialog is up
    });
    menu(ID_BUILD_PUBLISH);
    ASSERT_EQ(dialogs.met(), 1);
    EXPECT_FALSE(IsWindow(dialogWindow));
    EXPECT_FALSE(IsWindow(frameWindow()));
    EXPECT_EQ(brokenPages(target), std::vector<std::string>{});
    for (const auto& [name, bytes] : filesUnder(target)) EXPECT_FALSE(name.ends_with(".fotoloom-part")) << name;
}

// The dialog alone over a built gallery; its worker is stopped after `cancelAt` files.
class CancellingPublishDlg : public CPublishDlg {
public:
    using CPublishDlg::CPublishDlg;
    size_t cancelAt = 0;
    bool byClosing = false;  // the close box rather than the Cancel button

protected:
    void workerProgress(const PublishProgress& p) override
    {
        if (cancelAt == 0 || p.filesDone != cancelAt) return;
        if (byClosing)
            PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        else
            PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_BUTTON, BN_CLICKED), 0);
        // The engine asks before the next file: hold it until the click has been seen.
        const DWORD deadline = GetTickCount() + 30000;
        while (state() != State::Finishing && GetTickCount() < deadline) SwitchToThread();
    }
};

class DecliningAnswerer final : public IAskpassAnswerer {
public:
    std::optional<std::string> answer(const std::string&, bool) override { return std::nullopt; }
};

TEST_F(PublishScenario, CancelMidPublishLeavesEveryPageCompleteAndPublishingAgainFinishes)
{
    makeGallery(doc(), folder);
    BuildSilently quiet;
    ASSERT_TRUE(BuildGallery(doc(), quiet).succeeded());
    doc().commitState();
    const fs::path target = folder / L"site";
    const size_t total = publishedFiles(folder / L"out" / L"Trip").size();
    ASSERT_GT(total, 6u);

    DecliningAnswerer answerer;
    PublishDlgSetup setup;
    setup.settingsFile = path(L"last.ini");
    CancellingPublishDlg dialog(doc(), std::move(setup), &answerer);
    dialog.cancelAt = total - 3;  // some pages are sent, index.html is not
    ASSERT_TRUE(dialog.createModeless(nullptr));
    SetDlgItemTextW(dialog.hwnd(), IDC_PUBLISH_DESTINATION, target.c_str());
    const auto publishOnce = [&](int runs) {
        SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_BUTTON, BN_CLICKED), 0);
        return pumpUntil([&] { return dialog.runsEnded() >= runs; }, 60000) && dialog.runsEnded() == runs;
    };
    ASSERT_TRUE(publishOnce(1));
    EXPECT_TRUE(dialog.lastResult().cancelled);
    EXPECT_EQ(dialog.lastResult().uploaded, total - 3);
    EXPECT_FALSE(fs::exists(target / L"index.html"));
    EXPECT_EQ(brokenPages(target), std::vector<std::string>{});
    for (const auto& [name, bytes] : filesUnder(target)) EXPECT_FALSE(name.ends_with(".fotoloom-part")) << name;
    EXPECT_EQ(itemText(dialog.hwnd(), IDC_PUBLISH_BUTTON), L"Publish");
    EXPECT_NE(itemText(dialog.hwnd(), IDC_PUBLISH_STATUS).find(L"publishing again finishes the job"),
              std::wstring::npos);

    dialog.cancelAt = 0;
    ASSERT_TRUE(publishOnce(2));
    EXPECT_TRUE(dialog.lastResult().succeeded());
    EXPECT_EQ(dialog.lastResult().uploaded, 3u);
    std::map<std::string, std::string> sent = filesUnder(target);
    sent.erase(".fotoloom-published");
    EXPECT_EQ(sent, publishedFiles(folder / L"out" / L"Trip"));
    EXPECT_EQ(brokenPages(target), std::vector<std::string>{});

    // Test connection reads the record the publish left.
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_TEST, BN_CLICKED), 0);
    ASSERT_TRUE(pumpUntil([&] { return dialog.state() == CPublishDlg::State::Idle; }, 60000))
        << "the connection test never ended";
    EXPECT_EQ(itemText(dialog.hwnd(), IDC_PUBLISH_STATUS)
                  .rfind(L"Reached " + target.wstring() + L": an earlier publish put " + std::to_wstring(total) +
                             L" files there",
                         0),
              0u)
        << itemText(dialog.hwnd(), IDC_PUBLISH_STATUS);
    DestroyWindow(dialog.hwnd());
    pump();
}

TEST_F(PublishScenario, ClosingTheDialogMidPublishStopsThePublishAndThenCloses)
{
    makeGallery(doc(), folder);
    BuildSilently quiet;
    ASSERT_TRUE(BuildGallery(doc(), quiet).succeeded());
    doc().commitState();
    DecliningAnswerer answerer;
    CancellingPublishDlg dialog(doc(), PublishDlgSetup(), &answerer);
    dialog.cancelAt = 2;
    dialog.byClosing = true;
    ASSERT_TRUE(dialog.createModeless(nullptr));
    HWND window = dialog.hwnd();
    SetDlgItemTextW(window, IDC_PUBLISH_DESTINATION, (folder / L"site").c_str());
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_BUTTON, BN_CLICKED), 0);
    ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 60000)) << "the dialog never closed";
    EXPECT_EQ(dialog.runsEnded(), 1);
    EXPECT_TRUE(dialog.lastResult().cancelled);
    EXPECT_EQ(dialog.lastResult().uploaded, 2u);
}

// A long answer of Test connection wraps and scrolls: its last line is not lost under "Files".
TEST_F(PublishScenario, ALongConnectionMessageCanBeReadToItsLastLine)
{
    makeGallery(doc(), folder);
    DecliningAnswerer answerer;
    CPublishDlg dialog(doc(), PublishDlgSetup(), &answerer);
    ASSERT_TRUE(dialog.createModeless(nullptr));
    const fs::path nowhere = folder / std::wstring(120, L'n') / std::wstring(120, L'w') / L"here";
    SetDlgItemTextW(dialog.hwnd(), IDC_PUBLISH_DESTINATION, nowhere.c_str());
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_TEST, BN_CLICKED), 0);
    ASSERT_TRUE(pumpUntil([&] { return dialog.state() == CPublishDlg::State::Idle; }, 60000))
        << "the connection test never ended";
    HWND status = GetDlgItem(dialog.hwnd(), IDC_PUBLISH_STATUS);
    const std::wstring text = itemText(dialog.hwnd(), IDC_PUBLISH_STATUS);
    EXPECT_NE(text.find(nowhere.filename().wstring()), std::wstring::npos) << text;
    // More lines than the room shows: a scroll bar, and scrolling to the end shows the last line.
    const LRESULT lines = SendMessageW(status, EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(lines, 3);
    EXPECT_NE(GetWindowLongW(status, GWL_STYLE) & WS_VSCROLL, 0);
    SendMessageW(status, WM_VSCROLL, SB_BOTTOM, 0);
    const LRESULT first = SendMessageW(status, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GT(first, 0);
    // And the box stays above the label it once ran under.
    RECT box{}, label{};
    GetWindowRect(status, &box);
    GetWindowRect(GetDlgItem(dialog.hwnd(), IDC_PUBLISH_FILES_LABEL), &label);
    EXPECT_LE(box.bottom, label.top);

    // A short message again: no bar.
    SetDlgItemTextW(dialog.hwnd(), IDC_PUBLISH_DESTINATION, (folder / L"site").c_str());
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PUBLISH_TEST, BN_CLICKED), 0);
    ASSERT_TRUE(pumpUntil([&] { return dialog.state() == CPublishDlg::State::Idle; }, 60000));
    EXPECT_EQ(GetWindowLongW(status, GWL_STYLE) & WS_VSCROLL, 0) << itemText(dialog.hwnd(), IDC_PUBLISH_STATUS);
    DestroyWindow(dialog.hwnd());
    pump();
}

}  // namespace

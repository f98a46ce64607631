// The start dialog on the real frame: its recent entries, "No item", the two choices with the
// file dialog, Next's error, Help, and a recent gallery that has gone.

#include "scenario.h"

#include "app/start_dlg.h"
#include "fotoloom_version.h"
#include "gallery/project_file.h"
#include "paint_probe.h"

namespace {

void clickLabel(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), WM_LBUTTONDOWN, MK_LBUTTON, 0); }

class StartDialog : public Scenario {
protected:
    // Runs the dialog with the given recent entries; `act` drives it from inside its modal loop
    // and must close it (or let one of its actions close it).
    void runStartDialog(std::array<std::string, 3> recent, std::function<void(HWND)> act)
    {
        dialogs.answerNext(L"Fotoloom", [this, act](HWND dialog) {
            shown = dialog;
            act(dialog);
        });
        CStartDlg dialog(frame(), doc(), std::move(recent));
        dialog.run(frameWindow());
        EXPECT_EQ(dialogs.met(), 1);
        EXPECT_FALSE(IsWindow(shown)) << "the dialog is still open";
    }
    std::string writeProject(const std::wstring& name)
    {
        CBuilderDoc other;
        other.addAlbum("Lakes", "", AlbumPosition::Bottom);
        RecentList recent(path(L"other.ini"));
        const std::string file = path(name);
        EXPECT_EQ(saveProject(other, file, recent), ProjectResult::Ok);
        return file;
    }
    HWND shown = nullptr;
};

TEST_F(StartDialog, RecentEntriesShowTheirPathsAndEmptyOnesNoItemWhichDoesNothing)
{
    runStartDialog({"C:\\Galleries\\Fish & Chips.gal", "", "No item"}, [](HWND dialog) {
        EXPECT_EQ(itemText(dialog, IDC_START_RECENT1), L"C:\\Galleries\\Fish & Chips.gal");
        EXPECT_EQ(itemText(dialog, IDC_START_RECENT2), L"No item");
        EXPECT_EQ(itemText(dialog, IDC_START_RECENT3), L"No item");
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_START_NEW_RADIO));
        EXPECT_FALSE(IsDlgButtonChecked(dialog, IDC_START_MODIFY_RADIO));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_START_BROWSE)));
        clickLabel(dialog, IDC_START_RECENT2);
        clickLabel(dialog, IDC_START_RECENT3);
        EXPECT_TRUE(IsWindow(dialog));
        clickButton(dialog, IDCANCEL);  // Escape
    });
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_TRUE(seam.fileRequests.empty());
}

TEST_F(StartDialog, LabelsAreWhiteTextStandingOnThePicture)
{
    runStartDialog({"", "", ""}, [](HWND dialog) {
        HWND label = GetDlgItem(dialog, IDC_START_RECENT1);
        RECT r{};
        GetClientRect(label, &r);
        PaintProbe probe(r.right, r.bottom);
        SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(probe.dc()), PRF_CLIENT);
        // "No item" fills the left part of the line; the rest shows what lay beneath.
        const RECT all{0, 0, r.right, r.bottom}, beyondText{r.right / 2, 0, r.right, r.bottom};
        EXPECT_GT(probe.count(all, RGB(255, 255, 255)), 10) << "the text is white";
        EXPECT_EQ(probe.count(beyondText, RGB(1, 2, 3)), (r.right - r.right / 2) * r.bottom) << "no background";
        clickButton(dialog, IDCANCEL);
    });
}

TEST_F(StartDialog, NamesTheVersionTheBuildCarriesInFull)
{
    runStartDialog({"", "", ""}, [](HWND dialog) {
        HWND label = GetDlgItem(dialog, IDC_START_VERSION);
        const std::wstring text = itemText(dialog, IDC_START_VERSION);
        EXPECT_EQ(text, winui::widen("version " FOTOLOOM_VERSION));
        // The whole text fits its label.
        HDC dc = GetDC(label);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
        EXPECT_LE(extent.cx, winui::clientRect(label).right);
        clickButton(dialog, IDCANCEL);
    });
}

TEST_F(StartDialog, ModifyOpensTheFileDialogCancellingKeepsTheDialogAndNextThenExplains)
{
    runStartDialog({"", "", ""}, [this](HWND dialog) {
        clickLabel(dialog, IDC_START_MODIFY);  // the label does what its radio button does
        ASSERT_EQ(seam.fileRequests.size(), 1u);
        EXPECT_FALSE(seam.fileRequests[0].save);
        // Owned by the start dialog: when it closes, the start dialog comes back, not the frame.
        EXPECT_EQ(seam.fileOwners[0], dialog);
        EXPECT_FALSE(IsWindowEnabled(frameWindow()));
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_START_MODIFY_RADIO));
        EXPECT_FALSE(IsDlgButtonChecked(dialog, IDC_START_NEW_RADIO));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_START_BROWSE)));

        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_NEXT, BN_CLICKED), 0);
        ASSERT_EQ(seam.boxes.size(), 1u);
        EXPECT_EQ(seam.boxes[0].text,
                  L"No gallery was chosen.\nPlease choose a Web Gallery project with 'Browse...' or select "
                  L"'Create a new Web Gallery'.");
        EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
        EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(IsWindow(dialog));

        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_NEW_RADIO, BN_CLICKED), 0);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_START_BROWSE)));
        clickButton(dialog, IDC_START_NEXT);
    });
    EXPECT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(windowTitle(), L"Fotoloom");
}

TEST_F(StartDialog, BrowseOpensTheChosenGalleryAndCloses)
{
    const std::string project = writeProject(L"lakes.gal");
    seam.fileAnswers = {{winui::widen(project)}};
    runStartDialog({"", "", ""}, [](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_MODIFY_RADIO, BN_CLICKED), 0);
    });
    EXPECT_EQ(windowTitle(), L"Fotoloom - lakes");
    EXPECT_EQ(albumTitles(), std::vector<std::string>{"Lakes"});
}

// A recent gallery opens as Open opens it: named window, and a later Save writes that file.
TEST_F(StartDialog, ARecentGalleryOpensLikeOpenAndNamesTheWindow)
{
    const std::string project = writeProject(L"lakes.gal");
    runStartDialog({"", project, ""}, [](HWND dialog) { clickLabel(dialog, IDC_START_RECENT2); });
    EXPECT_EQ(albumTitles(), std::vector<std::string>{"Lakes"});
    EXPECT_EQ(windowTitle(), L"Fotoloom - lakes");
    EXPECT_EQ(doc().galleryPath, project);
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(StartDialog, ARecentGalleryThatIsGoneIsNamedInTheMessageAndTheDialogCloses)
{
    makeAlbums({"Mine"});
    const std::string gone = path(L"gone.gal");
    runStartDialog({gone, "", ""}, [](HWND dialog) { clickLabel(dialog, IDC_START_RECENT1); });
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Cannot open gallery!\n\n" + winui::widen(gone) + L"\nThe file no longer exists.");
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(albumTitles(), std::vector<std::string>{"Mine"});
    EXPECT_EQ(windowTitle(), L"Fotoloom");
}

TEST_F(StartDialog, HelpShowsTheFirstStepTopicAndTheDialogStays)
{
    runStartDialog({"", "", ""}, [this](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_HELP, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindow(dialog));
        clickButton(dialog, IDCANCEL);
    });
    ASSERT_EQ(seam.helpTopics.size(), 1u);
    const std::wstring& topic = seam.helpTopics[0];
    const std::wstring suffix = L"\\Builder.chm::/Step1/index.htm";
    ASSERT_GT(topic.size(), suffix.size());
    EXPECT_EQ(topic.substr(topic.size() - suffix.size()), suffix);
}

}  // namespace

// The Build menu on the real frame: the gallery title dialog, and the check before the build
// dialog opens (with the documents folder as the gallery's parent).

#include "scenario.h"

#include "app/command_ids.h"
#include "paint_probe.h"
#include "winui/known_folders.h"

namespace {

class BuildMenuScenario : public Scenario {};

void clickCheckBox(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

TEST_F(BuildMenuScenario, TitleDialogGreysTheUrlWithItsBoxAndOkStoresAllFourValues)
{
    doc().galleryTitle = "Old";
    doc().galleryDescription = "first\nsecond";
    doc().homePageUrl = "http://home.example/";
    bool greyedAtFirst = false, enabledByClick = false, greyedAgain = false;
    std::wstring shownDescription;
    dialogs.answerNext(L"Gallery title", [&](HWND dialog) {
        shownDescription = itemText(dialog, IDC_GALLERY_DESCRIPTION);
        greyedAtFirst = !enabled(dialog, IDC_HOME_URL) && !enabled(dialog, IDC_HOME_URL_LABEL);
        clickCheckBox(dialog, IDC_HOME_LINK);
        enabledByClick = enabled(dialog, IDC_HOME_URL) && enabled(dialog, IDC_HOME_URL_LABEL);
        typeInto(dialog, IDC_HOME_URL, L"https://me.example/");
        clickCheckBox(dialog, IDC_HOME_LINK);
        greyedAgain = !enabled(dialog, IDC_HOME_URL) && !enabled(dialog, IDC_HOME_URL_LABEL);
        EXPECT_EQ(itemText(dialog, IDC_HOME_URL), L"https://me.example/");  // greyed, not emptied
        typeInto(dialog, IDC_GALLERY_TITLE, L"Summer");
        clickButton(dialog, IDOK);
    });
    menu(ID_BUILD_TITLE);
    ASSERT_EQ(dialogs.met(), 1);
    EXPECT_EQ(shownDescription, L"first\r\nsecond");
    EXPECT_TRUE(greyedAtFirst);
    EXPECT_TRUE(enabledByClick);
    EXPECT_TRUE(greyedAgain);
    EXPECT_EQ(doc().galleryTitle, "Summer");
    EXPECT_EQ(doc().galleryDescription, "first\nsecond");  // untouched: as it was
    EXPECT_EQ(doc().homePageLink, 0);
    EXPECT_EQ(doc().homePageUrl, "https://me.example/");  // stored though unchecked
    EXPECT_TRUE(doc().isModified());

    // The toolbar and the task link open the same dialog; Cancel stores nothing.
    dialogs.answerNext(L"Gallery title", [](HWND dialog) {
        typeInto(dialog, IDC_GALLERY_TITLE, L"Never");
        clickCheckBox(dialog, IDC_HOME_LINK);
        typeInto(dialog, IDC_GALLERY_DESCRIPTION, L"never");
        clickButton(dialog, IDCANCEL);
    });
    ASSERT_TRUE(clickToolbar(ID_TB_BUILD_TITLE));
    dialogs.answerNext(L"Gallery title", [](HWND dialog) { clickButton(dialog, IDCANCEL); });
    taskLink(ID_LINK_BUILD_TITLE);
    EXPECT_EQ(dialogs.met(), 3);
    EXPECT_EQ(doc().galleryTitle, "Summer");
    EXPECT_EQ(doc().galleryDescription, "first\nsecond");
    EXPECT_EQ(doc().homePageLink, 0);
}

std::wstring cueOf(HWND dialog, int id)
{
    wchar_t cue[128] = {};
    if (!SendDlgItemMessageW(dialog, id, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 128)) return L"(none)";
    return cue;
}

// Pixels of the unavailable-text grey in the edit as it paints itself.
int greyPixelsOf(HWND dialog, int id)
{
    const HWND edit = GetDlgItem(dialog, id);
    RECT client{};
    GetClientRect(edit, &client);
    PaintProbe probe(client.right, client.bottom);
    SendMessageW(edit, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(probe.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    return probe.count(client, GetSysColor(COLOR_GRAYTEXT));
}

// The description a new gallery starts with is a prompt: a grey cue in an empty field, not text
// to delete before typing, and it stays the gallery's until something is typed there.
TEST_F(BuildMenuScenario, TheNewGallerysDescriptionIsAGreyCueThatOkKeeps)
{
    ASSERT_EQ(doc().galleryDescription, "Enter gallery description here ...");
    std::wstring shown = L"(not met)", cue, cueAfterTyping;
    int greyEmpty = -1, greyTyped = -1;
    dialogs.answerNext(L"Gallery title", [&](HWND dialog) {
        shown = itemText(dialog, IDC_GALLERY_DESCRIPTION);
        cue = cueOf(dialog, IDC_GALLERY_DESCRIPTION);
        greyEmpty = greyPixelsOf(dialog, IDC_GALLERY_DESCRIPTION);
        SetDlgItemTextW(dialog, IDC_GALLERY_DESCRIPTION, L"x");
        greyTyped = greyPixelsOf(dialog, IDC_GALLERY_DESCRIPTION);
        SetDlgItemTextW(dialog, IDC_GALLERY_DESCRIPTION, L"");
        SendDlgItemMessageW(dialog, IDC_GALLERY_DESCRIPTION, EM_SETMODIFY, FALSE, 0);  // as if never typed
        clickButton(dialog, IDOK);
    });
    menu(ID_BUILD_TITLE);
    ASSERT_EQ(dialogs.met(), 1);
    EXPECT_EQ(shown, L"");
    EXPECT_EQ(cue, L"Enter gallery description here ...");
    EXPECT_GT(greyEmpty, 20) << "the cue is not drawn";
    EXPECT_LT(greyTyped, greyEmpty / 4) << "the cue is drawn over text";
    EXPECT_EQ(doc().galleryDescription, "Enter gallery description here ...");

    // What is typed replaces it; an emptied field is an empty description, and shows the cue again.
    dialogs.answerNext(L"Gallery title", [&](HWND dialog) {
        typeInto(dialog, IDC_GALLERY_DESCRIPTION, L"Summer by the sea");
        clickButton(dialog, IDOK);
    });
    menu(ID_BUILD_TITLE);
    EXPECT_EQ(doc().galleryDescription, "Summer by the sea");
    dialogs.answerNext(L"Gallery title", [&](HWND dialog) {
        shown = itemText(dialog, IDC_GALLERY_DESCRIPTION);
        typeInto(dialog, IDC_GALLERY_DESCRIPTION, L"");
        cueAfterTyping = cueOf(dialog, IDC_GALLERY_DESCRIPTION);
        clickButton(dialog, IDOK);
    });
    menu(ID_BUILD_TITLE);
    ASSERT_EQ(dialogs.met(), 3);
    EXPECT_EQ(shown, L"Summer by the sea");
    EXPECT_EQ(cueAfterTyping, L"Enter gallery description here ...");
    EXPECT_EQ(doc().galleryDescription, "");
}

TEST_F(BuildMenuScenario, TitleThatCannotNameAFolderIsRefusedAtOkAndTheDialogStaysOpen)
{
    doc().galleryTitle = "Old";
    bool stayedOpen = false;
    std::wstring description;
    dialogs.answerNext(L"Gallery title", [&](HWND dialog) {
        typeInto(dialog, IDC_GALLERY_TITLE, L"Summer/Winter");
        typeInto(dialog, IDC_GALLERY_DESCRIPTION, L"both seasons");
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        stayedOpen = IsWindowVisible(dialog) && itemText(dialog, IDC_GALLERY_TITLE) == L"Summer/Winter";
        typeInto(dialog, IDC_GALLERY_TITLE, L"");  // an empty title builds into the folder itself
        clickButton(dialog, IDOK);
    });
    menu(ID_BUILD_TITLE);
    ASSERT_EQ(dialogs.met(), 1);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_NE(seam.boxes[0].text.find(L"\"Summer/Winter\" cannot be the name of the gallery's folder"),
              std::wstring::npos);
    EXPECT_NE(seam.boxes[0].text.find(L"< > : \" / \\ | ? *"), std::wstring::npos);
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(doc().galleryTitle, "");
    EXPECT_EQ(doc().galleryDescription, "both seasons");
}

TEST_F(BuildMenuScenario, BuildNeedsAnAlbumAndAnImageThenOpensOnTheDocumentsFolder)
{
    menu(ID_BUILD_GALLERY);
    makeAlbums({"Empty"});
    taskLink(ID_LINK_BUILD_GALLERY);
    ASSERT_EQ(seam.boxes.size(), 2u);
    EXPECT_EQ(seam.boxes[0].text, L"You need at least one album in your album.\nClick on \"Add album\"");
    EXPECT_EQ(seam.boxes[1].text, L"You need at least one image in your gallery.\nClick on \"Add images\"");
    for (const ShownBox& box : seam.boxes) {
        EXPECT_EQ(box.caption, L"Fotoloom");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
        EXPECT_EQ(box.owner, frameWindow());
    }
    EXPECT_EQ(dialogs.met(), 0);

    makeAlbums({"Full"}, 1);
    doc().galleryTitle = "Trip";
    std::wstring shownFolder, shownTitle;
    dialogs.answerNext(L"Generate web gallery", [&](HWND dialog) {
        shownFolder = itemText(dialog, IDC_OUTPUT_FOLDER);
        shownTitle = itemText(dialog, IDC_GALLERY_TITLE);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);  // Esc while idle closes
    });
    menu(ID_BUILD_GALLERY);
    EXPECT_EQ(dialogs.met(), 1);
    EXPECT_FALSE(shownFolder.empty());
    EXPECT_EQ(shownFolder, winui::widen(winui::documentsFolder()));
    EXPECT_EQ(shownTitle, L"Trip");
    EXPECT_EQ(seam.boxes.size(), 2u);
}

}  // namespace

namespace {

TEST_F(BuildMenuScenario, GalleryViewOpensThePreviewModallyFillingTheScreen)
{
    doc().galleryTitle = "Trip";
    RECT shown{}, work{};
    bool zoomed = false;
    // Looked at a second time, once the dialog manager has shown it (at its first idle moment):
    // it still fills the screen.
    dialogs.answerNext(L"Trip - Gallery Preview", [&](HWND first) {
        zoomed = IsZoomed(first) != FALSE;
        dialogs.answerNext(L"Trip - Gallery Preview", [&](HWND dialog) {
            GetWindowRect(dialog, &shown);
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            clickButton(dialog, IDCANCEL);
        });
    });
    menu(ID_BUILD_VIEW);
    ASSERT_EQ(dialogs.met(), 2);
    EXPECT_TRUE(zoomed);
    EXPECT_GE(shown.right - shown.left, work.right - work.left);
    EXPECT_GE(shown.bottom - shown.top, work.bottom - work.top);
}

}  // namespace

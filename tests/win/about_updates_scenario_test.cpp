// The about box and the update notifications, opened from the Help menu of the real frame: the
// about box's two grounds and logo in pixels, its links and its drag; the e-mail check, the
// address with the e-mail encoded, and Cancel.

#include "scenario.h"

#include "app/about_box_dlg.h"
#include "app/product_links.h"
#include "fotoloom_version.h"
#include "paint_probe.h"
#include "winui/dpi.h"

namespace {

using AboutBox = Scenario;

TEST_F(AboutBox, PaintsTheLogoOnWhiteAndTheRestOnAmber)
{
    CAboutBoxDlg about;
    ASSERT_TRUE(about.create(frameWindow()));
    const SIZE logo = about.logoSize();
    ASSERT_EQ(logo.cx, 164);
    ASSERT_EQ(logo.cy, 172);
    const RECT client = winui::clientRect(about.hwnd());
    PaintProbe probe(client.right, client.bottom);
    about.paint(probe.dc());

    const RECT logoArea{0, 0, logo.cx, logo.cy};
    EXPECT_GT(client.right * client.bottom - probe.count(logoArea, RGB(255, 255, 255)), 0);
    const int drawn = logo.cx * logo.cy - probe.count(logoArea, RGB(255, 255, 255));
    EXPECT_GT(drawn, logo.cx * logo.cy / 4) << "the logo is there";
    const RECT whiteStrip{logo.cx, 0, logo.cx + 10, client.bottom};
    EXPECT_EQ(probe.count(whiteStrip, RGB(255, 255, 255)), 10 * client.bottom);
    if (client.bottom > logo.cy) {
        const RECT belowLogo{0, logo.cy, logo.cx, client.bottom};
        EXPECT_EQ(probe.count(belowLogo, RGB(255, 255, 255)), logo.cx * (client.bottom - logo.cy));
    }
    const RECT amber{logo.cx + 10, 0, client.right, client.bottom};
    EXPECT_EQ(probe.count(amber, RGB(255, 204, 0)), (client.right - logo.cx - 10) * client.bottom);

    // The title stands on its own, slightly different amber.
    HWND title = GetDlgItem(about.hwnd(), IDC_ABOUT_TITLE);
    const RECT titleRect = winui::clientRect(title);
    PaintProbe titleProbe(titleRect.right, titleRect.bottom);
    SendMessageW(title, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(titleProbe.dc()), PRF_CLIENT);
    EXPECT_GT(titleProbe.count(titleRect, RGB(255, 205, 0)), titleRect.right * titleRect.bottom / 2);
    DestroyWindow(about.hwnd());
}

TEST_F(AboutBox, NamesTheVersionTheBuildCarries)
{
    CAboutBoxDlg about;
    ASSERT_TRUE(about.create(frameWindow()));
    EXPECT_EQ(itemText(about.hwnd(), IDC_ABOUT_TITLE), winui::widen("Fotoloom v" FOTOLOOM_VERSION));
    DestroyWindow(about.hwnd());
}

TEST_F(AboutBox, OpensFromTheHelpMenuWithItsLinksAndIsDraggedByItsGround)
{
    dialogs.answerNext(L"About Fotoloom", [](HWND dialog) {
        EXPECT_EQ(itemText(dialog, IDC_ABOUT_MAIL), kProductLinks.supportMail);
        EXPECT_EQ(itemText(dialog, IDC_ABOUT_SITE), kProductLinks.homePage);
        EXPECT_EQ(itemText(dialog, IDC_ABOUT_MAKER), kProductLinks.makerSite);
        EXPECT_NE(SendDlgItemMessageW(dialog, IDOK, BM_GETIMAGE, IMAGE_ICON, 0), 0) << "the OK button shows its icon";

        RECT client{};
        GetClientRect(dialog, &client);
        POINT ground{client.right - 4, client.bottom / 2};
        ClientToScreen(dialog, &ground);
        EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(ground.x, ground.y)), HTCAPTION);

        // The mail link opens a mail to the support address.
        SendDlgItemMessageW(dialog, IDC_ABOUT_MAIL, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        clickButton(dialog, IDOK);
    });
    menu(ID_APP_ABOUT);
    EXPECT_EQ(dialogs.met(), 1);
    ASSERT_EQ(seam.executed.size(), 1u);
    EXPECT_EQ(seam.executed[0].first, std::wstring(L"mailto:") + kProductLinks.supportMail);
}

// On a 150 % display the OK button's icon is the one drawn at 24 pixels, not a 16-pixel one.
TEST_F(AboutBox, OkIconIsDrawnForTheDialogsDpi)
{
    winui::setDpiOverride(144);
    SIZE icon{};
    dialogs.answerNext(L"About Fotoloom", [&icon](HWND dialog) {
        auto shown = reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, IDOK, BM_GETIMAGE, IMAGE_ICON, 0));
        ICONINFO info{};
        if (shown && GetIconInfo(shown, &info)) {
            BITMAP bitmap{};
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
            icon = SIZE{bitmap.bmWidth, bitmap.bmHeight};
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
        clickButton(dialog, IDOK);
    });
    menu(ID_APP_ABOUT);
    winui::setDpiOverride(0);
    EXPECT_EQ(dialogs.met(), 1);
    EXPECT_EQ(icon.cx, winui::systemMetric(SM_CXSMICON, 144));
    EXPECT_GT(icon.cx, GetSystemMetrics(SM_CXSMICON));
}

// On a scaled display the logo is the one drawn for that scale, and its white column grows with it,
// so the OK button under it stays on white.
TEST_F(AboutBox, TheLogoAndItsColumnAreDrawnForTheDialogsDpi)
{
    const struct {
        int dpi;
        SIZE logo;
    } scales[] = {{144, {246, 258}}, {192, {328, 344}}};
    for (const auto& scale : scales) {
        winui::setDpiOverride(scale.dpi);
        CAboutBoxDlg about;
        const bool made = about.create(frameWindow());
        winui::setDpiOverride(0);
        ASSERT_TRUE(made);
        winui::setDpiOverride(scale.dpi);
        EXPECT_EQ(about.logoSize().cx, scale.logo.cx) << scale.dpi;
        EXPECT_EQ(about.logoSize().cy, scale.logo.cy) << scale.dpi;
        const RECT client = winui::clientRect(about.hwnd());
        PaintProbe probe(client.right, client.bottom);
        about.paint(probe.dc());
        winui::setDpiOverride(0);
        const int strip = winui::scaled(10, scale.dpi);
        const RECT whiteStrip{scale.logo.cx, 0, scale.logo.cx + strip, client.bottom};
        EXPECT_EQ(probe.count(whiteStrip, RGB(255, 255, 255)), strip * client.bottom) << scale.dpi;
        const RECT amber{scale.logo.cx + strip, 0, client.right, client.bottom};
        EXPECT_EQ(probe.count(amber, RGB(255, 204, 0)), (client.right - scale.logo.cx - strip) * client.bottom)
            << scale.dpi;
        DestroyWindow(about.hwnd());
    }
}

using Updates = Scenario;

TEST_F(Updates, AnEmptyAddressIsRefusedAndATypedOneGoesEncodedToTheList)
{
    dialogs.answerNext(L"Notifications", [this](HWND dialog) {
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_UPDATES_SUBSCRIBE));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ASSERT_EQ(seam.boxes.size(), 1u);
        EXPECT_EQ(seam.boxes[0].text, L"Please enter e-mail!");
        EXPECT_EQ(seam.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_UPDATES_EMAIL));
        EXPECT_TRUE(seam.opened.empty());

        typeInto(dialog, IDC_UPDATES_EMAIL, L"ann+news@example.org&x=1");
        SendDlgItemMessageW(dialog, IDC_UPDATES_UNSUBSCRIBE, BM_CLICK, 0, 0);
        clickButton(dialog, IDOK);
    });
    menu(ID_HELP_UPDATES);
    EXPECT_EQ(dialogs.met(), 1);
    ASSERT_EQ(seam.opened.size(), 1u);
    EXPECT_EQ(seam.opened[0],
              std::wstring(kProductLinks.subscribePage) + L"?subscribe=0&email=ann%2Bnews%40example.org%26x%3D1");
}

TEST_F(Updates, CancelDoesNothing)
{
    dialogs.answerNext(L"Notifications", [](HWND dialog) {
        typeInto(dialog, IDC_UPDATES_EMAIL, L"ann@example.org");
        clickButton(dialog, IDCANCEL);
    });
    menu(ID_HELP_UPDATES);
    EXPECT_EQ(dialogs.met(), 1);
    EXPECT_TRUE(seam.opened.empty());
    EXPECT_TRUE(seam.boxes.empty());
}

}  // namespace

#include "app/about_box_dlg.h"

#include "app/art_scale.h"
#include "app/product_links.h"
#include "picture/picture.h"
#include "resources/resource.h"
#include "winui/dpi.h"

namespace {

HICON loadIcon(UINT id, int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

}  // namespace

CAboutBoxDlg::CAboutBoxDlg() : CDialog(IDD_ABOUTBOX) {}

const winui::MessageMapBase* CAboutBoxDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CAboutBoxDlg>()
                                .on<WM_INITDIALOG>(&CAboutBoxDlg::onInitDialog)
                                .on<WM_PAINT>(&CAboutBoxDlg::onPaint)
                                .on<WM_ERASEBKGND>(&CAboutBoxDlg::onEraseBackground)
                                .on<WM_CTLCOLORSTATIC>(&CAboutBoxDlg::onControlColour)
                                .on<WM_CTLCOLORBTN>(&CAboutBoxDlg::onControlColour)
                                .on<WM_CTLCOLORDLG>(&CAboutBoxDlg::onControlColour)
                                .on<WM_NCHITTEST>(&CAboutBoxDlg::onHitTest);
    return &map;
}

bool CAboutBoxDlg::onInitDialog()
{
    icon_.reset(loadIcon(IDR_MAINFRAME, winui::systemMetric(SM_CXICON, winui::dpiOf(hwnd()))));
    smallIcon_.reset(loadIcon(IDR_MAINFRAME, winui::systemMetric(SM_CXSMICON, winui::dpiOf(hwnd()))));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

    // The logo drawn for the box's scale (1x, 1.5x or 2x), never a stretched one.
    const int percent = artFor(winui::dpiOf(hwnd())).percent;
    const UINT logoId = percent == 200 ? IDR_ABOUT_LOGO_200 : percent == 150 ? IDR_ABOUT_LOGO_150 : IDR_ABOUT_LOGO;
    CPicture logo;
    if (logo.LoadResource(L"GIF", logoId, kFormatGif)) {
        logoSize_ = SIZE{static_cast<LONG>(logo.GetWidth()), static_cast<LONG>(logo.GetHeight())};
        logo_.reset(logo.MakeBitmap());
    }

    title_.attach(item(IDC_ABOUT_TITLE));
    title_.setBold(true).setBackgroundColour(kTitleGround);

    setItemText(IDC_ABOUT_MAIL, kProductLinks.supportMail);
    links_[0].setUrl(std::wstring(L"mailto:") + kProductLinks.supportMail);
    links_[1].setUrl(kProductLinks.homePage);
    links_[2].setUrl(kProductLinks.makerSite);
    const int linkIds[] = {IDC_ABOUT_MAIL, IDC_ABOUT_SITE, IDC_ABOUT_MAKER};
    for (size_t i = 0; i < links_.size(); ++i) links_[i].attach(item(linkIds[i]));

    okIcon_.reset(loadIcon(IDI_ABOUT_OK, winui::systemMetric(SM_CXSMICON, winui::dpiOf(hwnd()))));
    SendMessageW(item(IDOK), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(okIcon_.get()));
    return true;
}

void CAboutBoxDlg::paint(HDC dc) const
{
    const RECT client = winui::clientRect(hwnd());
    const int split = logoSize_.cx + winui::scaled(10, winui::dpiOf(hwnd()));
    const RECT left{0, 0, split, client.bottom}, right{split, 0, client.right, client.bottom};
    SetBkColor(dc, kLogoGround);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &left, nullptr, 0, nullptr);
    SetBkColor(dc, kGround);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &right, nullptr, 0, nullptr);
    if (!logo_) return;
    winui::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    winui::SelectGuard select(memory.get(), logo_.get());
    BitBlt(dc, 0, 0, logoSize_.cx, logoSize_.cy, memory.get(), 0, 0, SRCCOPY);
}

void CAboutBoxDlg::onPaint()
{
    winui::PaintDc dc(hwnd());
    paint(dc.get());
}

HBRUSH CAboutBoxDlg::onControlColour(HDC dc, HWND)
{
    if (!ground_) ground_.reset(CreateSolidBrush(kGround));
    SetBkColor(dc, kGround);
    SetBkMode(dc, TRANSPARENT);
    return ground_.get();
}

UINT CAboutBoxDlg::onHitTest(POINT screen)
{
    // Anywhere on the client area but a control moves the box, as its caption does.
    const auto hit = static_cast<UINT>(DefWindowProcW(hwnd(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)));
    return hit == HTCLIENT ? HTCAPTION : hit;
}

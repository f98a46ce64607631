#include "generator/ui/preview_dlg.h"

#include <commctrl.h>

#include "generator/theme_files.h"
#include "resources/resource.h"
#include "winui/dpi.h"
#include "winui/text.h"

namespace {

constexpr int kPanelWidth = 200;
constexpr int kGap = 5;
constexpr int kPanelRoom = 100;  // below the panel, for OK and Cancel
constexpr int kButtonGap = 8;    // between OK and Cancel
// Posted at opening: the dialog is maximised once it is fully made.
constexpr UINT kMaximize = WM_APP + 20;

int heightOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r.bottom - r.top;
}

}  // namespace

CPreviewDlg::CPreviewDlg(GallerySettings& gallery, Options options)
    : CDialog(IDD_PREVIEW), gallery_(gallery), options_(std::move(options))
{
    if (options_.templateRoot.empty()) options_.templateRoot = defaultTemplateRoot();
    if (options_.folder.empty()) options_.folder = previewFolder();
}

const winui::MessageMapBase* CPreviewDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CPreviewDlg>()
                                .on<WM_INITDIALOG>(&CPreviewDlg::onInitDialog)
                                .on<WM_SIZE>(&CPreviewDlg::onSize)
                                .on<WM_DESTROY>(&CPreviewDlg::onDestroy)
                                .raw(kMaximize, &CPreviewDlg::onMaximize)
                                .command(IDOK, &CPreviewDlg::onOk)
                                .command(IDC_PREVIEW_FALLBACK_LINK, &CPreviewDlg::onLinkButton)
                                .notify(IDC_PREVIEW_FALLBACK_LINK, NM_CLICK, &CPreviewDlg::onLinkClicked)
                                .notify(IDC_PREVIEW_FALLBACK_LINK, NM_RETURN, &CPreviewDlg::onLinkClicked);
    return &map;
}

bool CPreviewDlg::run(HWND owner) { return runModal(owner) == IDOK; }

bool CPreviewDlg::onInitDialog()
{
    prompter_.setOwner(hwnd());
    if (!panel_.create(hwnd())) {
        end(IDCANCEL);
        return false;
    }
    ShowWindow(panel_.hwnd(), SW_SHOW);
    const SIZE client = winui::clientSize(hwnd());
    if (options_.browser && browser_.create(hwnd(), IDC_PREVIEW_BROWSER, pageArea(client))) {
        view_ = &browser_;
    } else {
        fallback_.create(hwnd(), pageArea(client));
        view_ = &fallback_;
    }
    panel_.onChanged = [this] {
        if (ready_) renderPreview();
    };
    panel_.onThemeChanged = [this] {
        if (ready_) copyThemeImages();
    };

    PostMessageW(hwnd(), kMaximize, 0, 0);
    SetWindowTextW(hwnd(), (winui::widen(gallery_.galleryTitle) + L" - Gallery Preview").c_str());
    panel_.setUp(gallery_, ListThemes(options_.templateRoot));
    if (!preparePreviewFolder(options_.folder)) {
        // No preview rather than one written where it does not belong (the working folder).
        prompter_.tell(options_.folder.empty()
                           ? std::string("Cannot show the preview: there is no temporary folder to write it into.")
                           : "Cannot show the preview: cannot write into '" + options_.folder + "'.",
                       MessageIcon::Warning);
        end(IDCANCEL);
        return false;
    }
    sample_.Load(sampleImagePath(), kFormatGif);
    panel_.fillUnits(gallery_.albumWidthUnit);
    ready_ = true;
    copyThemeImages();
    MakeSampleImage(sample_, panel_.spinPosition(IDC_THUMB_WIDTH_SPIN), options_.folder);
    layout(winui::clientSize(hwnd()));
    return true;
}

// The sizes above are at 96 DPI; the dialog lays itself out at its own.
RECT CPreviewDlg::pageArea(SIZE client) const
{
    const int dpi = winui::dpiOf(hwnd());
    const int right = client.cx - winui::scaled(kPanelWidth, dpi) - 2 * winui::scaled(kGap, dpi);
    return RECT{0, 0, std::max<LONG>(right, 0), client.cy};
}

void CPreviewDlg::layout(SIZE client)
{
    const int dpi = winui::dpiOf(hwnd());
    const int panelWidth = winui::scaled(kPanelWidth, dpi), gap = winui::scaled(kGap, dpi);
    const int panelX = client.cx - panelWidth - gap;
    if (panel_.hwnd())
        SetWindowPos(panel_.hwnd(), nullptr, panelX, gap, panelWidth,
                     std::max<int>(client.cy - winui::scaled(kPanelRoom, dpi), 0), SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT page = pageArea(client);
    if (view_ == &browser_)
        browser_.move(page);
    else
        fallback_.move(page);
    HWND cancel = item(IDCANCEL), ok = item(IDOK);
    const int cancelY = client.cy - gap - heightOf(cancel);
    SetWindowPos(cancel, nullptr, panelX, cancelY, panelWidth, heightOf(cancel), SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(ok, nullptr, panelX, cancelY - winui::scaled(kButtonGap, dpi) - heightOf(ok), panelWidth, heightOf(ok),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPreviewDlg::onSize(UINT type, SIZE client)
{
    if (type != SIZE_MINIMIZED) layout(client);
}

void CPreviewDlg::copyThemeImages()
{
    CopyThemeImages(panel_.themeName(), options_.folder, options_.templateRoot);
    renderPreview();
}

void CPreviewDlg::renderPreview()
{
    if (!panel_.hwnd()) return;
    PreviewInput input = panel_.input(gallery_);
    // The stand-in opens the page in the user's browser, which may not take a Windows path as an address.
    input.samplesBesidePage = view_ == &fallback_;
    const PreviewResult result = RenderPreview(input, options_.folder, options_.templateRoot, prompter_);
    // A theme that is gone fell back to the first one there is: the list shows which.
    if (!result.themeName.empty() && result.themeName != input.settings.themeName) panel_.selectTheme(result.themeName);
    if (result.outcome == PreviewOutcome::Shown && view_) winui::seam().navigate(*view_, winui::widen(result.pagePath));
}

LRESULT CPreviewDlg::onMaximize(WPARAM, LPARAM)
{
    // Its normal size is the whole work area too: the dialog manager shows a modal dialog in its
    // normal state when its queue first runs empty, which undoes a maximise made before (so Wine
    // does), and a system may keep a dialog from being maximised at all.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& area = monitor.rcWork;
        SetWindowPos(hwnd(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hwnd(), SW_MAXIMIZE);
    return 0;
}

void CPreviewDlg::onOk()
{
    panel_.store(gallery_);
    end(IDOK);
}

LRESULT CPreviewDlg::onLinkClicked(const NMHDR&)
{
    fallback_.openInBrowser(hwnd());
    return 0;
}

void CPreviewDlg::onLinkButton() { fallback_.openInBrowser(hwnd()); }

void CPreviewDlg::onDestroy()
{
    ready_ = false;
    browser_.destroy();
}

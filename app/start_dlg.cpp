#include "app/start_dlg.h"

#include "app/main_frame.h"
#include "base/file_system.h"
#include "gallery/project_file.h"
#include "picture/picture.h"
#include "resources/resource.h"
#include "winui/seam.h"
#include "winui/text.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr wchar_t kNoItem[] = L"No item";
constexpr UINT kRecentIds[] = {IDC_START_RECENT1, IDC_START_RECENT2, IDC_START_RECENT3};

bool noEntry(const std::string& path) { return path.empty() || path == "No item"; }

}  // namespace

CStartDlg::CStartDlg(CMainFrame& frame, CBuilderDoc& doc, std::array<std::string, 3> recent)
    : CDialog(IDD_START), frame_(frame), doc_(doc), recent_(std::move(recent))
{
}

const winui::MessageMapBase* CStartDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CStartDlg>()
                                .on<WM_INITDIALOG>(&CStartDlg::onInitDialog)
                                .on<WM_ERASEBKGND>(&CStartDlg::onEraseBackground)
                                .on<WM_CTLCOLORSTATIC>(&CStartDlg::onControlColour)
                                .on<WM_CTLCOLORBTN>(&CStartDlg::onControlColour)
                                .command(IDC_START_NEW_RADIO, &CStartDlg::onNew)
                                .command(IDC_START_MODIFY_RADIO, &CStartDlg::onModify)
                                .command(IDC_START_BROWSE, &CStartDlg::onBrowse)
                                // Labels: a click only (a double click would run it twice).
                                .control(IDC_START_NEW, STN_CLICKED, &CStartDlg::onNew)
                                .control(IDC_START_MODIFY, STN_CLICKED, &CStartDlg::onModify)
                                .control(IDC_START_RECENT1, STN_CLICKED, &CStartDlg::onRecent1)
                                .control(IDC_START_RECENT2, STN_CLICKED, &CStartDlg::onRecent2)
                                .control(IDC_START_RECENT3, STN_CLICKED, &CStartDlg::onRecent3)
                                .command(IDC_START_NEXT, &CStartDlg::onNext)
                                .command(IDC_START_HELP, &CStartDlg::onHelp);
    return &map;
}

bool CStartDlg::onInitDialog()
{
    loadPicture();
    const int plain[] = {IDC_START_VERSION, IDC_START_WELCOME, IDC_START_QUESTION, IDC_START_NEW, IDC_START_MODIFY};
    for (size_t i = 0; i < labels_.size(); ++i) {
        labels_[i].attach(item(plain[i]));
        labels_[i].setTransparent(true).setTextColour(kWhite);
    }
    labels_[2].setBold(true);
    recentTitle_[0].attach(item(IDC_START_RECENT_TITLE));
    recentTitle_[0].setTransparent(true).setTextColour(kWhite).setBold(true);

    chooseModify(false);
    for (size_t i = 0; i < recentLabels_.size(); ++i) {
        CStyledLabel& label = recentLabels_[i];
        label.attach(item(static_cast<int>(kRecentIds[i])));
        label.setText(noEntry(recent_[i]) ? std::wstring(kNoItem) : winui::widen(recent_[i]))
            .setTransparent(true)
            .setBold(true)
            .setTextColour(kWhite)
            .setUnderline(true)
            .setLink(true, true);
    }
    return true;
}

void CStartDlg::loadPicture()
{
    const RECT client = winui::clientRect(hwnd());
    // The smallest drawing that covers the dialog, so it is only ever made smaller.
    const UINT drawings[] = {IDR_START_PICTURE, IDR_START_PICTURE_150, IDR_START_PICTURE_200};
    CPicture start;
    for (UINT id : drawings) {
        if (!start.LoadResource(L"JPEG", id, kFormatJpeg)) break;
        if (start.GetWidth() >= static_cast<uint32_t>(client.right) &&
            start.GetHeight() >= static_cast<uint32_t>(client.bottom))
            break;
    }
    if (!start.IsValid() || client.right <= 0 || client.bottom <= 0)
        return;  // no picture: the dialog shows its plain background
    start.Resample2(static_cast<uint32_t>(client.right), static_cast<uint32_t>(client.bottom), kInterpolationBicubic2,
                    kOverflowRepeat);
    picture_.reset(start.MakeBitmap());
    pictureSize_ = SIZE{client.right, client.bottom};
}

bool CStartDlg::onEraseBackground(HDC dc)
{
    if (!picture_) return false;
    winui::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    winui::SelectGuard select(memory.get(), picture_.get());
    BitBlt(dc, 0, 0, pictureSize_.cx, pictureSize_.cy, memory.get(), 0, 0, SRCCOPY);
    return true;
}

HBRUSH CStartDlg::onControlColour(HDC dc, HWND)
{
    // Every control stands on the picture.
    if (!picture_) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void CStartDlg::chooseModify(bool modify)
{
    // Each radio button is a group of its own, so the dialog keeps them exclusive.
    setChecked(IDC_START_NEW_RADIO, !modify);
    setChecked(IDC_START_MODIFY_RADIO, modify);
    EnableWindow(item(IDC_START_BROWSE), modify);
}

void CStartDlg::onNew() { chooseModify(false); }

void CStartDlg::onModify()
{
    chooseModify(true);
    UpdateWindow(hwnd());  // the new choice shows before the file dialog covers it
    // The file dialog is this dialog's own: closing it brings this dialog back, not the frame.
    if (frame_.openGallery(hwnd()) == IDOK) end(IDCANCEL);
}

void CStartDlg::onBrowse()
{
    if (frame_.openGallery(hwnd()) == IDOK) end(IDCANCEL);
}

void CStartDlg::onRecent(size_t entry)
{
    const std::string& path = recent_[entry];
    if (noEntry(path)) return;
    // A recent gallery opens like Open does: the window is named after it and Save writes it
    // back there. The reader tells of a damaged file; a file that is gone is named here, so the
    // user knows which entry it was. The dialog closes either way.
    if (!fileExists(path))
        doc_.prompter().showMessage("Cannot open gallery!\n\n" + path + "\nThe file no longer exists.", "Fotoloom",
                                    MessageIcon::Error, MessageButtons::Ok);
    else
        frame_.openGalleryFile(path);
    end(IDCANCEL);
}

void CStartDlg::onNext()
{
    if (!isChecked(IDC_START_MODIFY_RADIO)) {
        end(IDCANCEL);
        return;
    }
    // "Modify" with no file chosen (its file dialog was cancelled).
    winui::seam().messageBox(hwnd(),
                             L"No gallery was chosen.\nPlease choose a Web Gallery project with 'Browse...' or "
                             L"select 'Create a new Web Gallery'.",
                             L"Fotoloom", MB_OK | MB_ICONERROR);
}

void CStartDlg::onHelp() { winui::seam().showHelp(winui::widen(programFolder()) + L"\\Builder.chm::/Step1/index.htm"); }

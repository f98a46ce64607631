#include "app/album_dlg.h"

#include "resources/resource.h"
#include "winui/text.h"

namespace {

// Dialog units between the top of the position group and the buttons below it: the room the
// dialog gives back when it edits an album instead of adding one.
constexpr int kPositionRoom = 149 - 107;

}  // namespace

CAlbumDlg::CAlbumDlg(std::string title, std::string caption, bool adding)
    : CDialog(IDD_ALBUM), title_(std::move(title)), caption_(std::move(caption)), adding_(adding)
{
}

const winui::MessageMapBase* CAlbumDlg::messageMap() const
{
    static const auto map =
        winui::MessageMap<CAlbumDlg>().on<WM_INITDIALOG>(&CAlbumDlg::onInitDialog).command(IDOK, &CAlbumDlg::onOk);
    return &map;
}

bool CAlbumDlg::run(HWND owner) { return runModal(owner) == IDOK; }

bool CAlbumDlg::onInitDialog()
{
    setItemText(IDC_ALBUM_TITLE, winui::widen(title_));
    setItemText(IDC_ALBUM_CAPTION, winui::toCrLf(winui::widen(caption_)));
    // Untouched, the caption goes back byte for byte (line ends included).
    SendMessageW(item(IDC_ALBUM_CAPTION), EM_SETMODIFY, FALSE, 0);
    if (adding_)
        setChecked(IDC_ALBUM_TO_BOTTOM, true);
    else
        leaveOutPosition();
    return true;
}

void CAlbumDlg::leaveOutPosition()
{
    for (int id : {IDC_ALBUM_INSERT_LABEL, IDC_ALBUM_AFTER_SELECTED, IDC_ALBUM_TO_TOP, IDC_ALBUM_TO_BOTTOM})
        showItem(id, false);
    const int room = toPixels(RECT{0, 0, 0, kPositionRoom}).bottom;
    for (int id : {IDOK, IDCANCEL}) {
        RECT r{};
        GetWindowRect(item(id), &r);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(item(id), nullptr, r.left, r.top - room, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT window{};
    GetWindowRect(hwnd(), &window);
    SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left, window.bottom - window.top - room,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CAlbumDlg::onOk()
{
    title_ = winui::narrow(itemText(IDC_ALBUM_TITLE));
    if (SendMessageW(item(IDC_ALBUM_CAPTION), EM_GETMODIFY, 0, 0))
        caption_ = winui::narrow(itemText(IDC_ALBUM_CAPTION));
    if (adding_) {
        if (isChecked(IDC_ALBUM_AFTER_SELECTED))
            position_ = AlbumPosition::AfterSelected;
        else if (isChecked(IDC_ALBUM_TO_TOP))
            position_ = AlbumPosition::Top;
        else
            position_ = AlbumPosition::Bottom;
    }
    end(IDOK);
}

#include "app/updates_dlg.h"

#include "app/product_links.h"
#include "resources/resource.h"
#include "winui/dpi.h"
#include "winui/seam.h"
#include "winui/text.h"

namespace {

HICON loadIcon(UINT id, int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

// Percent-encodes everything but the unreserved characters, from the UTF-8 bytes.
std::wstring urlEncoded(std::wstring_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::wstring encoded;
    for (unsigned char c : winui::narrow(text)) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '_' || c == '.' || c == '~';
        if (unreserved) {
            encoded.push_back(static_cast<wchar_t>(c));
        } else {
            encoded.push_back(L'%');
            encoded.push_back(static_cast<wchar_t>(kHex[c >> 4]));
            encoded.push_back(static_cast<wchar_t>(kHex[c & 15]));
        }
    }
    return encoded;
}

}  // namespace

std::wstring subscriptionUrl(bool subscribe, std::wstring_view email)
{
    return std::wstring(kProductLinks.subscribePage) + L"?subscribe=" + (subscribe ? L"1" : L"0") + L"&email=" +
           urlEncoded(email);
}

CUpdatesDlg::CUpdatesDlg() : CDialog(IDD_UPDATES) {}

const winui::MessageMapBase* CUpdatesDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CUpdatesDlg>()
                                .on<WM_INITDIALOG>(&CUpdatesDlg::onInitDialog)
                                .command(IDOK, &CUpdatesDlg::onOk);
    return &map;
}

bool CUpdatesDlg::onInitDialog()
{
    icon_.reset(loadIcon(IDI_UPDATES, winui::systemMetric(SM_CXICON, winui::dpiOf(hwnd()))));
    smallIcon_.reset(loadIcon(IDI_UPDATES, winui::systemMetric(SM_CXSMICON, winui::dpiOf(hwnd()))));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    intro_.attach(item(IDC_UPDATES_INTRO));
    intro_.setBold(true);
    promise_.attach(item(IDC_UPDATES_PROMISE));
    promise_.setItalic(true);
    setItemText(IDC_UPDATES_EMAIL, email_);
    setChecked(IDC_UPDATES_SUBSCRIBE, choice_ == 0);
    setChecked(IDC_UPDATES_UNSUBSCRIBE, choice_ == 1);
    SetFocus(item(IDC_UPDATES_EMAIL));  // what there is to type
    return false;
}

void CUpdatesDlg::onOk()
{
    email_ = itemText(IDC_UPDATES_EMAIL);
    choice_ = isChecked(IDC_UPDATES_UNSUBSCRIBE) ? 1 : 0;
    if (email_.empty()) {
        winui::seam().messageBox(hwnd(), L"Please enter e-mail!", L"Notifications", MB_OK | MB_ICONWARNING);
        SetFocus(item(IDC_UPDATES_EMAIL));
        return;
    }
    winui::seam().shellOpen(hwnd(), subscriptionUrl(choice_ == 0, email_));
    end(IDOK);
}

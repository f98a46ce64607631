#pragma once
// CUpdatesDlg (dialog resource 32826, "Notifications"): subscribes an e-mail address to the
// announcements of new versions, or unsubscribes it, by opening the mailing list's page.

#include <string>
#include <string_view>

#include "controls/styled_label.h"
#include "winui/dialog.h"
#include "winui/handles.h"

// The mailing list's address for an e-mail address as typed; the address is URL-encoded.
std::wstring subscriptionUrl(bool subscribe, std::wstring_view email);

class CUpdatesDlg : public winui::CDialog {
public:
    CUpdatesDlg();

    void run(HWND owner) { runModal(owner); }

    const std::wstring& email() const { return email_; }
    int choice() const { return choice_; }  // 0 subscribe, 1 unsubscribe

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onInitDialog();
    void onOk();

    std::wstring email_;
    int choice_ = 0;
    CStyledLabel intro_, promise_;
    winui::UniqueIcon icon_, smallIcon_;
};

#pragma once
// CDialog: a modal or modeless dialog made from a dialog template of the program's resources.
// The object is bound to the dialog in GWLP_USERDATA on WM_INITDIALOG, the first message that
// carries it; handlers come from the class's dispatch table like any other window.
// IDOK and IDCANCEL end the dialog unless the table takes them.

#include <string>
#include <string_view>

#include "winui/window.h"

namespace winui {

class CDialog : public CWindow {
public:
    explicit CDialog(UINT templateId) : templateId_(templateId) {}

    // Runs the dialog modally; the value given to end(), or -1 when it could not be made.
    INT_PTR runModal(HWND owner);
    // Creates the dialog modelessly (the caller pumps its messages); false on failure.
    bool createModeless(HWND owner);
    // Closes the dialog: EndDialog when modal, DestroyWindow when modeless.
    void end(INT_PTR result);

protected:
    bool dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    HWND item(int id) const { return GetDlgItem(hwnd(), id); }
    std::wstring itemText(int id) const;
    void setItemText(int id, std::wstring_view text);
    bool isChecked(int id) const;
    void setChecked(int id, bool checked);
    void showItem(int id, bool visible);
    // Dialog units of this dialog's font to pixels.
    RECT toPixels(RECT dialogUnits) const;

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    bool modal_ = false;
};

}  // namespace winui

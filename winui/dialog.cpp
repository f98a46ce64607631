#include "winui/dialog.h"

#include "winui/text.h"

namespace winui {

namespace {

// Messages whose answer a dialog procedure returns directly instead of in DWLP_MSGRESULT.
bool answersDirectly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON: return true;
    default: return false;
    }
}

}  // namespace

INT_PTR CDialog::runModal(HWND owner)
{
    modal_ = true;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, dialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::createModeless(HWND owner)
{
    modal_ = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, dialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::end(INT_PTR result)
{
    if (!hwnd()) return;
    if (modal_)
        EndDialog(hwnd(), result);
    else
        DestroyWindow(hwnd());
}

bool CDialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (CWindow::dispatch(message, wParam, lParam, result)) return true;
    const bool okOrCancel = LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && okOrCancel) {
        end(LOWORD(wParam));
        result = 0;
        return true;
    }
    return false;
}

INT_PTR CALLBACK CDialog::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) reinterpret_cast<CDialog*>(lParam)->attach(dialog);
    auto* self = static_cast<CDialog*>(fromHandle(dialog));
    if (!self) return FALSE;
    LRESULT result = message == WM_INITDIALOG ? TRUE : 0;
    bool handled = self->dispatch(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        self->detach();
        self->onFinalMessage();
    }
    if (message == WM_INITDIALOG) return static_cast<INT_PTR>(result);
    if (!handled) return FALSE;
    if (answersDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

std::wstring CDialog::itemText(int id) const
{
    HWND control = item(id);
    return control ? windowText(control) : std::wstring();
}

void CDialog::setItemText(int id, std::wstring_view text) { SetDlgItemTextW(hwnd(), id, std::wstring(text).c_str()); }

bool CDialog::isChecked(int id) const { return IsDlgButtonChecked(hwnd(), id) == BST_CHECKED; }

void CDialog::setChecked(int id, bool checked) { CheckDlgButton(hwnd(), id, checked ? BST_CHECKED : BST_UNCHECKED); }

void CDialog::showItem(int id, bool visible)
{
    if (HWND control = item(id)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

RECT CDialog::toPixels(RECT dialogUnits) const
{
    MapDialogRect(hwnd(), &dialogUnits);
    return dialogUnits;
}

}  // namespace winui

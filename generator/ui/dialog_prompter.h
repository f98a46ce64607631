#pragma once
// The generator's warnings shown as message boxes owned by one dialog, through the seam.

#include <windows.h>

#include "gallery/prompter.h"
#include "winui/seam.h"
#include "winui/text.h"

class CDialogPrompter final : public IPrompter {
public:
    void setOwner(HWND owner) { owner_ = owner; }

    MessageAnswer showMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        UINT type = icon == MessageIcon::Error         ? MB_ICONERROR
                    : icon == MessageIcon::Information ? MB_ICONINFORMATION
                                                       : MB_ICONEXCLAMATION;
        type |= buttons == MessageButtons::YesNo            ? MB_YESNO
                : buttons == MessageButtons::YesNoCancel    ? MB_YESNOCANCEL
                : buttons == MessageButtons::YesNoDefaultNo ? MB_YESNO | MB_DEFBUTTON2
                                                            : MB_OK;
        switch (winui::seam().messageBox(owner_, winui::widen(text), winui::widen(caption), type)) {
        case IDYES: return MessageAnswer::Yes;
        case IDNO: return MessageAnswer::No;
        case IDCANCEL: return MessageAnswer::Cancel;
        default: return MessageAnswer::Ok;
        }
    }

private:
    HWND owner_ = nullptr;
};

#include "app/win_prompter.h"

#include "winui/seam.h"
#include "winui/text.h"

namespace {

UINT boxType(MessageIcon icon, MessageButtons buttons)
{
    UINT type = 0;
    switch (icon) {
    case MessageIcon::Warning: type |= MB_ICONWARNING; break;
    case MessageIcon::Error: type |= MB_ICONERROR; break;
    case MessageIcon::Information: type |= MB_ICONINFORMATION; break;
    }
    switch (buttons) {
    case MessageButtons::Ok: type |= MB_OK; break;
    case MessageButtons::YesNo: type |= MB_YESNO; break;
    case MessageButtons::YesNoCancel: type |= MB_YESNOCANCEL; break;
    case MessageButtons::YesNoDefaultNo: type |= MB_YESNO | MB_DEFBUTTON2; break;
    }
    return type;
}

MessageAnswer answer(int pressed)
{
    switch (pressed) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    case IDCANCEL: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
    }
}

}  // namespace

MessageAnswer CWinPrompter::showMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                        MessageButtons buttons)
{
    HWND owner = GetActiveWindow();
    if (!owner) owner = fallbackOwner_;
    const int pressed =
        winui::seam().messageBox(owner, winui::widen(text), winui::widen(caption), boxType(icon, buttons));
    // A box that could not be shown answers Cancel: nothing is removed, nothing closes.
    if (pressed == 0) return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    return answer(pressed);
}

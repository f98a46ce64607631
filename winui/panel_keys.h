#pragma once
// Enter and Esc inside a panel: a dialog made as a child of another dialog (DS_CONTROL). The
// dialog manager answers those two keys for the outer dialog whatever control has the focus:
// Enter presses its default button, Esc its Cancel, so a key meant for the panel would close the
// whole window. keepPanelKeys() has every control of the panel ask for both keys itself: a
// dropped-down list still closes with them, any other control of the panel ignores them. The
// outer dialog's own controls keep the usual Enter and Esc.

#include <windows.h>

namespace winui {

// Call once the panel's controls exist (its WM_INITDIALOG); each control lets go on its destruction.
void keepPanelKeys(HWND panel);

}  // namespace winui

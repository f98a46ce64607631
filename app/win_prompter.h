#pragma once
// The document's prompter in the Windows program: a message box owned by the active window
// (the main window when the program has none), through winui::seam().

#include <windows.h>

#include "gallery/prompter.h"

class CWinPrompter final : public IPrompter {
public:
    // `fallbackOwner` owns the box when the thread has no active window.
    void setFallbackOwner(HWND owner) { fallbackOwner_ = owner; }

    MessageAnswer showMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;

private:
    HWND fallbackOwner_ = nullptr;
};

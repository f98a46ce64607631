#pragma once
// The one way the core talks to a person: a message box with a scripted answer in tests,
// a real MessageBoxW in the Windows program, and stderr on the command line.

#include <string>

inline constexpr char kProductName[] = "Fotoloom";

enum class MessageIcon { Warning, Error, Information };
enum class MessageButtons { Ok, YesNo, YesNoCancel, YesNoDefaultNo };  // the last: Enter answers No
enum class MessageAnswer { Ok, Yes, No, Cancel };

class IPrompter {
public:
    virtual ~IPrompter() = default;
    virtual MessageAnswer showMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    // The common case: caption "Fotoloom", one OK button.
    void tell(const std::string& text, MessageIcon icon) { showMessage(text, kProductName, icon, MessageButtons::Ok); }
    bool askYesNo(const std::string& text, const std::string& caption)
    {
        return showMessage(text, caption, MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
};

// Answers every question with Yes (No where No is the default) and keeps quiet; the default until
// a real prompter is set.
class SilentPrompter final : public IPrompter {
public:
    MessageAnswer showMessage(const std::string&, const std::string&, MessageIcon, MessageButtons buttons) override
    {
        if (buttons == MessageButtons::YesNoDefaultNo) return MessageAnswer::No;
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
};

#include "cli/cli_prompter.h"

MessageAnswer CliPrompter::showMessage(const std::string& text, const std::string&, MessageIcon, MessageButtons buttons)
{
    // Nobody to ask: a question whose default is No is answered No, any other Yes.
    if (buttons == MessageButtons::YesNoDefaultNo) return MessageAnswer::No;
    if (buttons != MessageButtons::Ok) return MessageAnswer::Yes;
    // One line per message, whatever line breaks the text was written with for a dialog.
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    err_ << "fotoloom: ";
    if (!subject_.empty()) err_ << subject_ << ": ";
    err_ << line;
    if (explainer_)
        if (const std::string reason = explainer_(text); !reason.empty()) err_ << ' ' << reason;
    err_ << '\n';
    return MessageAnswer::Ok;
}

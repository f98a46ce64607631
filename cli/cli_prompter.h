#pragma once
// The command line's prompter: warnings, errors and notes go to stderr as "fotoloom: <text>";
// every question is answered Yes, because the command itself is the user's decision.

#include <functional>
#include <ostream>
#include <string>

#include "gallery/prompter.h"

class CliPrompter final : public IPrompter {
public:
    explicit CliPrompter(std::ostream& err) : err_(err) {}

    MessageAnswer showMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;

    // Names the file the following messages are about ("fotoloom: FILE: text"); "" for none.
    void setSubject(std::string subject) { subject_ = std::move(subject); }
    // The messages were written for a dialog and name no reason; while an explainer is set, what it
    // answers for a message's text (when not empty) is said after the text. Empty for none.
    void setExplainer(std::function<std::string(const std::string& text)> explainer)
    {
        explainer_ = std::move(explainer);
    }

private:
    std::ostream& err_;
    std::string subject_;
    std::function<std::string(const std::string&)> explainer_;
};

#pragma once
// A prompter for tests: records every message and answers from a script (Yes by default).

#include <deque>
#include <string>
#include <vector>

#include "gallery/prompter.h"

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
    MessageButtons buttons;
};

class FakePrompter final : public IPrompter {
public:
    std::vector<ShownMessage> shown;
    std::deque<MessageAnswer> answers;  // consumed in order; Yes (or Ok) once empty

    MessageAnswer showMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        shown.push_back({text, caption, icon, buttons});
        if (!answers.empty()) {
            MessageAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const ShownMessage& m : shown) out.push_back(m.text);
        return out;
    }
};

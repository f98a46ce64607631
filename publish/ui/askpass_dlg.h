#pragma once
// CAskpassDlg: how Builder.exe answers the OpenSSH client's askpass prompts (askpass_channel.h).
// A password or a key's passphrase is typed into a hidden edit (dialog IDD_ASKPASS_SECRET, "Sign
// in"); a question about the server's host key shows the client's whole text, fingerprint
// included, where it can be selected and copied, and answers "yes" or "no" with No the default
// (IDD_ASKPASS_QUESTION, "Check the server's key"). Cancel or closing declines.
//
// The channel asks on a thread of its own; the dialog runs on the owner's thread, owned by the
// owner, while the channel's thread waits. The owner's thread may be busy waiting for the very
// work that asks: once the owner is destroyed or decline() is called, the prompt that waits and
// every later one are declined at once (a dialog on the screen closes), so nothing waits for a
// person who can no longer answer.
//
// USAGE, on the owner's thread (a top-level window):
//     CAskpassDlg askpass(hwnd());
//     SftpDestination destination(address, options, askpass);  // prompts come from its channel
//     ... on Cancel or close, before waiting for the worker: askpass.decline();
//
// A typed secret is kept in buffers this class owns only until it is handed to the channel, and
// they are wiped then; it is never logged.

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "publish/askpass_channel.h"

class CAskpassDlg final : public IAskpassAnswerer {
public:
    // Made and destroyed on the owner's thread.
    explicit CAskpassDlg(HWND owner);
    // Declines what still waits and returns once no answer() is under way.
    ~CAskpassDlg() override;
    CAskpassDlg(const CAskpassDlg&) = delete;
    CAskpassDlg& operator=(const CAskpassDlg&) = delete;

    // Any thread: shows the prompt on the owner's thread and waits for the person's answer.
    std::optional<std::string> answer(const std::string& prompt, bool showTyping) override;
    // Any thread: declines the prompt that waits or shows, and every later one.
    void decline();

private:
    class Relay;
    class PromptDlg;
    struct Request;

    // The owner's thread: shows the prompts that wait, one after the other.
    void showWaiting();
    std::optional<std::string> ask(const std::string& prompt, bool question);

    HWND owner_;
    DWORD ownerThread_;
    std::unique_ptr<Relay> relay_;  // the hidden window on the owner's thread that prompts are posted to
    HWND relayWindow_ = nullptr;
    PromptDlg* showing_ = nullptr;  // the dialog on the screen (owner's thread only)

    std::mutex mutex_;
    std::condition_variable changed_;
    bool declined_ = false;
    int asking_ = 0;  // answer() calls under way
    std::deque<std::shared_ptr<Request>> waiting_;
};

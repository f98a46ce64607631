#include "publish/ui/askpass_dlg.h"

#include <algorithm>
#include <cwchar>

#include "resources/resource.h"
#include "winui/dialog.h"
#include "winui/text.h"

namespace {

// Posted to the relay: prompts wait, or a decline must close the one on the screen.
constexpr UINT kPromptsChanged = WM_APP + 30;

void wipe(std::wstring& secret)
{
    SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
    secret.clear();
}

void wipe(std::string& secret)
{
    SecureZeroMemory(secret.data(), secret.size());
    secret.clear();
}

// The UTF-8 of a typed secret, always in a heap buffer of its own: a short string would live in
// the string's inline buffer, which a move copies and leaves behind unwiped.
std::string secretUtf8(const std::wstring& typed)
{
    const int length = static_cast<int>(typed.size());
    const int n = length == 0 ? 0 : WideCharToMultiByte(CP_UTF8, 0, typed.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8;
    utf8.reserve(std::max(n, 64));
    utf8.resize(static_cast<size_t>(n));
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, typed.data(), length, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace

// One prompt on the screen: the secret's dialog or the question's.
class CAskpassDlg::PromptDlg final : public winui::CDialog {
public:
    PromptDlg(const std::string& prompt, bool question)
        : CDialog(question ? IDD_ASKPASS_QUESTION : IDD_ASKPASS_SECRET), prompt_(prompt), question_(question)
    {
    }
    ~PromptDlg() override { wipe(secret_); }

    // Modal; the answer, or nothing when the person declined.
    std::optional<std::string> run(HWND owner)
    {
        const INT_PTR chosen = runModal(owner);
        if (question_) {
            if (chosen == IDYES) return "yes";
            if (chosen == IDNO) return "no";
            return std::nullopt;
        }
        if (chosen != IDOK) return std::nullopt;
        return std::move(secret_);
    }
    void cancel() { end(IDCANCEL); }

protected:
    const winui::MessageMapBase* messageMap() const override
    {
        static const auto map = winui::MessageMap<PromptDlg>()
                                    .on<WM_INITDIALOG>(&PromptDlg::onInitDialog)
                                    .command(IDOK, &PromptDlg::onOk)
                                    .command(IDYES, &PromptDlg::onYes)
                                    .command(IDNO, &PromptDlg::onNo);
        return &map;
    }

private:
    bool onInitDialog()
    {
        if (!question_) {
            setItemText(IDC_ASKPASS_PROMPT, winui::widen(prompt_));
            return true;  // the focus goes to the edit, the first control that takes it
        }
        setItemText(IDC_ASKPASS_TEXT, winui::toCrLf(winui::widen(prompt_)));
        // The safe answer is the one Enter gives, and the one that has the focus.
        SetFocus(item(IDNO));
        return false;
    }

    void onOk()
    {
        if (question_) return;  // Enter in the question is No, its default button
        HWND edit = item(IDC_ASKPASS_SECRET);
        const int n = GetWindowTextLengthW(edit);
        std::wstring typed;
        typed.reserve(static_cast<size_t>(std::max(n + 1, 64)));  // on the heap, so wiped where it is
        typed.resize(static_cast<size_t>(n) + 1);
        GetWindowTextW(edit, typed.data(), n + 1);
        typed.resize(std::wcslen(typed.c_str()));
        secret_ = secretUtf8(typed);
        wipe(typed);
        // The control's own copy is overwritten in its buffer before the control frees it.
        SetWindowTextW(edit, std::wstring(static_cast<size_t>(n), L' ').c_str());
        SetWindowTextW(edit, L"");
        end(IDOK);
    }
    void onYes() { end(IDYES); }
    void onNo() { end(IDNO); }

    std::string prompt_;
    bool question_;
    std::string secret_;
};

// A hidden window on the owner's thread, owned by the owner: prompts are posted to it, and it is
// destroyed with the owner, which declines whatever still waits.
class CAskpassDlg::Relay final : public winui::CWindow {
public:
    explicit Relay(CAskpassDlg& answerer) : answerer_(answerer) {}
    bool create(HWND owner)
    {
        return createWindow({.className = L"FotoloomAskpassRelay", .parent = owner, .style = WS_POPUP});
    }

protected:
    const winui::MessageMapBase* messageMap() const override
    {
        static const auto map =
            winui::MessageMap<Relay>().on<WM_DESTROY>(&Relay::onDestroy).raw(kPromptsChanged, &Relay::onPromptsChanged);
        return &map;
    }

private:
    void onDestroy() { answerer_.decline(); }
    LRESULT onPromptsChanged(WPARAM, LPARAM)
    {
        answerer_.showWaiting();
        return 0;
    }

    CAskpassDlg& answerer_;
};

struct CAskpassDlg::Request {
    std::string prompt;
    bool question = false;
    std::optional<std::string> answer;
    bool done = false;
};

CAskpassDlg::CAskpassDlg(HWND owner)
    : owner_(owner), ownerThread_(GetCurrentThreadId()), relay_(std::make_unique<Relay>(*this))
{
    if (relay_->create(owner))
        relayWindow_ = relay_->hwnd();
    else
        declined_ = true;  // no way to the owner's thread: nothing can be asked
}

CAskpassDlg::~CAskpassDlg()
{
    decline();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return asking_ == 0; });
}

std::optional<std::string> CAskpassDlg::answer(const std::string& prompt, bool showTyping)
{
    // Asked on the owner's thread itself, waiting would stop the very thread that must answer.
    if (GetCurrentThreadId() == ownerThread_) {
        {
            std::lock_guard lock(mutex_);
            if (declined_) return std::nullopt;
        }
        return ask(prompt, showTyping);
    }
    auto request = std::make_shared<Request>();
    request->prompt = prompt;
    request->question = showTyping;
    std::unique_lock lock(mutex_);
    if (declined_) return std::nullopt;
    waiting_.push_back(request);
    ++asking_;
    lock.unlock();
    const bool posted = PostMessageW(relayWindow_, kPromptsChanged, 0, 0) != 0;
    lock.lock();
    if (posted) changed_.wait(lock, [&] { return request->done || declined_; });
    std::optional<std::string> answer;
    if (request->done)
        answer = std::move(request->answer);
    else
        std::erase(waiting_, request);
    --asking_;
    changed_.notify_all();
    return answer;
}

void CAskpassDlg::decline()
{
    {
        std::lock_guard lock(mutex_);
        if (declined_) return;
        declined_ = true;
        waiting_.clear();
    }
    changed_.notify_all();
    // The dialog on the screen closes on the owner's thread.
    if (GetCurrentThreadId() != ownerThread_) {
        if (relayWindow_) PostMessageW(relayWindow_, kPromptsChanged, 0, 0);
    } else if (showing_)
        showing_->cancel();
}

void CAskpassDlg::showWaiting()
{
    if (showing_) {
        // Only a decline concerns the dialog on the screen; the prompts that wait follow it.
        bool declined = false;
        {
            std::lock_guard lock(mutex_);
            declined = declined_;
        }
        if (declined) showing_->cancel();
        return;
    }
    for (;;) {
        std::shared_ptr<Request> request;
        {
            std::lock_guard lock(mutex_);
            if (declined_ || waiting_.empty()) return;
            request = waiting_.front();
            waiting_.pop_front();
        }
        std::optional<std::string> answer = ask(request->prompt, request->question);
        {
            std::lock_guard lock(mutex_);
            // Declined meanwhile: the channel's thread has gone on without this answer.
            if (declined_) {
                if (answer) wipe(*answer);
                answer.reset();
            }
            request->answer = std::move(answer);
            request->done = true;
        }
        changed_.notify_all();
    }
}

std::optional<std::string> CAskpassDlg::ask(const std::string& prompt, bool question)
{
    PromptDlg dialog(prompt, question);
    showing_ = &dialog;
    std::optional<std::string> answer = dialog.run(owner_);
    showing_ = nullptr;
    return answer;
}

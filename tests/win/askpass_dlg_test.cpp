// The askpass dialog: asked on the channel's thread, shown on the owner's, and never a reason for
// either thread to wait for ever.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>

#include "publish/ui/askpass_dlg.h"
#include "resources/resource.h"
#include "scenario.h"

namespace {

constexpr auto kPatience = std::chrono::seconds(30);

class AskpassDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner_ = CreateWindowExW(0, L"STATIC", L"Publish", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
        askpass_.emplace(owner_);
    }
    void TearDown() override
    {
        askpass_.reset();
        if (IsWindow(owner_)) DestroyWindow(owner_);
        pump();
    }

    // Asks on a thread of its own, as the channel does, and pumps the owner's thread (where the
    // dialog runs and the driver acts) until the answer is back.
    std::optional<std::string> ask(const std::string& prompt, bool question)
    {
        auto asked = std::async(std::launch::async, [&] { return askpass_->answer(prompt, question); });
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        bool gaveUp = false;
        while (asked.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            if (!gaveUp && std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "no answer";
                askpass_->decline();
                gaveUp = true;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            pump();
        }
        return asked.get();
    }

    HWND owner_ = nullptr;
    std::optional<CAskpassDlg> askpass_;
    DialogDriver driver_;
};

TEST_F(AskpassDlgTest, SecretIsTypedHiddenInADialogOfTheOwnerAndCancelDeclines)
{
    driver_.answerNext(L"Sign in", [&](HWND dialog) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner_);
        EXPECT_EQ(itemText(dialog, IDC_ASKPASS_PROMPT),
                  L"Enter passphrase for key 'C:\\Users\\Zoë\\.ssh\\id_ed25519': ");
        EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(dialog, IDC_ASKPASS_SECRET), GWL_STYLE) & ES_PASSWORD);
        typeInto(dialog, IDC_ASKPASS_SECRET, L"pässwörd \"1\"");
        clickButton(dialog, IDOK);
    });
    EXPECT_EQ(ask("Enter passphrase for key 'C:\\Users\\Zo\xC3\xAB\\.ssh\\id_ed25519': ", false),
              "p\xC3\xA4ssw\xC3\xB6rd \"1\"");
    EXPECT_EQ(driver_.met(), 1);

    driver_.answerNext(L"Sign in", [](HWND dialog) {
        typeInto(dialog, IDC_ASKPASS_SECRET, L"not this");
        clickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(ask("me@host's password: ", false), std::nullopt);
    driver_.answerNext(L"Sign in", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    EXPECT_EQ(ask("me@host's password: ", false), std::nullopt);
    EXPECT_EQ(driver_.met(), 3);
}

TEST_F(AskpassDlgTest, HostKeyQuestionShowsTheWholeTextAndOnlyAClickOnYesAccepts)
{
    const std::string question =
        "The authenticity of host '[127.0.0.1]:2222' can't be established.\n"
        "ED25519 key fingerprint is SHA256:q2mQKkXJ0mOiv0f3yYhT1lGv9mOaHy3rCG5l1f3bU8E.\n"
        "Are you sure you want to continue connecting (yes/no/[fingerprint])?";
    // Enter gives the default button, and that is No.
    driver_.answerNext(L"Check the server's key", [&](HWND dialog) {
        const std::wstring shown = itemText(dialog, IDC_ASKPASS_TEXT);
        EXPECT_NE(shown.find(L"fingerprint is SHA256:q2mQKkXJ0mOiv0f3yYhT1lGv9mOaHy3rCG5l1f3bU8E.\r\nAre you sure"),
                  std::wstring::npos)
            << winui::narrow(shown);
        EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(dialog, IDC_ASKPASS_TEXT), GWL_STYLE) & ES_READONLY);
        EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDNO);
        PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(ask(question, true), "no");

    driver_.answerNext(L"Check the server's key", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    EXPECT_EQ(ask(question, true), std::nullopt);

    driver_.answerNext(L"Check the server's key", [](HWND dialog) { clickButton(dialog, IDYES); });
    EXPECT_EQ(ask(question, true), "yes");
    EXPECT_EQ(driver_.met(), 3);
}

TEST_F(AskpassDlgTest, OwnerDestroyedWhileThePromptShowsDeclinesIt)
{
    driver_.answerNext(L"Sign in", [&](HWND) { DestroyWindow(owner_); });
    EXPECT_EQ(ask("me@host's password: ", false), std::nullopt);
    EXPECT_EQ(driver_.met(), 1);
    EXPECT_EQ(findThreadDialog(L"Sign in"), nullptr);
    // Later prompts are declined without a dialog.
    EXPECT_EQ(ask("me@host's password: ", false), std::nullopt);
    EXPECT_EQ(driver_.met(), 1);
}

TEST_F(AskpassDlgTest, DeclineFreesTheChannelWhileTheOwnersThreadDoesNotPump)
{
    pump();
    auto asked = std::async(std::launch::async, [&] { return askpass_->answer("me@host's password: ", false); });
    // The prompt has been handed to this thread; this thread now waits for the asking one, as a
    // window that waits for its publish to end does.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 30000, QS_POSTMESSAGE);
    askpass_->decline();
    ASSERT_EQ(asked.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(asked.get(), std::nullopt);
    pump();
    EXPECT_EQ(findThreadDialog(L"Sign in"), nullptr);
}

}  // namespace

// The task pane from the keyboard, in the real main frame and through the program's own loop:
// F6 and Shift+F6 take the focus around the task pane, the album list and the thumbnails; inside
// the pane Tab and the arrows walk the headers and links, Space toggles a header, Enter or Space
// runs a link or the push button, and Esc goes back to the view the focus came from.

#include "scenario.h"

#include "app/command_ids.h"

namespace {

// The keys reach the pane's thread, which translates those it hands to its controls. Under Wine 8
// a thread that translated a key and ended makes the next thread's window creation hang, which
// would stop every later test of the program: each case runs in a copy of its own.
constexpr const char* kOwnCopyVariable = "FOTOLOOM_TEST_OWN_COPY";

bool inOwnCopy() { return GetEnvironmentVariableA(kOwnCopyVariable, nullptr, 0) != 0; }

// Runs TaskPaneKeys.DISABLED_<test> in a copy of this program; its exit code (0: passed), -1 when
// it did not end in time.
int exitCodeOfOwnCopy(const char* test)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command =
        std::string("\"") + path + "\" --gtest_also_run_disabled_tests --gtest_filter=TaskPaneKeys.DISABLED_" + test;
    SetEnvironmentVariableA(kOwnCopyVariable, "1");
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION copy{};
    const bool started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &copy) != 0;
    SetEnvironmentVariableA(kOwnCopyVariable, nullptr);
    if (!started) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(copy.hProcess, 2 * kWaitMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(copy.hProcess, &code);
    else
        TerminateProcess(copy.hProcess, 99);
    CloseHandle(copy.hThread);
    CloseHandle(copy.hProcess);
    return static_cast<int>(code);
}

// The task links' commands that reached the frame, kept from running (they open dialogs).
std::vector<UINT> linkCommands;
WNDPROC frameBefore = nullptr;

LRESULT CALLBACK linkLoggingFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) >= ID_LINK_FIRST && LOWORD(wParam) <= ID_LINK_LAST) {
        linkCommands.push_back(LOWORD(wParam));
        return 0;
    }
    return CallWindowProcW(frameBefore, window, message, wParam, lParam);
}

class TaskPaneKeys : public Scenario {
protected:
    void SetUp() override
    {
        if (!inOwnCopy()) GTEST_SKIP() << "runs in a copy of its own";
        Scenario::SetUp();
        ASSERT_EQ(taskPaneGroups().size(), 3u);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(pumpUntil([&] { return expanded(header(i)); })) << i;
        linkCommands.clear();
        frameBefore = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(frameWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&linkLoggingFrame)));
    }
    void TearDown() override
    {
        if (!inOwnCopy()) return;
        SetWindowLongPtrW(frameWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(frameBefore));
        Scenario::TearDown();
    }
    HWND header(int index)
    {
        return reinterpret_cast<HWND>(SendMessageA(frame().taskPane(), SIDEFOLD_BAR_HEADER_AT, index, 0));
    }
    static bool expanded(HWND header) { return SendMessageA(header, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) == 1; }

    // A key as the user types it: down and up, posted to the window with the focus (the pane's
    // thread takes it from there when the focus is in the pane), with the program's loop running
    // until `done` holds.
    bool type(WPARAM key, const std::function<bool()>& done)
    {
        HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        return runProgramLoopUntil(frame(), done);
    }
    // A key that moves the focus: where it went once it left `from` (null when it never did).
    HWND focusAfter(WPARAM key)
    {
        HWND from = GetFocus();
        return type(key, [&] { return GetFocus() != from; }) ? GetFocus() : nullptr;
    }
};

}  // namespace

TEST_F(TaskPaneKeys, DISABLED_F6ReachesThePaneAndItsKeysWalkAndRunItsLinksAndButton)
{
    HWND thumbnails = thumbnailList();
    SetFocus(thumbnails);
    ASSERT_EQ(GetFocus(), thumbnails);
    HWND albums = GetDlgItem(reinterpret_cast<HWND>(SendMessageA(frame().taskPane(), SIDEFOLD_BAR_DIALOG_AT, 0, 0)),
                             ID_LINK_ALBUM_ADD);
    const HWND add = taskPaneControl(ID_LINK_ALBUM_ADD), edit = taskPaneControl(ID_LINK_ALBUM_EDIT);
    const HWND build = taskPaneControl(ID_LINK_BUILD_GALLERY);
    ASSERT_EQ(albums, add);

    // Into the pane: its first header, then through its links and back, each key in its turn.
    const struct {
        WPARAM key;
        HWND to;
        const char* what;
    } walk[] = {
        {VK_F6, header(0), "F6 from the thumbnails"},
        {VK_TAB, add, "Tab"},
        {VK_DOWN, edit, "Down"},
        {VK_UP, add, "Up"},
        {VK_UP, header(0), "Up again"},
        {VK_UP, build, "Up from the first stop wraps to the last"},
    };
    for (const auto& step : walk) EXPECT_EQ(focusAfter(step.key), step.to) << step.what;

    // The push button and a link run their commands; Space toggles a header.
    EXPECT_TRUE(type(VK_RETURN, [] { return !linkCommands.empty(); })) << "Enter on the push button";
    ASSERT_EQ(focusAfter(VK_TAB), header(0));
    EXPECT_TRUE(type(VK_SPACE, [&] { return !expanded(header(0)); })) << "Space shuts the group";
    EXPECT_TRUE(type(VK_SPACE, [&] { return expanded(header(0)); })) << "and opens it again";
    ASSERT_EQ(focusAfter(VK_TAB), add);
    EXPECT_TRUE(type(VK_RETURN, [] { return linkCommands.size() == 2; })) << "Enter on a link";
    EXPECT_TRUE(type(VK_SPACE, [] { return linkCommands.size() == 3; })) << "Space on a link";
    EXPECT_EQ(linkCommands, (std::vector<UINT>{ID_LINK_BUILD_GALLERY, ID_LINK_ALBUM_ADD, ID_LINK_ALBUM_ADD}));

    // Esc goes back to the view the focus came from; F6 from there comes back to the same link.
    EXPECT_EQ(focusAfter(VK_ESCAPE), thumbnails);
    EXPECT_EQ(focusAfter(VK_F6), add) << "the pane keeps its place";
    // On from the pane: the album list, the thumbnails, the pane again.
    EXPECT_EQ(focusAfter(VK_F6), albumList());
    EXPECT_EQ(focusAfter(VK_F6), thumbnails);
    EXPECT_EQ(focusAfter(VK_F6), add);
    EXPECT_EQ(frame().activeView(), frame().thumbnailView()) << "the pane is no view";
}

TEST_F(TaskPaneKeys, DISABLED_ShiftF6GoesRoundTheOtherWay)
{
    SetFocus(albumList());
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    const HWND first = focusAfter(VK_F6);
    const HWND second = focusAfter(VK_F6);
    const HWND third = focusAfter(VK_F6);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(first, header(0)) << "from the album list back to the pane";
    EXPECT_EQ(second, thumbnailList()) << "from the pane back to the thumbnails";
    EXPECT_EQ(third, albumList());
}

TEST(TaskPaneKeysOwnCopy, F6ReachesThePaneAndItsKeysWalkAndRunItsLinksAndButton)
{
    EXPECT_EQ(exitCodeOfOwnCopy("F6ReachesThePaneAndItsKeysWalkAndRunItsLinksAndButton"), 0);
}

TEST(TaskPaneKeysOwnCopy, ShiftF6GoesRoundTheOtherWay)
{
    EXPECT_EQ(exitCodeOfOwnCopy("ShiftF6GoesRoundTheOtherWay"), 0);
}

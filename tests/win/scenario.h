#pragma once
// Scenarios on the real program: the application object with its main frame and both views,
// created in-process (hidden), the seam replaced by a fake that records every message box and
// answers the file dialogs, and helpers that fire commands the way the user would (menu id,
// toolbar click, accelerator, task link) and drive the program's own modal dialogs.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/builder_app.h"
#include "app/main_frame.h"
#include "fake_seam.h"
#include "resource.h"
#include "taskpane/include/sidefold.h"
#include "thread_dialog.h"
#include "winui/message_loop.h"
#include "winui/text.h"

// Pumps the thread's messages until none is left.
inline void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// How long a test waits for something the program does in its own time before it fails.
constexpr DWORD kWaitMs = 30000;

// Pumps the thread's messages until `done` holds or `ms` have passed; true when it held. Bounded by
// the clock, not by a count of rounds: a round ends early whenever a message comes.
inline bool pumpUntil(const std::function<bool()>& done, DWORD ms = kWaitMs)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        pump();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                                  QS_ALLINPUT);
    }
}

// What the program-loop timer checks, while runProgramLoopUntil runs.
struct ProgramLoopWatch {
    const std::function<bool()>* done;
    ULONGLONG deadline;
    bool held;
};
inline ProgramLoopWatch* programLoopWatch = nullptr;

// A named callback: a lambda does not convert to the stdcall TIMERPROC of 32-bit Windows.
inline void CALLBACK checkProgramLoopWatch(HWND, UINT, UINT_PTR, DWORD)
{
    ProgramLoopWatch* watch = programLoopWatch;
    if (!watch) return;
    watch->held = watch->held || (*watch->done)();
    if (watch->held || GetTickCount64() >= watch->deadline) PostQuitMessage(0);
}

// Runs the program's own message loop (the wheel's routing, the frame's accelerators) until
// `done` holds or `ms` have passed; true when it held. A thread timer checks between messages and
// ends the loop with a quit.
inline bool runProgramLoopUntil(winui::CFrameWindow& frame, const std::function<bool()>& done, DWORD ms = kWaitMs)
{
    ProgramLoopWatch w{&done, GetTickCount64() + ms, false};
    programLoopWatch = &w;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, checkProgramLoopWatch);
    winui::runMessageLoop(frame, LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    KillTimer(nullptr, timer);
    programLoopWatch = nullptr;
    return w.held || done();
}

// Answers the next modal dialog with the given caption from inside its modal loop: `act`
// gets the dialog's window and must end it (clickButton does). Counts the dialogs it met.
class DialogDriver {
public:
    DialogDriver() { current() = this; }
    ~DialogDriver()
    {
        if (timer_) KillTimer(nullptr, timer_);
        current() = nullptr;
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    void answerNext(std::wstring caption, std::function<void(HWND)> act)
    {
        caption_ = std::move(caption);
        act_ = std::move(act);
        if (!timer_) timer_ = SetTimer(nullptr, 0, 5, &DialogDriver::tick);
    }
    int met() const { return met_; }

private:
    static DialogDriver*& current()
    {
        static DialogDriver* driver = nullptr;
        return driver;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogDriver* self = current();
        if (!self || !self->act_) return;
        HWND dialog = findThreadDialog(self->caption_.c_str());
        if (!dialog || !IsWindowVisible(dialog)) return;
        auto act = std::move(self->act_);
        self->act_ = nullptr;
        ++self->met_;
        act(dialog);
    }

    UINT_PTR timer_ = 0;
    std::wstring caption_;
    std::function<void(HWND)> act_;
    int met_ = 0;
};

inline void clickButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Types into an edit as the user would: the control counts as modified afterwards.
inline void typeInto(HWND dialog, int id, const wchar_t* text)
{
    SetDlgItemTextW(dialog, id, text);
    SendDlgItemMessageW(dialog, id, EM_SETMODIFY, TRUE, 0);
}

inline std::wstring itemText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

// Records what the views learn from the document.
class ObserverLog : public IDocObserver {
public:
    explicit ObserverLog(CBuilderDoc& doc) : doc_(doc) { doc_.addObserver(this); }
    ~ObserverLog() override { doc_.removeObserver(this); }
    ObserverLog(const ObserverLog&) = delete;
    ObserverLog& operator=(const ObserverLog&) = delete;

    std::vector<int> currentAlbums;  // every currentAlbumChanged, in order
    void currentAlbumChanged(int row) override { currentAlbums.push_back(row); }

private:
    CBuilderDoc& doc_;
};

class Scenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 (L"fotoloom-scenario-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial()));
        std::filesystem::create_directories(folder);
        app = std::make_unique<CBuilderApp>(path(L"last.ini"));
        ASSERT_TRUE(app->initInstance(SW_HIDE));
        // Hidden windows are never mapped (quick under Wine), but they need a size to lay out.
        SetWindowPos(frameWindow(), nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOACTIVATE);
        doc().seedAlbumKeys(1234);
        pump();
    }
    void TearDown() override
    {
        app.reset();
        pump();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    CBuilderDoc& doc() { return app->doc(); }
    CMainFrame& frame() { return app->frame(); }
    HWND frameWindow() { return app->frame().hwnd(); }
    HWND albumList() { return frame().albumView().list(); }
    // The thumbnail view's list control.
    HWND thumbnailList() { return FindWindowExW(frame().thumbnailView()->hwnd(), nullptr, WC_LISTVIEWW, nullptr); }
    // Waits (pumping) until the thumbnail view shows `rows` rows; its worker fills it.
    bool waitForThumbnailRows(int rows)
    {
        return pumpUntil([&] { return SendMessageW(thumbnailList(), LVM_GETITEMCOUNT, 0, 0) == rows; });
    }
    std::string path(const std::wstring& name) { return winui::narrow((folder / name).wstring()); }
    std::wstring windowTitle()
    {
        wchar_t text[256] = {};
        GetWindowTextW(frameWindow(), text, 256);
        return text;
    }

    // A menu item, an accelerator, a task link: WM_COMMAND to the frame as each sends it.
    void menu(UINT id) { SendMessageW(frameWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void accelerator(UINT id) { SendMessageW(frameWindow(), WM_COMMAND, MAKEWPARAM(id, 1), 0); }
    // A task link (or the push button) of the task pane, clicked with the mouse on the pane's own
    // thread: the pane forwards the click and the frame runs it.
    void taskLink(UINT id)
    {
        HWND control = taskPaneControl(id);
        if (!control) {
            ADD_FAILURE() << "no task-pane control " << id;
            return;
        }
        if (!(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE)) ADD_FAILURE() << "task-pane control hidden " << id;
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        pump();
    }
    // The control of a task-pane group, or null. A group added while another one opens is added
    // when that animation ends, so a control not there yet is waited for (pumping) a while.
    HWND taskPaneControl(UINT id)
    {
        HWND control = nullptr;
        pumpUntil([&] {
            for (int group : {IDD_TASK_ALBUMS, IDD_TASK_IMAGES, IDD_TASK_GALLERY}) {
                HWND dialog =
                    reinterpret_cast<HWND>(SendMessageW(frame().taskPane(), SIDEFOLD_BAR_DIALOG_ID, group, 0));
                if ((control = dialog ? GetDlgItem(dialog, static_cast<int>(id)) : nullptr)) return true;
            }
            return false;
        });
        return control;
    }
    // The task pane's groups, in order, once all three are there (or what there is after a while).
    std::vector<int> taskPaneGroups()
    {
        std::vector<int> ids;
        pumpUntil([&] {
            ids.clear();
            for (WPARAM i = 0;; ++i) {
                SidefoldGroupDescription d{};
                d.size = sizeof(d);
                if (!SendMessageA(frame().taskPane(), SIDEFOLD_BAR_DESCRIPTION_AT, i, reinterpret_cast<LPARAM>(&d)))
                    break;
                ids.push_back(d.groupId);
            }
            return ids.size() >= 3;
        });
        return ids;
    }
    // A click on a toolbar button; false when the toolbar has no such button. A disabled button
    // sends nothing, as for the user.
    bool clickToolbar(UINT id)
    {
        HWND toolbar = frame().toolBar().hwnd();
        RECT r{};
        if (!SendMessageW(toolbar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&r))) return false;
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(toolbar, WM_LBUTTONUP, 0, at);
        pump();
        return true;
    }

    // Albums made straight on the model, each with `images` pictures (paths only).
    void makeAlbums(std::initializer_list<const char*> titles, int images = 0)
    {
        for (const char* title : titles) {
            std::string caption = "about ";
            caption += title;
            doc().addAlbum(title, caption, AlbumPosition::Bottom);
            std::vector<std::string> paths;
            for (int i = 0; i < images; ++i) {
                std::string picture = "C:\\pictures\\";
                picture.append(title).append(std::to_string(i)).append(".jpg");
                paths.push_back(picture);
            }
            if (!paths.empty()) doc().addImages(paths);
        }
        doc().commitState();
    }
    std::vector<std::string> albumTitles()
    {
        std::vector<std::string> titles;
        for (const Album& a : doc().albums()) titles.push_back(a.title);
        return titles;
    }
    // The rows the album list shows, top to bottom.
    std::vector<std::wstring> listedAlbums()
    {
        std::vector<std::wstring> rows;
        const int count = static_cast<int>(SendMessageW(albumList(), LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[256] = {};
            LVITEMW item{};
            item.pszText = text;
            item.cchTextMax = 256;
            SendMessageW(albumList(), LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            rows.emplace_back(text);
        }
        return rows;
    }
    int listedSelection()
    {
        return static_cast<int>(SendMessageW(albumList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }

    static int& serial()
    {
        static int n = 0;
        return n;
    }

    FakeSeam seam;
    DialogDriver dialogs;
    std::filesystem::path folder;
    std::unique_ptr<CBuilderApp> app;
};

// The album dialog's answer: type a title (and a caption), pick a place, press a button.
inline std::function<void(HWND)> answerAlbum(const wchar_t* title, const wchar_t* caption = nullptr, int place = 0,
                                             int button = IDOK)
{
    return [=](HWND dialog) {
        if (title) typeInto(dialog, IDC_ALBUM_TITLE, title);
        if (caption) typeInto(dialog, IDC_ALBUM_CAPTION, caption);
        if (place) SendDlgItemMessageW(dialog, place, BM_CLICK, 0, 0);
        clickButton(dialog, button);
    };
}

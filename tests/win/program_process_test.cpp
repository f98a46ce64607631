// Builder.exe as its own process, the way the user starts and ends it: closing its window (by
// the close button or File > Exit) ends the process, so an update or an uninstall never finds
// the program still "in use".

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "resource.h"
#include "winui/text.h"

namespace {

namespace fs = std::filesystem;

class RunningBuilder {
public:
    explicit RunningBuilder(const fs::path& project)
    {
        std::wstring command = L"\"" + winui::widen(FOTOLOOM_BUILDER_EXE) + L"\" \"" + project.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process_) != FALSE;
    }
    ~RunningBuilder()
    {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    RunningBuilder(const RunningBuilder&) = delete;
    RunningBuilder& operator=(const RunningBuilder&) = delete;

    bool started() const { return started_; }

    // The visible main window once the program shows it (the program opens its project first).
    HWND waitForMainWindow()
    {
        for (int tries = 0; tries < 600; ++tries) {
            found_ = nullptr;
            EnumWindows(&RunningBuilder::visit, reinterpret_cast<LPARAM>(this));
            if (found_) return found_;
            if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }
    // True when the process ended within `ms`; its exit code in `code`.
    bool endsWithin(DWORD ms, DWORD& code)
    {
        if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return false;
        GetExitCodeProcess(process_.hProcess, &code);
        return true;
    }

private:
    static BOOL CALLBACK visit(HWND window, LPARAM self)
    {
        auto* me = reinterpret_cast<RunningBuilder*>(self);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        if (owner != me->process_.dwProcessId || !IsWindowVisible(window)) return TRUE;
        if (wcsncmp(title, L"Fotoloom - ", 11) != 0) return TRUE;
        me->found_ = window;
        return FALSE;
    }

    PROCESS_INFORMATION process_{};
    bool started_ = false;
    HWND found_ = nullptr;
};

class ProgramProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / (L"fotoloom-process-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(folder);
        CBuilderDoc doc;
        doc.resetGallery();
        RecentList recent(winui::narrow((folder / L"last.ini").wstring()));
        ASSERT_EQ(saveProject(doc, winui::narrow(project().wstring()), recent), ProjectResult::Ok);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path project() const { return folder / L"trip.gal"; }

    fs::path folder;
};

TEST_F(ProgramProcess, EndsWhenItsWindowIsClosedOrFileExitIsChosen)
{
    for (const bool byMenu : {false, true}) {
        SCOPED_TRACE(byMenu ? "File > Exit" : "close button");
        RunningBuilder builder(project());
        ASSERT_TRUE(builder.started());
        HWND frame = builder.waitForMainWindow();
        ASSERT_TRUE(frame) << "Builder.exe showed no main window";
        if (byMenu)
            PostMessageW(frame, WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
        else
            PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
        DWORD code = 1;
        ASSERT_TRUE(builder.endsWithin(15000, code)) << "Builder.exe is still running after its window closed";
        EXPECT_EQ(code, 0u);
    }
}

}  // namespace

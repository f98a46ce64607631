#include "cli/cli_system.h"

#include <windows.h>
#include <io.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>

#include "base/text_utf16.h"

namespace {

std::atomic<int> interruptCount{0};

BOOL WINAPI onConsoleControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    // The second press means "now": the default handler ends the process.
    return ++interruptCount > 1 ? FALSE : TRUE;
}

}  // namespace

bool openWithShell(const std::string& path)
{
    const std::wstring wide = utf8ToWide(path);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void keepPictureMemory() {}  // the Windows heap keeps freed blocks for reuse by itself

bool stderrIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

InterruptGuard::InterruptGuard()
{
    interruptCount = 0;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

InterruptGuard::~InterruptGuard() { SetConsoleCtrlHandler(onConsoleControl, FALSE); }

bool InterruptGuard::requested() { return interruptCount > 0; }

void InterruptGuard::request() { interruptCount = 1; }

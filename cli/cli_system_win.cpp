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

InterruptGuard::InterruptGuard() { SetConsoleCtrlHandler(onConsoleControl, TRUE); }

InterruptGuard::~InterruptGuard()
{
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    interruptCount = 0;
}

bool InterruptGuard::requested() { return interruptCount > 0; }

void InterruptGuard::request() { interruptCount = 1; }

std::optional<std::string> askTerminal(const std::string& prompt, bool showTyping)
{
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return std::nullopt;
    HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    DWORD savedMode = 0;
    const bool hide = !showTyping && GetConsoleMode(input, &savedMode);
    if (hide) SetConsoleMode(input, savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    if (output != INVALID_HANDLE_VALUE) {
        const std::wstring shown = utf8ToWide("\n" + prompt);
        DWORD written = 0;
        WriteConsoleW(output, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr);
    }
    std::wstring line;
    bool ended = false;
    wchar_t buffer[256];
    while (!ended) {
        DWORD n = 0;
        if (!ReadConsoleW(input, buffer, 256, &n, nullptr) || n == 0) break;
        for (DWORD i = 0; i < n && !ended; ++i) {
            if (buffer[i] == L'\n')
                ended = true;
            else if (buffer[i] != L'\r')
                line += buffer[i];
        }
    }
    if (hide) {
        SetConsoleMode(input, savedMode);
        DWORD written = 0;
        if (output != INVALID_HANDLE_VALUE) WriteConsoleW(output, L"\r\n", 2, &written, nullptr);
    }
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    CloseHandle(input);
    if (!ended) return std::nullopt;
    std::string answer = wideToUtf8(line);
    SecureZeroMemory(line.data(), line.size() * sizeof(wchar_t));
    return answer;
}

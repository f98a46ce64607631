#include "publish/client_process.h"

#include <windows.h>

#include "base/text_utf16.h"

namespace {

// One argument as CreateProcess's command-line parser reads it back.
void appendQuoted(std::wstring& line, const std::wstring& argument)
{
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            line.append(backslashes * 2 + 1, L'\\');
        else
            line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

std::wstring environmentBlock(const ClientCommand& command)
{
    std::wstring block;
    if (wchar_t* own = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = own; *entry; entry += wcslen(entry) + 1) {
            const std::wstring_view text(entry);
            bool replaced = false;
            for (const auto& [name, value] : command.environment) {
                const std::wstring wide = utf8ToWide(name);
                replaced = replaced || (text.size() > wide.size() && text[wide.size()] == L'=' &&
                                        CompareStringOrdinal(text.data(), static_cast<int>(wide.size()), wide.data(),
                                                             static_cast<int>(wide.size()), TRUE) == CSTR_EQUAL);
            }
            if (!replaced) block.append(text).push_back(L'\0');
        }
        FreeEnvironmentStringsW(own);
    }
    for (const auto& [name, value] : command.environment) block.append(utf8ToWide(name + '=' + value)).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

class WindowsClient final : public ClientProcess {
public:
    WindowsClient(HANDLE process, HANDLE input, HANDLE output) : process_(process), input_(input), output_(output) {}
    ~WindowsClient() override
    {
        closeInput();
        if (process_) {
            stop();
            wait();
        }
        if (output_) CloseHandle(output_);
    }

    bool send(std::string_view text) override
    {
        while (!text.empty()) {
            DWORD written = 0;
            if (!input_ || !WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
                written == 0)
                return false;
            text.remove_prefix(written);
        }
        return true;
    }

    bool readLine(std::string& line) override
    {
        while (!takeOutputLine(buffer_, line, output_ == nullptr)) {
            if (!output_) return false;
            char chunk[4096];
            DWORD n = 0;
            if (!ReadFile(output_, chunk, sizeof chunk, &n, nullptr) || n == 0) {
                CloseHandle(output_);
                output_ = nullptr;
                continue;
            }
            buffer_.append(chunk, n);
        }
        return true;
    }

    void closeInput() override
    {
        if (input_) CloseHandle(input_);
        input_ = nullptr;
    }

    int wait() override
    {
        if (!process_) return status_;
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        status_ = GetExitCodeProcess(process_, &code) ? static_cast<int>(code) : -1;
        CloseHandle(process_);
        process_ = nullptr;
        return status_;
    }

    void stop() override
    {
        if (process_) TerminateProcess(process_, 1);
    }

private:
    HANDLE process_;
    HANDLE input_;
    HANDLE output_;
    int status_ = -1;
    std::string buffer_;
};

}  // namespace

std::unique_ptr<ClientProcess> ClientProcess::start(const ClientCommand& command, std::string& error)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inputRead = nullptr, inputWrite = nullptr, outputRead = nullptr, outputWrite = nullptr;
    if (!CreatePipe(&inputRead, &inputWrite, &inherit, 0) || !CreatePipe(&outputRead, &outputWrite, &inherit, 0)) {
        error = "cannot make a pipe (error " + std::to_string(GetLastError()) + ")";
        for (HANDLE h : {inputRead, inputWrite, outputRead, outputWrite})
            if (h) CloseHandle(h);
        return nullptr;
    }
    // Our ends stay ours.
    SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);

    std::wstring line;
    appendQuoted(line, utf8ToWide(command.program));
    for (const std::string& argument : command.arguments) appendQuoted(line, utf8ToWide(argument));
    std::wstring environment = environmentBlock(command);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    PROCESS_INFORMATION info{};
    const std::wstring program = utf8ToWide(command.program);
    const BOOL started =
        CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info);
    const DWORD failure = GetLastError();
    CloseHandle(inputRead);
    CloseHandle(outputWrite);
    if (!started) {
        CloseHandle(inputWrite);
        CloseHandle(outputRead);
        error = "cannot start " + command.program + " (error " + std::to_string(failure) + ")";
        return nullptr;
    }
    CloseHandle(info.hThread);
    return std::make_unique<WindowsClient>(info.hProcess, inputWrite, outputRead);
}

std::optional<std::string> findClientProgram(const std::string& name)
{
    const std::wstring file = utf8ToWide(name + ".exe");
    wchar_t found[MAX_PATH];
    if (SearchPathW(nullptr, file.c_str(), nullptr, MAX_PATH, found, nullptr) > 0) return wideToUtf8(found);
    // Where Windows installs its optional OpenSSH client (System32 of the system's own bitness).
    wchar_t windows[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    for (const wchar_t* system : {L"\\Sysnative\\OpenSSH\\", L"\\System32\\OpenSSH\\"}) {
        const std::wstring candidate = std::wstring(windows) + system + file;
        const DWORD attributes = GetFileAttributesW(candidate.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return wideToUtf8(candidate);
    }
    return std::nullopt;
}

std::string runningProgramPath()
{
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    return wideToUtf8(path);
}

std::string clientInstallAdvice(const std::string& name)
{
    return "the OpenSSH client's '" + name +
           ".exe' is not installed: add the optional feature \"OpenSSH Client\" (Settings, System, Optional "
           "features, Add a feature), or install it with PowerShell as administrator: Add-WindowsCapability "
           "-Online -Name OpenSSH.Client~~~~0.0.1.0";
}

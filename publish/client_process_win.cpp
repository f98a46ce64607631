#include "publish/client_process.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/text_utf16.h"
#include "publish/client_input_writer.h"

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

// The name of an environment entry ("=C:" for "=C:=C:\\work", which keeps a drive's folder).
std::wstring_view environmentName(std::wstring_view entry) { return entry.substr(0, entry.find(L'=', 1)); }

// Ours with the command's own on top, sorted by name whatever the case, as Windows asks of a
// program's environment.
std::wstring environmentBlock(const ClientCommand& command)
{
    std::vector<std::wstring> entries;
    const auto sameName = [](std::wstring_view a, std::wstring_view b) {
        return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
    };
    if (wchar_t* own = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = own; *entry; entry += wcslen(entry) + 1) {
            const std::wstring_view text(entry);
            bool replaced = false;
            for (const auto& [name, value] : command.environment)
                replaced = replaced || sameName(environmentName(text), utf8ToWide(name));
            if (!replaced) entries.emplace_back(text);
        }
        FreeEnvironmentStringsW(own);
    }
    for (const auto& [name, value] : command.environment) entries.push_back(utf8ToWide(name + '=' + value));
    std::stable_sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        const std::wstring_view x = environmentName(a), y = environmentName(b);
        return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size()), TRUE) ==
               CSTR_LESS_THAN;
    });
    std::wstring block;
    for (const std::wstring& entry : entries) block.append(entry).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

// The system's words for an error code, without the line end it ends with.
std::string systemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text ? text : L"", n);
    if (text) LocalFree(text);
    while (!words.empty() &&
           (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' ' || words.back() == L'.'))
        words.pop_back();
    return words.empty() ? "error " + std::to_string(code)
                         : wideToUtf8(words) + " (error " + std::to_string(code) + ")";
}

// The handles a program we start inherits: its own, and never another of ours that happens to be
// inheritable at that moment (another client's pipe ends, made for it by another thread).
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles))
    {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.reset(new char[size]);
        if (!InitializeProcThreadAttributeList(list(), 1, 0, &size)) {
            storage_.reset();
            return;
        }
        if (!UpdateProcThreadAttribute(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                       handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list());
            storage_.reset();
        }
    }
    ~InheritedHandles()
    {
        if (storage_) DeleteProcThreadAttributeList(list());
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    // For STARTUPINFOEX; null when the system could not make the list.
    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get()); }

private:
    std::vector<HANDLE> handles_;  // the list refers to these
    std::unique_ptr<char[]> storage_;
};

class WindowsClient final : public ClientProcess {
public:
    WindowsClient(HANDLE process, HANDLE job, HANDLE input, HANDLE output)
        : process_(process),
          job_(job),
          output_(output),
          input_(
              [input](std::string_view rest) -> size_t {
                  DWORD n = 0;
                  return WriteFile(input, rest.data(), static_cast<DWORD>(rest.size()), &n, nullptr) ? n : 0;
              },
              [input] { CloseHandle(input); })
    {
    }
    ~WindowsClient() override
    {
        closeInput();
        if (process_) {
            stop();
            wait();
        }
        input_.join();
        if (output_) CloseHandle(output_);
        if (job_) CloseHandle(job_);
    }

    bool send(std::string_view text) override { return input_.send(text); }

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

    void closeInput() override { input_.end(); }

    int wait() override
    {
        if (!process_) return status_;
        WaitForSingleObject(process_, INFINITE);
        return reap();
    }

    std::optional<int> waitFor(std::chrono::milliseconds limit) override
    {
        if (process_ && WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) == WAIT_TIMEOUT)
            return std::nullopt;
        return process_ ? reap() : status_;
    }

    void stop() override
    {
        // The programs the client started (sftp's ssh) hold its output too: they go with it.
        if (job_) TerminateJobObject(job_, 1);
        if (process_) TerminateProcess(process_, 1);
    }

private:
    // The exit status of the program, which has ended.
    int reap()
    {
        DWORD code = 0;
        status_ = GetExitCodeProcess(process_, &code) ? static_cast<int>(code) : -1;
        CloseHandle(process_);
        process_ = nullptr;
        return status_;
    }

    HANDLE process_;
    HANDLE job_;  // the client and what it starts; null when the system gave none
    HANDLE output_;
    int status_ = -1;
    std::string buffer_;
    ClientInputWriter input_;  // last: its thread starts as it is made
};

}  // namespace

std::unique_ptr<ClientProcess> ClientProcess::start(const ClientCommand& command, std::string& error)
{
    HANDLE inputRead = nullptr, inputWrite = nullptr, outputRead = nullptr, outputWrite = nullptr;
    if (!CreatePipe(&inputRead, &inputWrite, nullptr, 0) || !CreatePipe(&outputRead, &outputWrite, nullptr, 0)) {
        error = "cannot make a pipe (error " + std::to_string(GetLastError()) + ")";
        for (HANDLE h : {inputRead, inputWrite, outputRead, outputWrite})
            if (h) CloseHandle(h);
        return nullptr;
    }
    // Our ends are never inheritable; the client's only until it has them.
    SetHandleInformation(inputRead, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SetHandleInformation(outputWrite, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

    std::wstring line;
    appendQuoted(line, utf8ToWide(command.program));
    for (const std::string& argument : command.arguments) appendQuoted(line, utf8ToWide(argument));
    std::wstring environment = environmentBlock(command);

    const InheritedHandles inherited({inputRead, outputWrite});
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = inherited.list() ? sizeof startup : sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = inputRead;
    startup.StartupInfo.hStdOutput = outputWrite;
    startup.StartupInfo.hStdError = outputWrite;
    startup.lpAttributeList = inherited.list();
    PROCESS_INFORMATION info{};
    const std::wstring program = utf8ToWide(command.program);
    // Started suspended, so that it is in its job before it can start anything of its own.
    const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED |
                                            (inherited.list() ? EXTENDED_STARTUPINFO_PRESENT : 0),
                                        environment.data(), nullptr, &startup.StartupInfo, &info);
    const DWORD failure = GetLastError();
    CloseHandle(inputRead);
    CloseHandle(outputWrite);
    if (!started) {
        CloseHandle(inputWrite);
        CloseHandle(outputRead);
        error = "cannot start " + command.program + ": " + systemMessage(failure);
        return nullptr;
    }
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job) {
        // Nothing of the client outlives us, not even when we are killed.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        if (!AssignProcessToJobObject(job, info.hProcess)) {
            CloseHandle(job);
            job = nullptr;
        }
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    return std::make_unique<WindowsClient>(info.hProcess, job, inputWrite, outputRead);
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

// Stands in for the OpenSSH client in the client-process tests: reads commands from standard
// input, one a line, and does what they say.
//   out TEXT       TEXT and "\n" on standard output       crlf TEXT   the same with "\r\n"
//   err TEXT       TEXT and "\n" on standard error        exit N      ends with status N
//   hang           waits until it is killed
//   stall          at the end of input, waits until it is killed instead of ending (as a client
//                  whose connection has stalled)
//   env            its environment on standard output, an entry a line, in the order it was given
//   # TEXT         "sftp> # TEXT" on standard output, as the sftp client echoes a comment
//   spawn          starts another of itself (argument "hang") that keeps our output and hangs,
//                  as sftp's ssh does
//   askpass TEXT   runs the program in SSH_ASKPASS with TEXT, as the client does, then writes
//                  "answer: " and what it printed, and "status: " and its exit status
// The end of input ends it with status 0.

#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

[[noreturn]] void hang()
{
    for (;;) {
#ifdef _WIN32
        Sleep(INFINITE);
#else
        pause();
#endif
    }
}

#ifdef _WIN32
std::string runCapturing(const std::string& program, const std::string& argument, int& status)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return {};
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    std::string line = '"' + program + "\" \"" + argument + '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(write);
    std::string output;
    char chunk[256];
    DWORD n = 0;
    while (started && ReadFile(read, chunk, sizeof chunk, &n, nullptr) && n > 0) output.append(chunk, n);
    CloseHandle(read);
    status = -1;
    if (!started) return output;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(info.hProcess, &code)) status = static_cast<int>(code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return output;
}

void spawnHangingCopy()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" hang";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // It inherits our standard handles, output included.
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
}
#else
std::string runCapturing(const std::string& program, const std::string& argument, int& status)
{
    int out[2];
    status = -1;
    if (pipe(out) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), argument.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string output;
    char chunk[256];
    ssize_t n = 0;
    while ((n = read(out[0], chunk, sizeof chunk)) > 0) output.append(chunk, static_cast<size_t>(n));
    close(out[0]);
    int raw = 0;
    if (pid > 0 && waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) status = WEXITSTATUS(raw);
    return output;
}

void spawnHangingCopy()
{
    if (fork() == 0) {
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        self[n > 0 ? n : 0] = '\0';
        execl(self, self, "hang", static_cast<char*>(nullptr));
        _exit(127);
    }
}
#endif

void write(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void writeEnvironment()
{
#ifdef _WIN32
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
        char text[4096];
        const int n = WideCharToMultiByte(CP_UTF8, 0, entry, -1, text, sizeof text, nullptr, nullptr);
        if (n > 0) write(stdout, std::string(text) + "\n");
    }
    FreeEnvironmentStringsW(block);
#else
    for (char** entry = environ; *entry; ++entry) write(stdout, std::string(*entry) + "\n");
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "hang") hang();
#ifdef _WIN32
    // The bytes as given: no "\n" made into "\r\n" on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    bool stall = false;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (command == "out") {
            write(stdout, rest + "\n");
        } else if (command == "crlf") {
            write(stdout, rest + "\r\n");
        } else if (command == "err") {
            write(stderr, rest + "\n");
        } else if (command == "exit") {
            return std::atoi(rest.c_str());
        } else if (command == "hang") {
            hang();
        } else if (command == "stall") {
            stall = true;
        } else if (command == "env") {
            writeEnvironment();
        } else if (command == "#") {
            write(stdout, "sftp> " + line + "\n");
        } else if (command == "spawn") {
            spawnHangingCopy();
        } else if (command == "askpass") {
            const char* program = std::getenv("SSH_ASKPASS");
            int status = -1;
            std::string answer = program ? runCapturing(program, rest, status) : std::string();
            while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
            write(stdout, "answer: " + answer + "\nstatus: " + std::to_string(status) + "\n");
        }
    }
    if (stall) hang();
    return 0;
}

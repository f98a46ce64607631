#include "publish/client_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "publish/client_input_writer.h"

extern char** environ;

namespace {

class PosixClient final : public ClientProcess {
public:
    PosixClient(pid_t pid, int input, int output)
        : pid_(pid),
          output_(output),
          input_(
              [input](std::string_view rest) -> size_t {
                  for (;;) {
                      // A socket, so that a client that has gone costs an error here, not a SIGPIPE.
                      const ssize_t n = ::send(input, rest.data(), rest.size(), MSG_NOSIGNAL);
                      if (n < 0 && errno == EINTR) continue;
                      return n > 0 ? static_cast<size_t>(n) : 0;
                  }
              },
              [input] { close(input); })
    {
    }
    ~PosixClient() override
    {
        closeInput();
        if (pid_ > 0) {
            stop();
            wait();
        }
        input_.join();
        if (output_ >= 0) close(output_);
    }

    bool send(std::string_view text) override { return input_.send(text); }

    bool readLine(std::string& line) override
    {
        while (!takeOutputLine(buffer_, line, output_ < 0)) {
            if (output_ < 0) return false;
            char chunk[4096];
            const ssize_t n = read(output_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                close(output_);
                output_ = -1;
                continue;
            }
            buffer_.append(chunk, static_cast<size_t>(n));
        }
        return true;
    }

    void closeInput() override { input_.end(); }

    int wait() override
    {
        while (!reaped(0)) {
        }
        return status_;
    }

    std::optional<int> waitFor(std::chrono::milliseconds limit) override
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!reaped(WNOHANG)) {
            if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_;
    }

    void stop() override
    {
        // The client leads a process group of its own: what it started (sftp's ssh, which holds
        // its output too) goes with it.
        if (const pid_t pid = pid_; pid > 0) kill(-pid, SIGTERM);
    }

private:
    // Whether the program has ended and been waited for (its status in status_); `options` as
    // waitpid's.
    bool reaped(int options)
    {
        if (pid_ <= 0) return true;
        int status = 0;
        const pid_t ended = waitpid(pid_, &status, options);
        if (ended == 0 || (ended < 0 && errno == EINTR)) return false;
        pid_ = 0;
        status_ = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }

    std::atomic<pid_t> pid_;
    int output_;
    int status_ = -1;
    std::string buffer_;
    ClientInputWriter input_;  // last: its thread starts as it is made
};

}  // namespace

std::unique_ptr<ClientProcess> ClientProcess::start(const ClientCommand& command, std::string& error)
{
    int input[2], output[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    if (pipe2(output, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        close(input[0]);
        close(input[1]);
        return nullptr;
    }
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : command.environment)
            replaced = replaced || (entry.starts_with(name) && entry.size() > name.size() && entry[name.size()] == '=');
        if (!replaced) environment.emplace_back(entry);
    }
    for (const auto& [name, value] : command.environment) environment.push_back(name + '=' + value);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::vector<std::string> arguments{command.program};
    arguments.insert(arguments.end(), command.arguments.begin(), command.arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    // Our own descriptors are closed on exec; whatever else the program has open without that (a
    // file another thread reads, a descriptor a library made) is closed for the client too.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // Its own process group: a Ctrl+C at the terminal is ours to handle (a cancel), not the client's.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int failure = posix_spawn(&pid, command.program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(input[1]);
    close(output[1]);
    if (failure != 0) {
        close(input[0]);
        close(output[0]);
        error = "cannot start " + command.program + ": " + std::strerror(failure);
        return nullptr;
    }
    return std::make_unique<PosixClient>(pid, input[0], output[0]);
}

std::optional<std::string> findClientProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string_view folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty()) continue;
        const std::string candidate = folder + '/' + name;
        struct stat facts {};
        if (stat(candidate.c_str(), &facts) == 0 && S_ISREG(facts.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

std::string runningProgramPath()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

std::string clientInstallAdvice(const std::string& name)
{
    return "the OpenSSH client's '" + name +
           "' is not installed (or not in PATH): install the package openssh-client (sudo apt install "
           "openssh-client on Debian and Ubuntu; openssh on most other systems)";
}

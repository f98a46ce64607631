#pragma once
// Another program run with its input fed from us and its output (standard output and error
// together, in the order it wrote them) read back line by line: how the SFTP destination talks
// to the system's OpenSSH client (client_process_posix.cpp, client_process_win.cpp).

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ClientCommand {
    std::string program;  // a full path (see findClientProgram)
    std::vector<std::string> arguments;
    // Set for the client on top of our own environment. Never a secret: other processes of the
    // user may read a process's environment.
    std::vector<std::pair<std::string, std::string>> environment;
};

class ClientProcess {
public:
    // Starts the program; nothing, with `error` set, when it cannot be started.
    static std::unique_ptr<ClientProcess> start(const ClientCommand& command, std::string& error);
    // Ends the program when it still runs, and waits for it.
    virtual ~ClientProcess() = default;

    // Queues text for the program's input, written while we read its output; false once the
    // program has been found to read no more (it has ended) or the input was closed.
    virtual bool send(std::string_view text) = 0;
    // The next line the program wrote, without its line end; false when its output has ended.
    virtual bool readLine(std::string& line) = 0;
    // Tells the program its input has ended, once what was sent is written.
    virtual void closeInput() = 0;
    // Waits for the program to end: its exit status (-1 when it was ended by a signal).
    virtual int wait() = 0;
    // Waits at most `limit` for the program to end: its exit status, or nothing while it runs.
    virtual std::optional<int> waitFor(std::chrono::milliseconds limit) = 0;
    // Ends the program now, and what it started; also from another thread while one waits in
    // readLine, which then finds the output ended.
    virtual void stop() = 0;
};

// Moves the first whole line of what a program wrote out of `pending` into `line` (without its
// line end, "\n" or "\r\n"); with `ended` (the output is over), the rest counts as a line too.
// False when there is no line yet (or, ended, nothing left).
bool takeOutputLine(std::string& pending, std::string& line, bool ended);

// Where the system keeps `name` (searched in PATH, then where the system ships it); nothing when
// it is not installed.
std::optional<std::string> findClientProgram(const std::string& name);

// The path of the program running now (run again as the askpass helper).
std::string runningProgramPath();

// What to tell a person whose system lacks the client `name`: how to install it.
std::string clientInstallAdvice(const std::string& name);

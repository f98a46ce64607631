#pragma once
// An OpenSSH server of the test's own on 127.0.0.1 and a free port: its own host key,
// configuration and authorized key in a scratch folder, never the machine's server or its
// settings. The client side gets a configuration file (for -F) that uses only the test's key
// (protected by a passphrase, so every connection asks through askpass) and known-hosts file.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace sftp_test {

inline constexpr char kPassphrase[] = "correct horse \xC3\xA9t\xC3\xA9";
inline constexpr char kSshd[] = "/usr/sbin/sshd";

inline int runProgram(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

inline bool accepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

inline void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class TestSshd {
public:
    // Empty when the server could not be started (why is in `problem`). Without `passphrase`,
    // the client's key opens without asking.
    explicit TestSshd(const std::filesystem::path& folder, bool passphrase = true) : folder_(folder)
    {
        if (access(kSshd, X_OK) != 0) {
            problem = "the OpenSSH server (Debian package openssh-server) is not installed";
            notInstalled = true;
            return;
        }
        std::filesystem::create_directories(folder_);
        const std::string host = (folder_ / "host_key").string(), user = (folder_ / "user_key").string();
        if (runProgram({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", host}) != 0 ||
            runProgram({"ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase ? kPassphrase : "", "-f", user}) != 0) {
            problem = "ssh-keygen could not make the test's keys";
            return;
        }
        std::filesystem::copy_file(user + ".pub", folder_ / "authorized_keys");
        // The server's privilege-separation folder, which a machine without a running sshd may lack.
        std::filesystem::create_directories("/run/sshd");
        port = freePort();
        writeText(folder_ / "sshd_config", "HostKey " + host + "\nAuthorizedKeysFile " +
                                               (folder_ / "authorized_keys").string() +
                                               "\nListenAddress 127.0.0.1\nPermitRootLogin prohibit-password\n"
                                               "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                               "StrictModes no\nUsePAM no\nPidFile none\nMaxStartups 50\n"
                                               "Subsystem sftp internal-sftp\n");
        writeText(folder_ / "ssh_config", "Host *\n  IdentityFile " + user +
                                              "\n  IdentitiesOnly yes\n  IdentityAgent none\n  UserKnownHostsFile " +
                                              (folder_ / "known_hosts").string() +
                                              "\n  GlobalKnownHostsFile /dev/null\n  StrictHostKeyChecking ask\n"
                                              "  PasswordAuthentication no\n  LogLevel ERROR\n");
        trustHostKey(true);
        const std::string log = (folder_ / "sshd.log").string();
        std::vector<std::string> arguments{
            kSshd, "-D", "-f", (folder_ / "sshd_config").string(), "-p", std::to_string(port), "-E", log};
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        // Its output goes to its log, never into the test's own output pipe, which it would hold open.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int failure = posix_spawn(&pid_, kSshd, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failure != 0) {
            pid_ = 0;
            problem = "sshd could not be started";
            return;
        }
        // Until it listens: a deadline, not a count of tries, which a busy machine runs through.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!accepts(port)) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = 0;
                problem = "sshd ended at once: " + readText(log);
                return;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                problem = "sshd did not listen on port " + std::to_string(port) + " within 30 s: " + readText(log);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~TestSshd()
    {
        dropConnections();
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Whether the client knows the server's host key.
    void trustHostKey(bool trusted)
    {
        const std::string key = readText(folder_ / "host_key.pub");
        writeText(folder_ / "known_hosts", trusted ? "[127.0.0.1]:" + std::to_string(port) + " " + key : "");
    }

    // Ends every connection the server holds, as a lost network would (the server goes on).
    void dropConnections() const
    {
        if (pid_ <= 0) return;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string stat = readText(entry.path() / "stat");
            const size_t close = stat.rfind(')');
            if (close == std::string::npos) continue;
            int parent = 0;
            char state = 0;
            if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == pid_)
                kill(std::atoi(name.c_str()), SIGKILL);
        }
    }

    std::string sshConfig() const { return (folder_ / "ssh_config").string(); }

    std::string problem;        // why it does not serve
    bool notInstalled = false;  // because there is no server to start
    int port = 0;

private:
    std::filesystem::path folder_;
    pid_t pid_ = 0;
};

}  // namespace sftp_test

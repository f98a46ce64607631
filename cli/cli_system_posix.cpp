#include "cli/cli_system.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "base/file_system.h"
#include "cli/cli_platform.h"

extern char** environ;

namespace {

volatile std::sig_atomic_t interruptCount = 0;
struct sigaction previousAction {};

void onInterrupt(int)
{
    interruptCount = interruptCount + 1;
    // The second press means "now": give the signal back its usual effect and let it end us.
    if (interruptCount > 1) {
        signal(SIGINT, SIG_DFL);
        raise(SIGINT);
    }
}

}  // namespace

bool openWithShell(const std::string& path)
{
    // xdg-open may wait for the browser; a child of our own that we do not wait for would linger
    // as a zombie only until we exit, which is right after this. What it and the browser print
    // (a dozen lines when no browser is found) is theirs, not ours: the caller says one line.
    const char* argv[] = {"xdg-open", path.c_str(), nullptr};
    posix_spawn_file_actions_t quiet;
    if (posix_spawn_file_actions_init(&quiet) != 0) return false;
    posix_spawn_file_actions_addopen(&quiet, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "xdg-open", &quiet, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return false;
    int status = 0;
    // A quick failure (no desktop, no browser: xdg-open tries each it knows) is worth telling; a
    // running browser is not waited for.
    for (int i = 0; i < 60; ++i) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0) return false;
        usleep(50 * 1000);
    }
    return true;
}

void keepPictureMemory()
{
#ifdef __GLIBC__
    // Picture buffers (tens of MB) come from the heap rather than from mmap, and freed ones stay.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest glibc accepts
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}

bool stderrIsTerminal()
{
    if (!isatty(STDERR_FILENO)) return false;
    std::optional<std::string> term = environmentVariable("TERM");
    return !term || *term != "dumb";
}

InterruptGuard::InterruptGuard()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousAction);
}

InterruptGuard::~InterruptGuard()
{
    sigaction(SIGINT, &previousAction, nullptr);
    interruptCount = 0;
}

bool InterruptGuard::requested() { return interruptCount > 0; }

void InterruptGuard::request() { interruptCount = 1; }

std::optional<std::string> askTerminal(const std::string& prompt, bool showTyping)
{
    const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return std::nullopt;
    termios saved{};
    const bool hide = !showTyping && tcgetattr(tty, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    const std::string shown = "\n" + prompt;
    [[maybe_unused]] const ssize_t written = write(tty, shown.data(), shown.size());
    std::string line;
    bool ended = false;
    for (char c; !ended;) {
        const ssize_t n = read(tty, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c == '\n')
            ended = true;
        else
            line += c;
    }
    if (hide) tcsetattr(tty, TCSAFLUSH, &saved);
    close(tty);
    if (!ended) return std::nullopt;
    return line;
}

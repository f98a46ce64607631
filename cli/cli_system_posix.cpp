#include "cli/cli_system.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <filesystem>
#include <fstream>
#include <system_error>

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

// XDG_DOCUMENTS_DIR="$HOME/Documents" from the user-dirs file, with $HOME expanded.
std::string userDirsDocuments(const std::string& home)
{
    std::optional<std::string> config = environmentVariable("XDG_CONFIG_HOME");
    const std::string folder = config && !config->empty() ? *config : joinPath(home, ".config");
    const std::string file = joinPath(folder, "user-dirs.dirs");
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value.front() == '/') return value;
    }
    return {};
}

std::string currentFolder()
{
    std::error_code error;
    std::string path = std::filesystem::current_path(error).string();
    return error ? std::string(".") : path;
}

}  // namespace

std::string documentsFolder()
{
    const std::optional<std::string> chosen = environmentVariable("XDG_DOCUMENTS_DIR");
    if (chosen && folderExists(*chosen)) return *chosen;
    std::optional<std::string> home = environmentVariable("HOME");
    if (home && !home->empty()) {
        if (std::string dir = userDirsDocuments(*home); !dir.empty() && folderExists(dir)) return dir;
        if (std::string dir = joinPath(*home, "Documents"); folderExists(dir)) return dir;
    }
    return currentFolder();
}

bool openWithShell(const std::string& path)
{
    // xdg-open may wait for the browser; a child of our own that we do not wait for would linger
    // as a zombie only until we exit, which is right after this.
    const char* argv[] = {"xdg-open", path.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
    int status = 0;
    // A quick failure (no desktop, nothing registered) is worth telling; a running browser is not waited for.
    for (int i = 0; i < 20; ++i) {
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
    interruptCount = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousAction);
}

InterruptGuard::~InterruptGuard() { sigaction(SIGINT, &previousAction, nullptr); }

bool InterruptGuard::requested() { return interruptCount > 0; }

void InterruptGuard::request() { interruptCount = 1; }

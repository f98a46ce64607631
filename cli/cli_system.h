#pragma once
// What the build commands need from the system beyond cli_platform.h: the shell's "open", the
// terminal, and Ctrl+C (cli_system_posix.cpp, cli_system_win.cpp). The default parent folder of a
// built gallery is documentsFolder() (base/known_folders.h).

#include <optional>
#include <string>

// Opens a file in the user's default program (a page in the default browser); false when
// nothing could be started.
bool openWithShell(const std::string& path);

// Lets the memory of one picture be reused for the next instead of being handed back to the
// system and faulted in again, page by page (a third of a build's time otherwise). Call once
// before a build; the memory is the process's until it ends, which is soon after.
void keepPictureMemory();

// Asks the person at the terminal (not standard input, which may be a pipe): `prompt`, then a
// line typed, shown while typed only when `showTyping`. Nothing when there is no terminal or the
// input ended.
std::optional<std::string> askTerminal(const std::string& prompt, bool showTyping);

// Whether stderr is a terminal that a progress bar may redraw in place.
bool stderrIsTerminal();

// While one lives, Ctrl+C does not end the program but is remembered as a cancel request; a
// second Ctrl+C ends the program as usual. Only one may live at a time; its end forgets the
// request, so the next starts afresh.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once Ctrl+C has been pressed since the guard was made.
    static bool requested();
    // The same as pressing Ctrl+C (for tests, which cannot press it); made before a guard, it is
    // seen by the next one.
    static void request();
};

#pragma once
// The little the command line needs from the system (cli_platform_win.cpp, cli_platform_posix.cpp).

#include <optional>
#include <string>
#include <vector>

// The arguments after the program name, as UTF-8 (Windows hands main() its ANSI code page).
std::vector<std::string> commandLineArguments(int argc, char** argv);
// Lets the console show the UTF-8 that the commands print.
void prepareConsole();
// An environment variable as UTF-8; nothing when unset.
std::optional<std::string> environmentVariable(const char* name);

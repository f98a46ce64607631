#include "cli/cli_platform.h"

#include <cstdlib>

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

void prepareConsole() {}

std::optional<std::string> environmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

// fotoloom: make and edit gallery projects from the command line.

#include <iostream>

#include "cli/cli_platform.h"
#include "cli/fotoloom_cli.h"

int main(int argc, char** argv)
{
    prepareConsole();
    int status = runFotoloom(commandLineArguments(argc, argv), std::cout, std::cerr);
    std::cout.flush();
    // A full disk or closed pipe must not pass for success.
    if (!std::cout && status == kExitSuccess) return kExitFailure;
    return status;
}

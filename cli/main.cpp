// fotoloom: make and edit gallery projects from the command line.

#include <iostream>

#include "cli/cli_platform.h"
#include "cli/fotoloom_cli.h"
#include "publish/askpass_channel.h"

int main(int argc, char** argv)
{
    // Run again by the OpenSSH client as its askpass program, with the client's prompt.
    if (argc == 2) {
        if (std::optional<std::string> channel = environmentVariable(kAskpassChannelVariable))
            return answerAskpassPrompt(*channel, commandLineArguments(argc, argv).front());
    }
    prepareConsole();
    int status = runFotoloom(commandLineArguments(argc, argv), std::cout, std::cerr);
    std::cout.flush();
    // A full disk or closed pipe must not pass for success.
    if (!std::cout && status == kExitSuccess) return kExitFailure;
    return status;
}

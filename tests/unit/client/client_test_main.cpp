// The client-process tests' program is also the askpass program its stand-in client runs, as
// the fotoloom program is its own.

#include <gtest/gtest.h>

#include <cstdlib>

#include "publish/askpass_channel.h"

int main(int argc, char** argv)
{
    if (argc == 2)
        if (const char* channel = std::getenv(kAskpassChannelVariable)) return answerAskpassPrompt(channel, argv[1]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

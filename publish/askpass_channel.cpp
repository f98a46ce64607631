#include "publish/askpass_channel.h"

bool isAskpassQuestion(const std::string& prompt)
{
    // OpenSSH's question about a host key ends "(yes/no/[fingerprint])?"; everything else it
    // asks through askpass is a password or a passphrase.
    return prompt.find("(yes/no") != std::string::npos;
}

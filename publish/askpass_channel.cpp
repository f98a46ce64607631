#include "publish/askpass_channel.h"

bool isAskpassQuestion(const std::string& prompt)
{
    // OpenSSH's question about a host key ends "(yes/no/[fingerprint])?"; everything else it
    // asks through askpass is a password or a passphrase.
    return prompt.find("(yes/no") != std::string::npos;
}

namespace {

// A prompt or an answer longer than this is no prompt or answer of the client's.
constexpr uint32_t kLongestMessage = 64 * 1024;

}  // namespace

std::string askpassFrame(const std::string& text)
{
    const auto n = static_cast<uint32_t>(text.size());
    std::string frame{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8 & 0xFF), static_cast<char>(n >> 16 & 0xFF),
                      static_cast<char>(n >> 24 & 0xFF)};
    return frame + text;
}

std::optional<uint32_t> askpassFrameLength(const unsigned char header[4])
{
    const uint32_t n = header[0] | header[1] << 8 | header[2] << 16 | uint32_t{header[3]} << 24;
    if (n > kLongestMessage) return std::nullopt;
    return n;
}

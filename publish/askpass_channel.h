#pragma once
// How a password, a key's passphrase or a host-key question reaches the person. The OpenSSH
// client asks through its askpass program (SSH_ASKPASS), and that program is this program run
// again: it finds kAskpassChannelVariable in its environment, passes the client's prompt back
// to the process that started the client over a private channel (a socket in a folder only the
// user may enter; a named pipe on Windows), and prints the answer it gets for the client. So the
// answer is never on a command line, in an environment, in a file or in a log; only the channel's
// name is in the environment (askpass_channel_posix.cpp, askpass_channel_win.cpp).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

inline constexpr char kAskpassChannelVariable[] = "FOTOLOOM_ASKPASS";

// The person's side: a terminal, a dialog, or a test.
class IAskpassAnswerer {
public:
    virtual ~IAskpassAnswerer() = default;
    // `prompt` is the client's own text (for a host key, with its fingerprint). `showTyping` is
    // true for a question (yes/no), false for a secret. Nothing means the person declined.
    // Called on the channel's own thread.
    virtual std::optional<std::string> answer(const std::string& prompt, bool showTyping) = 0;
};

class AskpassChannel {
public:
    // Opens the channel and answers every question on it, on a thread of its own, until destroyed.
    static std::unique_ptr<AskpassChannel> open(IAskpassAnswerer& answerer, std::string& error);
    virtual ~AskpassChannel() = default;
    // The channel's name, for kAskpassChannelVariable.
    virtual std::string name() const = 0;
};

// Whether a prompt asks a question whose answer may show while typed (the host-key question).
bool isAskpassQuestion(const std::string& prompt);

// The channel's messages, the same from both systems' sides: the length (4 bytes, little-endian),
// then the bytes.
std::string askpassFrame(const std::string& text);
// The length a frame's first 4 bytes announce; nothing when longer than any prompt or answer.
std::optional<uint32_t> askpassFrameLength(const unsigned char header[4]);

// The askpass program's side: asks `prompt` over the channel named `channel` and prints the
// answer on standard output. Returns the exit status the client expects (0 answered, 1 declined).
int answerAskpassPrompt(const std::string& channel, const std::string& prompt);

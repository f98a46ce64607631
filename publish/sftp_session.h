#pragma once
// One conversation with the system's OpenSSH sftp client: it is started in batch mode with its
// commands fed over a pipe, one batch at a time. After each batch we send a comment line with a
// number, which the client echoes once it has carried out everything before it; so we know when
// a batch is done and what it printed. In batch mode a failing command ends the client (unless
// the line starts with '-'), so a session that has ended tells which command failed and why.
//
// Passwords, passphrases and questions about host keys go to the askpass channel
// (askpass_channel.h); the client never reads a terminal of its own.

#include <memory>
#include <string>
#include <vector>

#include "publish/client_process.h"
#include "publish/sftp_address.h"

struct SftpOptions {
    std::string clientProgram;   // the sftp program (findClientProgram("sftp"))
    std::string askpassProgram;  // this program (runningProgramPath())
    std::string askpassChannel;  // AskpassChannel::name()
    std::string sshConfig;       // passed as -F; "" for the user's own configuration
};

class SftpSession {
public:
    // Starts the client and waits until it is connected; nothing, with what the client said in
    // `error`, when it could not connect (host unknown, a host key refused, a password wrong...).
    static std::unique_ptr<SftpSession> connect(const SftpAddress& address, const SftpOptions& options,
                                                std::string& error);
    ~SftpSession();

    // Carries out the command lines; false when the client ended on one of them (then `error`
    // says which and why, and the session is over). `output` gets what the commands printed,
    // without the client's echo of them.
    bool run(const std::vector<std::string>& lines, std::vector<std::string>& output, std::string& error);
    // Sends every batch at once, each followed by its mark, and reads the client's progress
    // through them: the client works through the next while we wait. Returns how many batches
    // were carried out; fewer than all when the client ended on one (the one at that index; its
    // reason in `error`).
    size_t runEach(const std::vector<std::vector<std::string>>& batches, std::string& error);
    bool ended() const { return ended_; }
    // Ends the client now, from any thread: a command under way fails, and the session is over.
    void abort() { client_->stop(); }

private:
    SftpSession(std::unique_ptr<ClientProcess> client, std::string host);
    // The lines of a batch with its mark, or false when a line is too long for the client.
    bool batchText(const std::vector<std::string>& lines, unsigned mark, std::string& text, std::string& error) const;
    // Reads up to the echo of the mark numbered `mark`.
    bool awaitMark(unsigned mark, std::vector<std::string>& output, std::string& error);

    std::unique_ptr<ClientProcess> client_;
    std::string host_;
    unsigned marks_ = 0;
    bool ended_ = false;
};

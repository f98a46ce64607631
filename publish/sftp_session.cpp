#include "publish/sftp_session.h"

#include "publish/askpass_channel.h"
#include "publish/sftp_argument.h"

namespace {

constexpr char kEcho[] = "sftp> ";
constexpr char kMark[] = "# fotoloom ";
// How long a client told its input has ended may take to end on its own.
constexpr std::chrono::milliseconds kCleanEnd(2000);

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (!text.empty()) text += "; ";
        text += line;
    }
    return text;
}

}  // namespace

SftpSession::SftpSession(std::unique_ptr<ClientProcess> client, std::string host)
    : client_(std::move(client)), host_(std::move(host))
{
}

SftpSession::~SftpSession()
{
    if (ended_) return;
    client_->closeInput();
    // On a stalled connection the client would end only once ssh gives up, minutes later; a
    // cancel or a closing program does not wait for that.
    if (!client_->waitFor(kCleanEnd)) client_->stop();
}

std::unique_ptr<SftpSession> SftpSession::connect(const SftpAddress& address, const SftpOptions& options,
                                                  std::string& error)
{
    ClientCommand command;
    command.program = options.clientProgram;
    // Batch mode stops at the first failing command; the client would also turn off every
    // question (BatchMode), but an option given first wins, so passwords and host keys are
    // still asked through askpass.
    command.arguments = {"-o", "BatchMode=no", "-b", "-"};
    if (!options.sshConfig.empty()) command.arguments.insert(command.arguments.end(), {"-F", options.sshConfig});
    if (address.port != 0) command.arguments.insert(command.arguments.end(), {"-P", std::to_string(address.port)});
    const bool bracketed = address.host.find(':') != std::string::npos;
    const std::string host = bracketed ? '[' + address.host + ']' : address.host;
    command.arguments.push_back(address.user.empty() ? host : address.user + '@' + host);
    command.environment = {{"SSH_ASKPASS", options.askpassProgram},
                           {"SSH_ASKPASS_REQUIRE", "force"},
                           {kAskpassChannelVariable, options.askpassChannel},
                           // Listings show times in UTC, so a file's stamp reads the same from any machine.
                           {"TZ", "UTC0"}};
    std::unique_ptr<ClientProcess> client = ClientProcess::start(command, error);
    if (!client) return nullptr;
    std::unique_ptr<SftpSession> session(new SftpSession(std::move(client), address.host));
    std::vector<std::string> output;
    if (!session->run({}, output, error)) {
        error = "cannot connect to " + address.host + ": " + error;
        return nullptr;
    }
    return session;
}

bool SftpSession::batchText(const std::vector<std::string>& lines, unsigned mark, std::string& text,
                            std::string& error) const
{
    for (const std::string& line : lines) {
        if (line.size() > kLongestSftpLine) {
            error = "a path is too long for the sftp client's command line";
            return false;
        }
        text += line;
        text += '\n';
    }
    text += kMark + std::to_string(mark) + '\n';
    return true;
}

bool SftpSession::run(const std::vector<std::string>& lines, std::vector<std::string>& output, std::string& error)
{
    output.clear();
    if (ended_) {
        error = "the connection to " + host_ + " has ended";
        return false;
    }
    std::string text;
    const unsigned mark = ++marks_;
    if (!batchText(lines, mark, text, error)) return false;
    // A client that has gone is found by reading what it said last.
    client_->send(text);
    return awaitMark(mark, output, error);
}

size_t SftpSession::runEach(const std::vector<std::vector<std::string>>& batches, std::string& error)
{
    if (ended_) {
        error = "the connection to " + host_ + " has ended";
        return 0;
    }
    std::string text;
    const unsigned first = marks_ + 1;
    for (const std::vector<std::string>& lines : batches) {
        const size_t before = text.size();
        if (!batchText(lines, ++marks_, text, error)) {
            // Only the batches before the one too long are sent.
            text.resize(before);
            --marks_;
            break;
        }
    }
    client_->send(text);
    std::vector<std::string> output;
    for (unsigned mark = first; mark <= marks_; ++mark)
        if (!awaitMark(mark, output, error)) return mark - first;
    return marks_ + 1 - first;
}

bool SftpSession::awaitMark(unsigned mark, std::vector<std::string>& output, std::string& error)
{
    const std::string expected = kEcho + (kMark + std::to_string(mark));
    std::vector<std::string> sinceEcho;  // what the last command printed
    std::string lastCommand, line;
    while (client_->readLine(line)) {
        if (line == expected) return true;
        if (line.starts_with(kEcho)) {
            sinceEcho.clear();
            lastCommand = line.substr(sizeof kEcho - 1);
            continue;
        }
        output.push_back(line);
        sinceEcho.push_back(line);
    }
    ended_ = true;
    client_->closeInput();
    const int status = client_->wait();
    // What the failed command printed; before any command, what ssh printed on connecting.
    error = joined(lastCommand.empty() ? output : sinceEcho);
    if (error.empty() && !lastCommand.empty()) error = "the command '" + lastCommand + "' failed";
    if (error.empty())
        error = status == 255 || status < 0 ? "the connection to " + host_ + " was lost"
                                            : "the sftp client ended (exit status " + std::to_string(status) + ")";
    return false;
}

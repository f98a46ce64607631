#include "publish/askpass_channel.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>

#include "base/text_utf16.h"

namespace {

bool writeAll(HANDLE pipe, const void* data, DWORD size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD n = 0;
        if (!WriteFile(pipe, bytes, size, &n, nullptr) || n == 0) return false;
        bytes += n;
        size -= n;
    }
    return true;
}

bool readAll(HANDLE pipe, void* data, DWORD size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        DWORD n = 0;
        if (!ReadFile(pipe, bytes, size, &n, nullptr) || n == 0) return false;
        bytes += n;
        size -= n;
    }
    return true;
}

bool sendMessage(HANDLE pipe, const std::string& text)
{
    std::string frame = askpassFrame(text);
    const bool sent = writeAll(pipe, frame.data(), static_cast<DWORD>(frame.size()));
    // The frame may hold an answer.
    volatile char* bytes = frame.data();
    for (size_t i = 0; i < frame.size(); ++i) bytes[i] = 0;
    return sent;
}

bool receiveMessage(HANDLE pipe, std::string& text)
{
    unsigned char header[4];
    if (!readAll(pipe, header, 4)) return false;
    const std::optional<uint32_t> n = askpassFrameLength(header);
    if (!n) return false;
    text.assign(*n, '\0');
    return readAll(pipe, text.data(), *n);
}

void forget(std::string& secret)
{
    SecureZeroMemory(secret.data(), secret.size());
    secret.clear();
}

// Security that lets in only the user this process runs as (its token's user): a pipe's default
// lets every user open it for reading, and anyone who can open it could keep its one instance
// busy and no prompt would get through.
class OwnUserOnly {
public:
    OwnUserOnly() = default;
    OwnUserOnly(const OwnUserOnly&) = delete;
    OwnUserOnly& operator=(const OwnUserOnly&) = delete;

    bool make()
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.reset(new char[size]);  // aligned for the TOKEN_USER and its SID
        const bool known = size > 0 && GetTokenInformation(token, TokenUser, user_.get(), size, &size);
        CloseHandle(token);
        if (!known) return false;
        PSID sid = reinterpret_cast<TOKEN_USER*>(user_.get())->User.Sid;
        const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
        acl_.reset(new char[aclSize]);
        ACL* acl = reinterpret_cast<ACL*>(acl_.get());
        return InitializeAcl(acl, aclSize, ACL_REVISION) &&
               AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
               InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
               SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }
    SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

private:
    std::unique_ptr<char[]> user_;
    std::unique_ptr<char[]> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{sizeof attributes_, &descriptor_, FALSE};
};

// The server's end: one pipe instance, made when the channel opens and kept until it closes, so
// that no other process can ever take the name; every operation on it also ends when the
// channel closes, whatever the process at the other end does.
class WindowsAskpassChannel final : public AskpassChannel {
public:
    WindowsAskpassChannel(IAskpassAnswerer& answerer, std::string name, HANDLE pipe, HANDLE io, HANDLE closing)
        : answerer_(answerer), name_(std::move(name)), pipe_(pipe), io_(io), closing_(closing), thread_([this] {
              serve();
          })
    {
    }
    ~WindowsAskpassChannel() override
    {
        SetEvent(closing_);
        thread_.join();
        CloseHandle(pipe_);
        CloseHandle(io_);
        CloseHandle(closing_);
    }
    std::string name() const override { return name_; }

private:
    // Waits for an operation begun on the pipe; false when it failed or the channel closes.
    bool complete(OVERLAPPED& operation, BOOL began, DWORD& n)
    {
        if (!began && GetLastError() != ERROR_IO_PENDING) return false;
        HANDLE events[2] = {io_, closing_};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
            CancelIo(pipe_);
            GetOverlappedResult(pipe_, &operation, &n, TRUE);
            return false;
        }
        return GetOverlappedResult(pipe_, &operation, &n, FALSE) != 0;
    }

    bool transfer(bool reading, void* data, DWORD size)
    {
        char* bytes = static_cast<char*>(data);
        while (size > 0) {
            OVERLAPPED operation{};
            operation.hEvent = io_;
            DWORD n = 0;
            const BOOL began = reading ? ReadFile(pipe_, bytes, size, nullptr, &operation)
                                       : WriteFile(pipe_, bytes, size, nullptr, &operation);
            if (!complete(operation, began, n) || n == 0) return false;
            bytes += n;
            size -= n;
        }
        return true;
    }

    bool send(const std::string& text)
    {
        std::string frame = askpassFrame(text);
        const bool sent = transfer(false, frame.data(), static_cast<DWORD>(frame.size()));
        forget(frame);  // it may hold an answer
        return sent;
    }

    bool receive(std::string& text)
    {
        unsigned char header[4];
        if (!transfer(true, header, 4)) return false;
        const std::optional<uint32_t> n = askpassFrameLength(header);
        if (!n) return false;
        text.assign(*n, '\0');
        return transfer(true, text.data(), *n);
    }

    void serve()
    {
        while (WaitForSingleObject(closing_, 0) != WAIT_OBJECT_0) {
            OVERLAPPED operation{};
            operation.hEvent = io_;
            DWORD n = 0;
            const BOOL began = ConnectNamedPipe(pipe_, &operation);
            const DWORD failure = began ? ERROR_SUCCESS : GetLastError();
            // A pipe that no longer works would fail here again and again.
            if (failure != ERROR_SUCCESS && failure != ERROR_IO_PENDING && failure != ERROR_PIPE_CONNECTED &&
                failure != ERROR_NO_DATA)
                return;
            // Connected already when the other end came between our last disconnect and now;
            // come and gone already (no data) when it did not wait for us.
            const bool connected =
                failure == ERROR_PIPE_CONNECTED || (failure != ERROR_NO_DATA && complete(operation, began, n));
            if (connected) answerOne();
            DisconnectNamedPipe(pipe_);
        }
    }

    void answerOne()
    {
        std::string prompt;
        if (!receive(prompt)) return;
        std::optional<std::string> answer = answerer_.answer(prompt, isAskpassQuestion(prompt));
        const char answered = answer ? 1 : 0;
        if (transfer(false, const_cast<char*>(&answered), 1) && answer) send(*answer);
        if (answer) forget(*answer);
        // Disconnecting drops what the other end has not read yet: wait until it has gone.
        char more;
        transfer(true, &more, 1);
    }

    IAskpassAnswerer& answerer_;
    std::string name_;
    HANDLE pipe_;
    HANDLE io_;       // signalled when an operation on the pipe completes
    HANDLE closing_;  // signalled when the channel closes
    std::thread thread_;
};

}  // namespace

std::unique_ptr<AskpassChannel> AskpassChannel::open(IAskpassAnswerer& answerer, std::string& error)
{
    std::random_device random;
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\fotoloom-askpass-%lu-%08x%08x", GetCurrentProcessId(), random(),
                  random());
    OwnUserOnly security;
    if (!security.make()) {
        error = "cannot make the password channel private (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    // Only this machine's processes of this user. The first instance is ours or the name is not
    // used at all.
    HANDLE pipe = CreateNamedPipeW(
        utf8ToWide(name).c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096, 0, security.attributes());
    HANDLE io = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE closing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (pipe == INVALID_HANDLE_VALUE || !io || !closing) {
        error = "cannot open the password channel (error " + std::to_string(GetLastError()) + ")";
        if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
        if (io) CloseHandle(io);
        if (closing) CloseHandle(closing);
        return nullptr;
    }
    return std::make_unique<WindowsAskpassChannel>(answerer, name, pipe, io, closing);
}

int answerAskpassPrompt(const std::string& channel, const std::string& prompt)
{
    const std::wstring name = utf8ToWide(channel);
    HANDLE pipe = INVALID_HANDLE_VALUE;
    // Busy for a moment while the channel finishes with the prompt before this one.
    for (int tries = 0; tries < 10; ++tries) {
        pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY) break;
        WaitNamedPipeW(name.c_str(), 1000);
    }
    if (pipe == INVALID_HANDLE_VALUE) return 1;
    char answered = 0;
    std::string answer;
    const bool asked =
        sendMessage(pipe, prompt) && readAll(pipe, &answered, 1) && answered == 1 && receiveMessage(pipe, answer);
    CloseHandle(pipe);
    if (!asked) return 1;
    answer += '\n';
    const bool printed =
        std::fwrite(answer.data(), 1, answer.size(), stdout) == answer.size() && std::fflush(stdout) == 0;
    forget(answer);
    return printed ? 0 : 1;
}

#include "publish/askpass_channel.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
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

class WindowsAskpassChannel final : public AskpassChannel {
public:
    WindowsAskpassChannel(IAskpassAnswerer& answerer, std::string name)
        : answerer_(answerer), name_(std::move(name)), thread_([this] { serve(); })
    {
    }
    ~WindowsAskpassChannel() override
    {
        stopping_ = true;
        // Wakes the wait for a client by being one.
        HANDLE wake =
            CreateFileW(utf8ToWide(name_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (wake != INVALID_HANDLE_VALUE) CloseHandle(wake);
        thread_.join();
    }
    std::string name() const override { return name_; }

private:
    void serve()
    {
        const std::wstring name = utf8ToWide(name_);
        while (!stopping_) {
            // Only this machine's processes; the pipe's default security admits only this user
            // (and the system) to write.
            HANDLE pipe =
                CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096, 0, nullptr);
            if (pipe == INVALID_HANDLE_VALUE) return;
            const bool connected = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
            if (connected && !stopping_) answerOne(pipe);
            DisconnectNamedPipe(pipe);
            CloseHandle(pipe);
        }
    }

    void answerOne(HANDLE pipe)
    {
        std::string prompt;
        if (!receiveMessage(pipe, prompt)) return;
        std::optional<std::string> answer = answerer_.answer(prompt, isAskpassQuestion(prompt));
        const char answered = answer ? 1 : 0;
        if (writeAll(pipe, &answered, 1) && answer) sendMessage(pipe, *answer);
        if (answer) forget(*answer);
        FlushFileBuffers(pipe);
    }

    IAskpassAnswerer& answerer_;
    std::string name_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace

std::unique_ptr<AskpassChannel> AskpassChannel::open(IAskpassAnswerer& answerer, std::string&)
{
    std::random_device random;
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\fotoloom-askpass-%lu-%08x%08x", GetCurrentProcessId(), random(),
                  random());
    return std::make_unique<WindowsAskpassChannel>(answerer, name);
}

int answerAskpassPrompt(const std::string& channel, const std::string& prompt)
{
    HANDLE pipe =
        CreateFileW(utf8ToWide(channel).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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

#include "publish/askpass_channel.h"
#include "publish/stale_temporaries.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

bool sendAll(int fd, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool receiveAll(int fd, void* data, size_t size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = recv(fd, bytes, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void forget(std::string& secret)
{
    volatile char* p = secret.data();
    for (size_t i = 0; i < secret.size(); ++i) p[i] = 0;
    secret.clear();
}

bool sendMessage(int fd, const std::string& text)
{
    std::string frame = askpassFrame(text);
    const bool sent = sendAll(fd, frame.data(), frame.size());
    forget(frame);  // it may hold an answer
    return sent;
}

bool receiveMessage(int fd, std::string& text)
{
    unsigned char header[4];
    if (!receiveAll(fd, header, 4)) return false;
    const std::optional<uint32_t> n = askpassFrameLength(header);
    if (!n) return false;
    text.assign(*n, '\0');
    return receiveAll(fd, text.data(), *n);
}

class PosixAskpassChannel final : public AskpassChannel {
public:
    PosixAskpassChannel(IAskpassAnswerer& answerer, std::string folder, std::string path, int listener, int wake[2])
        : answerer_(answerer),
          folder_(std::move(folder)),
          path_(std::move(path)),
          listener_(listener),
          wakeRead_(wake[0]),
          wakeWrite_(wake[1]),
          thread_([this] { serve(); })
    {
    }
    ~PosixAskpassChannel() override
    {
        const char stop = 0;
        [[maybe_unused]] const ssize_t n = write(wakeWrite_, &stop, 1);
        thread_.join();
        close(listener_);
        close(wakeRead_);
        close(wakeWrite_);
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
    std::string name() const override { return path_; }

private:
    // Waits until `fd` is ready for `events`; false when the channel closes first. Every wait of
    // the channel's thread is one of these, so closing never waits on what a peer does or not.
    bool ready(int fd, short events)
    {
        for (;;) {
            pollfd waits[2] = {{fd, events, 0}, {wakeRead_, POLLIN, 0}};
            const int n = poll(waits, 2, -1);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || waits[1].revents) return false;
            if (waits[0].revents) return true;
        }
    }

    bool transfer(int peer, bool reading, void* data, size_t size)
    {
        char* bytes = static_cast<char*>(data);
        while (size > 0) {
            if (!ready(peer, reading ? POLLIN : POLLOUT)) return false;
            const ssize_t n = reading ? recv(peer, bytes, size, MSG_DONTWAIT)
                                      : ::send(peer, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            if (n <= 0) return false;
            bytes += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    bool send(int peer, const std::string& text)
    {
        std::string frame = askpassFrame(text);
        const bool sent = transfer(peer, false, frame.data(), frame.size());
        forget(frame);  // it may hold an answer
        return sent;
    }

    bool receive(int peer, std::string& text)
    {
        unsigned char header[4];
        if (!transfer(peer, true, header, 4)) return false;
        const std::optional<uint32_t> n = askpassFrameLength(header);
        if (!n) return false;
        text.assign(*n, '\0');
        return transfer(peer, true, text.data(), *n);
    }

    void serve()
    {
        while (ready(listener_, POLLIN)) {
            const int peer = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (peer < 0) continue;
            answerOne(peer);
            close(peer);
        }
    }

    void answerOne(int peer)
    {
        // Only a process of this user may connect, as only the user may enter the folder; we
        // check the peer all the same.
        ucred peerId{};
        socklen_t size = sizeof peerId;
        if (getsockopt(peer, SOL_SOCKET, SO_PEERCRED, &peerId, &size) != 0 || peerId.uid != geteuid()) return;
        std::string prompt;
        if (!receive(peer, prompt)) return;
        std::optional<std::string> answer = answerer_.answer(prompt, isAskpassQuestion(prompt));
        char answered = answer ? 1 : 0;
        if (transfer(peer, false, &answered, 1) && answer) send(peer, *answer);
        if (answer) forget(*answer);
    }

    IAskpassAnswerer& answerer_;
    std::string folder_;
    std::string path_;
    int listener_;
    int wakeRead_;
    int wakeWrite_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<AskpassChannel> AskpassChannel::open(IAskpassAnswerer& answerer, std::string& error)
{
    const char* temporary = std::getenv("TMPDIR");
    std::string folder = std::string(temporary && *temporary ? temporary : "/tmp") + "/" +
                         temporaryFolderStem("fotoloom-askpass-") + "XXXXXX";
    if (!mkdtemp(folder.data())) {
        error = std::string("cannot make a private folder for the password channel: ") + std::strerror(errno);
        return nullptr;
    }
    std::string path = folder + "/channel";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        rmdir(folder.c_str());
        error = "the temporary folder's path is too long for the password channel";
        return nullptr;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int wake[2] = {-1, -1};
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 4) != 0 || pipe2(wake, O_CLOEXEC) != 0) {
        error = std::string("cannot open the password channel: ") + std::strerror(errno);
        if (listener >= 0) close(listener);
        unlink(path.c_str());
        rmdir(folder.c_str());
        return nullptr;
    }
    return std::make_unique<PosixAskpassChannel>(answerer, std::move(folder), std::move(path), listener, wake);
}

int answerAskpassPrompt(const std::string& channel, const std::string& prompt)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (channel.size() >= sizeof address.sun_path) return 1;
    std::memcpy(address.sun_path, channel.c_str(), channel.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 1;
    char answered = 0;
    std::string answer;
    const bool asked = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       sendMessage(fd, prompt) && receiveAll(fd, &answered, 1) && answered == 1 &&
                       receiveMessage(fd, answer);
    close(fd);
    if (!asked) return 1;
    answer += '\n';
    const bool printed =
        std::fwrite(answer.data(), 1, answer.size(), stdout) == answer.size() && std::fflush(stdout) == 0;
    forget(answer);
    return printed ? 0 : 1;
}

#pragma once
// What we send a client program, written by a thread of its own, so that a client that waits for
// us to read what it wrote never waits while we wait for it to read what we sent. The same on both
// systems; each side gives the two operations on its own kind of pipe.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class ClientInputWriter {
public:
    // `write` writes some of the bytes it is given and returns how many (0 when the pipe is
    // broken); `close` closes the pipe, once, after the last write.
    ClientInputWriter(std::function<size_t(std::string_view)> write, std::function<void()> close);
    ~ClientInputWriter();
    ClientInputWriter(const ClientInputWriter&) = delete;
    ClientInputWriter& operator=(const ClientInputWriter&) = delete;

    // Queues the text; false once the input has ended or a write failed.
    bool send(std::string_view text);
    // Writes what is queued, then closes the pipe.
    void end();
    // Waits until the pipe is closed (after end(), or after a failed write).
    void join();

private:
    void run();

    std::function<size_t(std::string_view)> write_;
    std::function<void()> close_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string pending_;  // sent, not yet written
    bool ended_ = false;
    bool failed_ = false;
    std::thread thread_;  // last: it starts once everything it reads is made
};

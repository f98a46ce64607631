#include "publish/client_input_writer.h"

#include <utility>

ClientInputWriter::ClientInputWriter(std::function<size_t(std::string_view)> write, std::function<void()> close)
    : write_(std::move(write)), close_(std::move(close)), thread_([this] { run(); })
{
}

ClientInputWriter::~ClientInputWriter()
{
    end();
    join();
}

bool ClientInputWriter::send(std::string_view text)
{
    std::lock_guard lock(mutex_);
    if (ended_ || failed_) return false;
    pending_.append(text);
    wake_.notify_one();
    return true;
}

void ClientInputWriter::end()
{
    std::lock_guard lock(mutex_);
    ended_ = true;
    wake_.notify_one();
}

void ClientInputWriter::join()
{
    if (thread_.joinable()) thread_.join();
}

void ClientInputWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !pending_.empty() || ended_; });
        if (pending_.empty()) break;
        std::string text = std::move(pending_);
        pending_.clear();
        lock.unlock();
        bool written = true;
        for (std::string_view rest = text; written && !rest.empty();) {
            const size_t n = write_(rest);
            written = n > 0;
            rest.remove_prefix(n);
        }
        lock.lock();
        if (!written) {
            failed_ = true;
            pending_.clear();
            break;
        }
    }
    lock.unlock();
    close_();
}

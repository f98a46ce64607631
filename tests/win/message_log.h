#pragma once
// Message sequences, the way Wine tests its controls: watched windows are subclassed and every
// message they are sent is logged; a step flushes the log, acts, pumps, and compares the log
// with a table of expected messages ended by {0}. Flags say what to compare and what may be
// missing; a mismatch reports the table's line, what was expected and what came.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

enum MessageFlags : unsigned {
    kWParam = 1,    // compare wParam
    kLParam = 2,    // compare lParam (for WM_NOTIFY: the notification code)
    kOptional = 4,  // may be absent
    kParent = 8,    // sent to the window watched as the parent, not the control
};

struct ExpectedMessage {
    UINT message;
    unsigned flags;
    WPARAM wParam;
    LPARAM lParam;
};

struct LoggedMessage {
    UINT message;
    bool parent;
    WPARAM wParam;
    LPARAM lParam;  // WM_NOTIFY: the code of the NMHDR
};

class MessageLog {
public:
    MessageLog() { current() = this; }
    ~MessageLog()
    {
        for (const Watched& w : watched_)
            if (IsWindow(w.window)) SetWindowLongPtrW(w.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(w.old));
        current() = nullptr;
    }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // Logs the messages of `window`; `parent` marks them kParent. Only messages in `only`
    // are logged when it is not empty.
    void watch(HWND window, bool parent, std::vector<UINT> only = {})
    {
        auto old = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageLog::procedure)));
        watched_.push_back({window, old, parent, std::move(only)});
    }
    void flush() { log_.clear(); }
    const std::vector<LoggedMessage>& log() const { return log_; }

    ::testing::AssertionResult matches(const ExpectedMessage* expected, const char* context) const
    {
        size_t at = 0;
        for (const ExpectedMessage* e = expected; e->message; ++e) {
            const bool wantParent = (e->flags & kParent) != 0;
            const bool same = at < log_.size() && log_[at].message == e->message && log_[at].parent == wantParent &&
                              (!(e->flags & kWParam) || log_[at].wParam == e->wParam) &&
                              (!(e->flags & kLParam) || log_[at].lParam == e->lParam);
            if (same) {
                ++at;
                continue;
            }
            if (e->flags & kOptional) continue;
            return ::testing::AssertionFailure()
                   << context << ": line " << (e - expected) << " expected "
                   << describe(e->message, e->wParam, e->lParam) << (wantParent ? " (parent)" : "") << ", got "
                   << (at < log_.size() ? describe(log_[at].message, log_[at].wParam, log_[at].lParam) : "nothing")
                   << "\n  whole log: " << whole();
        }
        if (at != log_.size())
            return ::testing::AssertionFailure()
                   << context << ": unexpected " << describe(log_[at].message, log_[at].wParam, log_[at].lParam)
                   << " after the sequence\n  whole log: " << whole();
        return ::testing::AssertionSuccess();
    }

private:
    struct Watched {
        HWND window;
        WNDPROC old;
        bool parent;
        std::vector<UINT> only;
    };

    static MessageLog*& current()
    {
        static MessageLog* log = nullptr;
        return log;
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        MessageLog* self = current();
        for (const Watched& w : self->watched_) {
            if (w.window != window) continue;
            bool wanted = w.only.empty();
            for (UINT m : w.only) wanted = wanted || m == message;
            if (wanted) {
                const bool notify = message == WM_NOTIFY && lParam;
                const LPARAM logged = notify ? reinterpret_cast<const NMHDR*>(lParam)->code : lParam;
                self->log_.push_back({message, w.parent, wParam, logged});
            }
            return CallWindowProcW(w.old, window, message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static std::string describe(UINT message, WPARAM wParam, LPARAM lParam)
    {
        char text[96];
        std::snprintf(text, sizeof(text), "msg %04x (wp %llx, lp %llx)", message,
                      static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam));
        return text;
    }
    std::string whole() const
    {
        std::string all;
        for (const LoggedMessage& m : log_) all += describe(m.message, m.wParam, m.lParam) + (m.parent ? "P " : " ");
        return all;
    }

    std::vector<Watched> watched_;
    std::vector<LoggedMessage> log_;
};

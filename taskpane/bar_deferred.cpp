#include "taskpane/bar_deferred.h"

#include <new>

#include "taskpane/library.h"
#include "taskpane/library_messages.h"

namespace sidefold {

namespace {

// What a queued message answers: 1, except for the system's own layout messages.
LRESULT deferredResult(UINT message)
{
    switch (message) {
    case WM_SIZE:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_COMMAND:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: return 0;
    default: return 1;
    }
}

// A queued message; an add takes copies of the description and of its title with it, so that
// the caller's record and string need not outlive the call.
DeferredMessage* queued(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                        const SidefoldGroupDescription* description)
{
    auto* m = new (std::nothrow) DeferredMessage;
    if (!m) return nullptr;
    m->window = window;
    m->message = message;
    m->wParam = wParam;
    m->lParam = lParam;
    if (description) {
        m->description = *description;
        m->callerTitle = description->title;
        try {
            m->title = copyTitle(description->title);
        } catch (const std::bad_alloc&) {
            delete m;
            return nullptr;
        }
    }
    return m;
}

}  // namespace

bool isLayoutMessage(const BarRecord& bar, UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_DPICHANGED:
    case WM_DPICHANGED_AFTERPARENT:
    case SIDEFOLD_BAR_ADD_GROUP:
    case SIDEFOLD_BAR_REMOVE_AT:
    case SIDEFOLD_BAR_EXPAND_AT:
    case SIDEFOLD_BAR_COLLAPSE_AT:
    case SIDEFOLD_BAR_REMOVE_ID:
    case SIDEFOLD_BAR_EXPAND_ID:
    case SIDEFOLD_BAR_COLLAPSE_ID:
    case SIDEFOLD_BAR_SHOW_AT:
    case SIDEFOLD_BAR_SHOW_ID:
    case SIDEFOLD_MSG_SECTION_TOGGLED: return true;
    case WM_COMMAND: return groupWithHeader(bar, reinterpret_cast<HWND>(lParam)) != nullptr;
    default: return false;
    }
}

bool deferIfBusy(BarRecord& record, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    BarRecord* bar = &record;
    // A message never overtakes those queued before it: when the bar is free but some still
    // wait (queued during a replay, for the next pass), they are replayed first. A replayed
    // message is the one whose turn it is.
    EnterCriticalSection(&bar->lock);
    const bool replayed = bar->replaying;
    bar->replaying = false;
    const bool catchUp = !replayed && bar->busy == 0 && bar->deferredHead;
    LeaveCriticalSection(&bar->lock);
    if (catchUp) {
        replayDeferred(window);
        bar = barOf(window);
        if (!bar) {
            result = 0;  // the replayed work ended the bar
            return true;
        }
    }
    // Checked before taking the lock: a description that cannot be read is refused at once.
    const auto* description = reinterpret_cast<const SidefoldGroupDescription*>(lParam);
    const bool add = message == SIDEFOLD_BAR_ADD_GROUP;
    EnterCriticalSection(&bar->lock);
    if (bar->busy == 0 && (replayed || !bar->deferredHead)) {
        ++bar->busy;
        LeaveCriticalSection(&bar->lock);
        return false;
    }
    result = deferredResult(message);
    if (add && !validDescription(description)) {
        result = 0;
    } else if (DeferredMessage* m = queued(window, message, wParam, lParam, add ? description : nullptr)) {
        m->sequence = bar->nextSequence++;
        if (bar->deferredTail)
            bar->deferredTail->next = m;
        else
            bar->deferredHead = m;
        bar->deferredTail = m;
    } else {
        result = 0;
    }
    LeaveCriticalSection(&bar->lock);
    return true;
}

void beginWork(BarRecord& bar)
{
    EnterCriticalSection(&bar.lock);
    ++bar.busy;
    LeaveCriticalSection(&bar.lock);
}

void endWork(BarRecord& bar)
{
    EnterCriticalSection(&bar.lock);
    const bool last = --bar.busy == 0;
    LeaveCriticalSection(&bar.lock);
    // The window went away while this work ran: the record waited for it and goes now.
    if (last && bar.dead) freeBarRecord(&bar);
}

void replayDeferred(HWND barWindow)
{
    BarRecord* bar = barOf(barWindow);
    if (!bar) return;
    EnterCriticalSection(&bar->lock);
    const unsigned limit = bar->nextSequence;
    LeaveCriticalSection(&bar->lock);
    for (;;) {
        bar = barOf(barWindow);
        if (!bar) return;
        EnterCriticalSection(&bar->lock);
        DeferredMessage* m = bar->deferredHead;
        if (!m || static_cast<int>(m->sequence - limit) >= 0) {
            LeaveCriticalSection(&bar->lock);
            return;
        }
        bar->deferredHead = m->next;
        if (!bar->deferredHead) bar->deferredTail = nullptr;
        LeaveCriticalSection(&bar->lock);
        if (m->message == SIDEFOLD_MSG_STOP) {
            delete m;
            return;
        }
        const bool add = m->message == SIDEFOLD_BAR_ADD_GROUP;
        if (add && m->callerTitle) m->description.title = m->title.c_str();
        const LPARAM lParam = add ? reinterpret_cast<LPARAM>(&m->description) : m->lParam;
        if (IsWindow(m->window)) {
            auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m->window, GWLP_WNDPROC));
            if (procedure) {
                EnterCriticalSection(&bar->lock);
                bar->replaying = true;
                LeaveCriticalSection(&bar->lock);
                CallWindowProcA(procedure, m->window, m->message, m->wParam, lParam);
                // Taken by the window unless the message no longer changes the layout.
                if (BarRecord* now = barOf(barWindow)) {
                    EnterCriticalSection(&now->lock);
                    now->replaying = false;
                    LeaveCriticalSection(&now->lock);
                }
            }
            if (add)
                if (BarRecord* now = barOf(m->window)) restoreTitle(*now, m->title.c_str(), m->callerTitle);
        }
        delete m;
    }
}

}  // namespace sidefold

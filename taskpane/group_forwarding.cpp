#include "taskpane/group_forwarding.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "taskpane/library.h"

namespace sidefold {

#ifndef _WIN64
static_assert(offsetof(NMTTDISPINFOA, szText) == 16, "the tooltip's inline text buffer");
#endif

namespace {

// A forwarded record and what the host may write into through it, in one heap block: a send
// that times out while the host is already inside its handler leaves the host reading and
// writing the block after this thread has moved on, so none of it may be on this thread's stack.
struct ForwardBlock {
    SidefoldForwardedMessage record;
    union {
        NMTTDISPINFOA tooltip;
        SidefoldPaintRequest paint;
        NMHDR notice;
    } data;
    ForwardBlock* next;  // in the list of timed-out blocks
};

// Blocks whose send timed out: the host may still be using them. Freed with the library.
SRWLOCK abandonedLock = SRWLOCK_INIT;
ForwardBlock* abandoned = nullptr;

void abandon(ForwardBlock* block)
{
    AcquireSRWLockExclusive(&abandonedLock);
    block->next = abandoned;
    abandoned = block;
    ReleaseSRWLockExclusive(&abandonedLock);
}

bool isTooltipRequest(LPARAM lParam)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!readable(header, sizeof(NMTTDISPINFOA))) return false;
    const int code = static_cast<int>(header->code);
    return code == SIDEFOLD_NOTIFY_LINK_TOOLTIP || code == SIDEFOLD_NOTIFY_HEADER_TOOLTIP;
}

// The bar's own expand and collapse notices come from the dialog itself; they are erased once
// handed on, so a host still reading one after a time-out must read a copy.
bool isGroupNotice(const SidefoldForwardedMessage& r)
{
    const auto* header = reinterpret_cast<const NMHDR*>(r.lParam);
    if (!readable(header, sizeof(NMHDR)) || header->hwndFrom != r.dialog) return false;
    const int code = static_cast<int>(header->code);
    return code == SIDEFOLD_NOTIFY_EXPANDED || code == SIDEFOLD_NOTIFY_COLLAPSED;
}

// The caller's request moved into the block (and back after the answer): its address and size.
struct Carried {
    void* original = nullptr;
    size_t size = 0;
};

Carried carry(ForwardBlock& block)
{
    SidefoldForwardedMessage& r = block.record;
    if (r.message == WM_NOTIFY && isTooltipRequest(r.lParam)) {
        auto* request = reinterpret_cast<NMTTDISPINFOA*>(r.lParam);
        block.data.tooltip = *request;
        if (request->lpszText == request->szText) block.data.tooltip.lpszText = block.data.tooltip.szText;
        r.lParam = reinterpret_cast<LPARAM>(&block.data.tooltip);
        return {request, sizeof(*request)};
    }
    if (r.message == WM_NOTIFY && isGroupNotice(r)) {
        auto* notice = reinterpret_cast<NMHDR*>(r.lParam);
        block.data.notice = *notice;
        r.lParam = reinterpret_cast<LPARAM>(&block.data.notice);
        return {notice, sizeof(*notice)};
    }
    auto* paint = reinterpret_cast<SidefoldPaintRequest*>(r.wParam);
    if (r.message == SIDEFOLD_MSG_PAINT_BACKGROUND && readable(paint, sizeof(*paint))) {
        block.data.paint = *paint;
        r.wParam = reinterpret_cast<WPARAM>(&block.data.paint);
        return {paint, sizeof(*paint)};
    }
    return {};
}

void carryBack(const ForwardBlock& block, const Carried& carried)
{
    if (!carried.original) return;
    if (block.record.message == WM_NOTIFY && carried.size == sizeof(NMTTDISPINFOA)) {
        auto* request = static_cast<NMTTDISPINFOA*>(carried.original);
        const NMTTDISPINFOA& answer = block.data.tooltip;
        *request = answer;
        request->szText[sizeof(request->szText) - 1] = 0;
        if (answer.lpszText == answer.szText) request->lpszText = request->szText;
    } else if (block.record.message == SIDEFOLD_MSG_PAINT_BACKGROUND) {
        *static_cast<SidefoldPaintRequest*>(carried.original) = block.data.paint;
    }
}

}  // namespace

LRESULT forwardToHost(const GroupRecord& group, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Copies: the host may remove the group while it handles the message.
    const SidefoldGroupCallback callback = group.description.callback;
    const HWND owner = group.description.owner;
    if (callback) return callback(dialog, message, wParam, lParam);
    if (!owner) return 0;
    auto* block = new (std::nothrow) ForwardBlock{};
    if (!block) return 0;
    block->record = {dialog, group.description.groupId, message, wParam, lParam};
    const Carried carried = carry(*block);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(owner, SIDEFOLD_MSG_FORWARDED, SIDEFOLD_FORWARDED_TAG,
                             reinterpret_cast<LPARAM>(&block->record), SMTO_NORMAL, forwardTimeout(), &result)) {
        if (GetLastError() == ERROR_INVALID_WINDOW_HANDLE) {
            delete block;  // never delivered
        } else {
            // Timed out (still queued for the owner, or being handled): a request carried in the
            // block stays as it is; a message whose parameters point elsewhere becomes WM_NULL for
            // a reader that has not started yet.
            if (!carried.original) block->record = {dialog, group.description.groupId, WM_NULL, 0, 0};
            abandon(block);
        }
        return 0;
    }
    carryBack(*block, carried);
    delete block;
    return static_cast<LRESULT>(result);
}

void freeAbandonedForwards()
{
    AcquireSRWLockExclusive(&abandonedLock);
    ForwardBlock* block = abandoned;
    abandoned = nullptr;
    ReleaseSRWLockExclusive(&abandonedLock);
    while (block) {
        ForwardBlock* next = block->next;
        delete block;
        block = next;
    }
}

LRESULT forwardHeaderTooltip(const GroupRecord& group, NMTTDISPINFOA* request)
{
    if (!writable(request, sizeof(*request))) return 0;
    // The host sees the group id in idFrom; the tooltip keeps its own header.
    NMTTDISPINFOA copy = *request;
    copy.hdr.idFrom = static_cast<UINT_PTR>(group.description.groupId);
    if (copy.lpszText == request->szText) copy.lpszText = copy.szText;
    const LRESULT result = forwardToHost(group, group.dialog, WM_NOTIFY, static_cast<WPARAM>(copy.hdr.idFrom),
                                         reinterpret_cast<LPARAM>(&copy));
    std::memcpy(request->szText, copy.szText, sizeof(request->szText));
    request->szText[sizeof(request->szText) - 1] = 0;
    request->lpszText = copy.lpszText == copy.szText ? request->szText : copy.lpszText;
    request->hinst = copy.hinst;
    request->uFlags = copy.uFlags;
    request->lParam = copy.lParam;
    return result;
}

}  // namespace sidefold

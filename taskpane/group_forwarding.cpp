#include "taskpane/group_forwarding.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "taskpane/library.h"

namespace sidefold {

#ifndef _WIN64
static_assert(offsetof(NMTTDISPINFOA, szText) == 16, "the tooltip's inline text buffer");
#endif

LRESULT forwardToHost(const GroupRecord& group, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Copies: the host may remove the group while it handles the message.
    const SidefoldGroupCallback callback = group.description.callback;
    const HWND owner = group.description.owner;
    if (callback) return callback(dialog, message, wParam, lParam);
    if (!owner) return 0;
    // The record is on the heap: a message that timed out is still delivered when the owner
    // gets round to it, and must not find a record that is gone. Such a record is emptied to
    // WM_NULL (its lParam may point at what no longer exists) and left for that late reader.
    auto* record =
        new (std::nothrow) SidefoldForwardedMessage{dialog, group.description.groupId, message, wParam, lParam};
    if (!record) return 0;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(owner, SIDEFOLD_MSG_FORWARDED, SIDEFOLD_FORWARDED_TAG, reinterpret_cast<LPARAM>(record),
                             SMTO_NORMAL, forwardTimeout(), &result)) {
        if (GetLastError() == ERROR_TIMEOUT) {
            record->message = WM_NULL;
            record->wParam = 0;
            record->lParam = 0;
        } else {
            delete record;
        }
        return 0;
    }
    delete record;
    return static_cast<LRESULT>(result);
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

#pragma once
// Waiting for a bar to be done. A layout message that finds the bar busy is queued and answered
// at once, so a send that returned says nothing about whether its work is done; what the tests
// look at afterwards is only meaningful once the queue is empty and the paints are through.

#include "sidefold_host.h"

// How long a bar may take to work off its queue before a test counts it as stuck. Generous:
// under a loaded machine the bar's thread and the host's take turns slowly.
constexpr DWORD kSettleTimeoutMs = 10000;

// The bar's queued layout work is done: a layout message for no group is answered at once (0;
// one that the bar has to queue answers 1), three times running, so that the thread's loop has
// replayed its queue in between. The host's thread pumps meanwhile, as the bar's thread talks to
// it while it works.
inline ::testing::AssertionResult settle(HWND bar, DWORD ms = kSettleTimeoutMs)
{
    const DWORD start = GetTickCount();
    for (int idle = 0; idle < 3;) {
        if (GetTickCount() - start > ms)
            return ::testing::AssertionFailure() << "the bar still had layout work queued after " << ms << " ms";
        idle = SendMessageA(bar, SIDEFOLD_BAR_SHOW_AT, 9999, 0) == 0 ? idle + 1 : 0;
        pumpUntil([] { return true; });
        // Busy: give its thread the processor until it talks to us or a moment has passed.
        if (idle == 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return ::testing::AssertionSuccess();
}

// The bar on screen as it stands: settled, then every window under it that waits for paint
// painted. The paint is sent to the bar's thread, so it is done when RedrawWindow returns.
inline ::testing::AssertionResult painted(HWND bar, DWORD ms = kSettleTimeoutMs)
{
    ::testing::AssertionResult settled = settle(bar, ms);
    if (!settled) return settled;
    if (!RedrawWindow(bar, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN))
        return ::testing::AssertionFailure() << "the bar could not be painted";
    return ::testing::AssertionSuccess();
}

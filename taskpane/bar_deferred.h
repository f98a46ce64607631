#pragma once
// The bar's busy counter and its queue of deferred layout messages. Layout work never nests:
// a layout message that arrives while the bar is busy (sent from the host while the bar waits
// on a forwarded message, or from the bar's own windows) is queued and replayed afterwards
// by the bar's thread loop, in arrival order.

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// Whether the message changes the layout (and so waits while the bar is busy).
bool isLayoutMessage(const BarRecord& bar, UINT message, LPARAM lParam);

// Starts layout work for a message. When the bar is busy the message is queued, `result`
// holds what the sender gets, and the caller returns it without doing the work. Otherwise the
// messages still queued are replayed first (they came earlier) and the bar is busy until
// endWork; should that replay end the bar, the message is answered 0 without the work.
bool deferIfBusy(BarRecord& bar, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
void beginWork(BarRecord& bar);
void endWork(BarRecord& bar);

// Replays the messages queued before this pass began; later ones wait for the next pass.
void replayDeferred(HWND barWindow);

}  // namespace sidefold

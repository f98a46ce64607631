#pragma once
// Messages between the library's own windows and threads, not for hosts. Two numbers carry two
// meanings each: which one depends on the receiver.

#include <windows.h>

// To a library control: the client size it had at creation (wParam int* width, lParam int* height).
#define SIDEFOLD_MSG_CREATION_SIZE 0x1401
// From a group's dialog to the bar: a sub-section header inside it was toggled (wParam the group
// record, lParam that header).
#define SIDEFOLD_MSG_SECTION_TOGGLED 0x1401
// Posted to the bar's thread (no window): its loop ends.
#define SIDEFOLD_MSG_STOP 0x1402
// To a group's dialog: the child whose id is in wParam, as the dialog's message result.
#define SIDEFOLD_MSG_CHILD_BY_ID 0x1402

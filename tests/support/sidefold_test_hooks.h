#pragma once
// The task-pane library's test settings, for a test program that links it: found by the library's
// test-only ordinal in the Sidefold.dll already loaded. False when the library is not loaded or
// refuses them.

#include <windows.h>

#include "taskpane/include/sidefold.h"

inline bool setSidefoldTestHooks(const SidefoldTestHooks& hooks)
{
    HMODULE sidefold = GetModuleHandleA("Sidefold.dll");
    if (!sidefold) return false;
    auto setHooks = reinterpret_cast<SidefoldSetTestHooksProc>(
        reinterpret_cast<void*>(GetProcAddress(sidefold, MAKEINTRESOURCEA(SIDEFOLD_ORDINAL_TEST_HOOKS))));
    return setHooks && setHooks(&hooks);
}

// Process set-up for the Windows tests: the common controls (version 6, through the program's
// manifest) and COM on the test thread, as the program's start-up has them.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "tests/support/sidefold_test_hooks.h"

namespace {

class WindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // The task pane's groups open with their animation: without its pauses here. The program
        // is linked to the library, so it is loaded already.
        SidefoldTestHooks hooks{};
        hooks.cbSize = sizeof(hooks);
        hooks.animationPauseMs = 0;
        ASSERT_TRUE(setSidefoldTestHooks(hooks)) << "the task pane library's test hooks";
    }
    void TearDown() override { CoUninitialize(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);

}  // namespace

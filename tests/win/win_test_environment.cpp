// Process set-up for the Windows tests: the common controls (version 6, through the program's
// manifest) and COM on the test thread, as the program's start-up has them.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

namespace {

class WindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // The task pane's groups open with their animation: without its pauses here.
        SetEnvironmentVariableA("SIDEFOLD_ANIMATION_PAUSE_MS", "0");
    }
    void TearDown() override { CoUninitialize(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);

}  // namespace

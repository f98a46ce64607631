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
    }
    void TearDown() override { CoUninitialize(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);

}  // namespace

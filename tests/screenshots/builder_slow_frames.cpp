// Builder.exe with the task pane's animation frames held 400 ms each, for the screenshot that
// catches a group half-way shut (scripts/screenshots.sh). The shipped program has no such knob:
// this one sets it through the task-pane library's test hooks before the program starts.

#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <string>

#include "app/builder_app.h"
#include "tests/support/sidefold_test_hooks.h"
#include "winui/text.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SidefoldTestHooks hooks{};
    hooks.cbSize = sizeof(hooks);
    hooks.animationPauseMs = 400;
    if (!setSidefoldTestHooks(hooks)) return 1;

    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::string project = arguments && count > 1 ? winui::narrow(arguments[1]) : std::string();
    LocalFree(arguments);
    CBuilderApp app;
    if (!app.initInstance(StartOptions{.projectPath = project})) return 0;
    return app.run();
}

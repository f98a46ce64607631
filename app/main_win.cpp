// Builder.exe: start-up of the Windows program.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "app/builder_app.h"
#include "winui/text.h"

namespace {

// The program takes no options; a project file named on the command line is opened.
std::string projectOnCommandLine()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string path = arguments && count > 1 ? winui::narrow(arguments[1]) : std::string();
    LocalFree(arguments);
    return path;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (FAILED(OleInitialize(nullptr))) return 1;
    int exitCode = 0;
    {
        CBuilderApp app;
        if (app.initInstance(SW_SHOWMAXIMIZED, projectOnCommandLine())) exitCode = app.run();
    }
    OleUninitialize();
    return exitCode;
}

// Builder.exe: the program's entry point. The program takes no options of its own; a project
// file named on the command line (as the .gal association passes it) is opened at start-up.

#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <string>

#include "app/builder_app.h"
#include "winui/text.h"

namespace {

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
    CBuilderApp app;
    if (!app.initInstance(StartOptions{.projectPath = projectOnCommandLine()})) return 0;
    return app.run();
}

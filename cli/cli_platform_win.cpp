#include "cli/cli_platform.h"

#include <windows.h>
#include <shellapi.h>

#include "base/text_utf16.h"

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (!wide) {
        for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
        return args;
    }
    for (int i = 1; i < count; ++i) args.push_back(wideToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

void prepareConsole() { SetConsoleOutputCP(CP_UTF8); }

std::optional<std::string> environmentVariable(const char* name)
{
    const std::wstring nameW = utf8ToWide(name);
    const wchar_t* key = nameW.c_str();
    DWORD size = GetEnvironmentVariableW(key, nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    DWORD n = GetEnvironmentVariableW(key, value.data(), size);
    if (n >= size) return std::nullopt;  // changed in between; not worth a retry
    value.resize(n);
    return wideToUtf8(value.c_str());
}

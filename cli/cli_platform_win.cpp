#include "cli/cli_platform.h"

#include <windows.h>
#include <shellapi.h>

#include "base/text_utf16.h"

namespace {

std::string narrow(const wchar_t* text) { return utf16ToUtf8(reinterpret_cast<const char16_t*>(text)); }

}  // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (!wide) {
        for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
        return args;
    }
    for (int i = 1; i < count; ++i) args.push_back(narrow(wide[i]));
    LocalFree(wide);
    return args;
}

void prepareConsole() { SetConsoleOutputCP(CP_UTF8); }

std::optional<std::string> environmentVariable(const char* name)
{
    std::u16string nameW = utf8ToUtf16(name);
    const wchar_t* key = reinterpret_cast<const wchar_t*>(nameW.c_str());
    DWORD size = GetEnvironmentVariableW(key, nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    DWORD n = GetEnvironmentVariableW(key, value.data(), size);
    if (n >= size) return std::nullopt;  // changed in between; not worth a retry
    value.resize(n);
    return narrow(value.c_str());
}

#include "controls/hyperlink.h"

#include "winui/seam.h"

namespace {

// The default value of a key below `root`, at most 260 characters; empty when unreadable.
std::wstring defaultValue(HKEY root, const std::wstring& key)
{
    wchar_t value[MAX_PATH + 1] = {};
    // Expanded on reading: an expandable string arrives as a plain one.
    DWORD bytes = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) return {};
    return value;
}

}  // namespace

std::wstring quoteArgument(std::wstring_view argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they are doubled, and the quote escaped.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted.push_back(c);
        backslashes = 0;
    }
    quoted.append(backslashes * 2, L'\\');  // before the closing quote
    quoted.push_back(L'"');
    return quoted;
}

std::wstring browserCommandLine(std::wstring_view openCommand, std::wstring_view url)
{
    std::wstring command(openCommand);
    size_t cut = command.find(L"\"%1\"");
    if (cut == std::wstring::npos) cut = command.find(L"%1");
    if (cut != std::wstring::npos) command.resize(cut);
    while (!command.empty() && command.back() == L' ') command.pop_back();
    return command + L" " + quoteArgument(url);
}

HyperlinkResult openHyperlink(HWND owner, const std::wstring& url, int show, HKEY classes)
{
    const int shell = winui::seam().shellExecute(owner, url, show);
    if (shell > 32) return {true, shell};
    const std::wstring type = defaultValue(classes, L".htm");
    if (type.empty()) return {false, shell};
    const std::wstring command = defaultValue(classes, type + L"\\shell\\open\\command");
    if (command.empty()) return {false, shell};
    const DWORD error = winui::seam().startProgram(browserCommandLine(command, url), show);
    // A file that is no program reads as the shell would say it.
    return {error == 0, static_cast<int>(error == ERROR_BAD_EXE_FORMAT ? 11 : error)};
}

std::wstring hyperlinkErrorText(int code)
{
    switch (code) {
    case 0: return L"The operating system is out\nof memory or resources.";
    case 2: return L"The specified file was not found.";
    case 3: return L"The specified path was not found.";
    case 5: return L"The operating system denied\naccess to the specified file.";
    case 8: return L"There was not enough memory to complete the operation.";
    case 11: return L"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return L"A sharing violation occurred. ";
    case 27: return L"The filename association is\nincomplete or invalid.";
    case 28: return L"The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return L"The DDE transaction failed.";
    case 30:
        return L"The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31: return L"There is no application associated\nwith the given filename extension.";
    case 32: return L"The specified dynamic-link library was not found.";
    default: return L"Unknown Error (" + std::to_wstring(code) + L") occurred.";
    }
}

void reportHyperlinkError(HWND owner, int code)
{
    MessageBeep(MB_ICONEXCLAMATION);
    winui::seam().messageBox(owner, L"Unable to open hyperlink:\n\n" + hyperlinkErrorText(code), L"Builder",
                             MB_OK | MB_ICONEXCLAMATION);
}

#pragma once
// Opening an address the way the program's links do: the shell's "open" verb first; when the
// shell cannot, the browser that opens ".htm" files, started with the address as one quoted
// argument. A failure is told with the text for its code.

#include <windows.h>

#include <string>
#include <string_view>

struct HyperlinkResult {
    bool opened = false;
    int code = 0;  // the shell's result, or the error of the fallback browser
};

// `classes`: where ".htm" and its open command are looked up (HKEY_CLASSES_ROOT by default).
HyperlinkResult openHyperlink(HWND owner, const std::wstring& url, int show, HKEY classes = HKEY_CLASSES_ROOT);

// The fallback browser's command line: the registered open command cut at its "%1" (at the
// opening quote of a quoted "%1"), then the address as one argument.
std::wstring browserCommandLine(std::wstring_view openCommand, std::wstring_view url);
// One argument as CommandLineToArgvW and the C runtime read it back: quoted, with its quotes and
// the backslashes before them escaped.
std::wstring quoteArgument(std::wstring_view argument);

// The explanation for a result code, after "Unable to open hyperlink:\n\n".
std::wstring hyperlinkErrorText(int code);
// Beeps and shows "Unable to open hyperlink:" with the explanation, captioned "Builder".
void reportHyperlinkError(HWND owner, int code);

#pragma once
// UTF-8 <-> UTF-16 at the boundary between the portable core (UTF-8 std::string) and the
// wide Win32 API, plus the few text reads the windows need. Ill-formed input becomes U+FFFD.

#include <windows.h>

#include <string>
#include <string_view>

namespace winui {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// A string resource of the program (empty when it does not exist).
std::wstring loadString(UINT id);
// The window's text, whatever its length.
std::wstring windowText(HWND window);

// A user's text (an album title, a file name) as the text of a menu item, button or label that
// takes '&' as the access-key mark: every '&' doubled, so it shows as itself.
std::wstring escapeAccessKeys(std::wstring_view text);

// An edit control breaks lines only at CR LF: bare LF (from files made elsewhere) become CR LF.
std::wstring toCrLf(std::wstring_view text);

}  // namespace winui

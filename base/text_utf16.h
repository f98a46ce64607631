#pragma once
// UTF-8 <-> UTF-16 conversion, portable. Ill-formed input becomes U+FFFD; nothing throws.

#include <string>
#include <string_view>

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);
// The same, except that bytes which are not UTF-8 (a file name in an older encoding) travel as
// the lone surrogates U+DC80 to U+DCFF and come back from them, so any byte string survives.
std::u16string utf8ToUtf16KeepingBytes(std::string_view bytes);
std::string utf16ToUtf8KeepingBytes(std::u16string_view utf16);
// True when every byte belongs to a well-formed UTF-8 sequence (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);

#ifdef _WIN32
// The same conversions for the wide Windows API, whose wchar_t is a UTF-16 unit.
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);
#endif

#pragma once
// The narrow string form of the .gal file, made to mean the same text on every system. One rule
// reads it everywhere: bytes that are valid UTF-8 are UTF-8 (what other tools and earlier Linux
// versions of this program write), anything else is the ANSI code page (Windows-1252 outside
// Windows). Text a Windows code page writes with characters beyond ASCII is in practice never
// valid UTF-8, so nothing written on Windows reads differently. A writer uses the narrow form
// only for text that reads back the same by that rule (plain ASCII anywhere, or on Windows text
// its ANSI code page holds exactly) and the wide form for everything else. The core itself
// always holds UTF-8.

#include <optional>
#include <string>
#include <string_view>

// The narrow bytes for a UTF-8 string, or nothing when the narrow form cannot carry it
// exactly (the caller then writes the file's wide form instead).
std::optional<std::string> ansiFromUtf8(std::string_view utf8);
// UTF-8 for the narrow bytes read from a file.
std::string utf8FromAnsi(std::string_view ansi);
// The wide form's UTF-16 units for a core string, and back. Outside Windows a file name that
// is not UTF-8 (an older encoding on disk) keeps its bytes through a save and a load.
std::u16string wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::u16string_view units);

#pragma once
// The narrow string form of the .gal file. On Windows it is the ANSI code page (CP_ACP), as
// the format has always been; on other systems it is UTF-8, kept byte for byte. The core
// itself always holds UTF-8.

#include <optional>
#include <string>
#include <string_view>

// The narrow bytes for a UTF-8 string, or nothing when the narrow form cannot hold every
// character exactly (the caller then writes the file's wide form instead).
std::optional<std::string> ansiFromUtf8(std::string_view utf8);
// UTF-8 for the narrow bytes read from a file.
std::string utf8FromAnsi(std::string_view ansi);

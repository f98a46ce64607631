#include "gallery/ansi_text.h"

// Narrow strings are UTF-8 here; bytes that are not (a file from an older Windows program)
// pass through unchanged, so a load and save never alters them.
std::optional<std::string> ansiFromUtf8(std::string_view utf8) { return std::string(utf8); }

std::string utf8FromAnsi(std::string_view ansi) { return std::string(ansi); }

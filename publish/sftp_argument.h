#pragma once
// Paths as the OpenSSH client's command reader takes them back. Each path goes inside double
// quotes, where '"' and '\' are written with a backslash and the client itself keeps '*', '?'
// and '[' from being patterns, so every command (whether it expands patterns or not) sees the
// exact name: spaces, quotes, non-ASCII letters and all. A line break or another control
// character cannot be written at all, and a command line has a length the client reads whole.

#include <optional>
#include <string>
#include <string_view>

// Longer command lines are cut in two by the client.
inline constexpr size_t kLongestSftpLine = 2000;

// `path` quoted for a command line; nothing when it holds a control character or is empty.
// A path that starts with '-' is written "./-..." so that it is never read as an option.
std::optional<std::string> sftpArgument(std::string_view path);

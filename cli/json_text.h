#pragma once
// JSON string literals for the command line's output.

#include <string>
#include <string_view>

// The text as a JSON string, quotes included: quote, backslash and control characters are
// escaped, well-formed UTF-8 is kept as it is, and each byte that is not part of well-formed
// UTF-8 becomes \ufffd, so the result is always valid JSON.
std::string jsonString(std::string_view text);

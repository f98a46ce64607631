#pragma once
// UTF-8 <-> UTF-16 conversion, portable. Ill-formed input becomes U+FFFD; nothing throws.

#include <string>
#include <string_view>

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

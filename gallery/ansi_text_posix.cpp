#include "gallery/ansi_text.h"

#include <algorithm>
#include <array>

#include "base/text_utf16.h"

namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined map to the C1 controls,
// as Windows itself maps them. Every other byte is the Unicode character of the same number.
constexpr std::array<char16_t, 32> kHighControls = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string utf8FromWindows1252(std::string_view bytes)
{
    std::u16string wide;
    wide.reserve(bytes.size());
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        wide += byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return utf16ToUtf8(wide);
}

}  // namespace

// This system's code page is unknown to the Windows that may read the file: only ASCII is
// certain to read back the same there.
std::optional<std::string> ansiFromUtf8(std::string_view utf8)
{
    if (!isAscii(utf8)) return std::nullopt;
    return std::string(utf8);
}

std::string utf8FromAnsi(std::string_view ansi)
{
    if (isValidUtf8(ansi)) return std::string(ansi);
    return utf8FromWindows1252(ansi);
}

std::u16string wideFromUtf8(std::string_view utf8) { return utf8ToUtf16KeepingBytes(utf8); }

std::string utf8FromWide(std::u16string_view units) { return utf16ToUtf8KeepingBytes(units); }

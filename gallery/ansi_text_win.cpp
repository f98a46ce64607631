#include "gallery/ansi_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "base/text_utf16.h"

namespace {

// Windows counts characters in int; longer strings cannot be converted in one call.
bool fitsInt(size_t n) { return n <= static_cast<size_t>(INT_MAX); }

std::u16string wideFromAnsi(std::string_view ansi)
{
    if (ansi.empty() || !fitsInt(ansi.size())) return {};
    const int inLength = static_cast<int>(ansi.size());
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, nullptr, 0);
    if (length <= 0) return {};
    std::u16string wide(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, reinterpret_cast<wchar_t*>(wide.data()), length);
    return wide;
}

}  // namespace

std::optional<std::string> ansiFromUtf8(std::string_view utf8)
{
    if (utf8.empty()) return std::string();
    // With UTF-8 as the system code page only ASCII is narrow: a Windows with another code
    // page, or another system, would read UTF-8 bytes as something else (and
    // WideCharToMultiByte refuses the used-default check for that page anyway).
    if (GetACP() == CP_UTF8) {
        bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii) return std::nullopt;
        return std::string(utf8);
    }

    std::u16string wide = utf8ToUtf16(utf8);
    if (!fitsInt(wide.size())) return std::nullopt;
    const auto* in = reinterpret_cast<const wchar_t*>(wide.data());
    const int inLength = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, in, inLength, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, in, inLength, ansi.data(), length, nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    // The narrow form is only used when it reads back as the very same text, on every system
    // (code page bytes that happen to be valid UTF-8 would not).
    if (utf8FromAnsi(ansi) != utf8 || utf16ToUtf8(wide) != utf8) return std::nullopt;
    return ansi;
}

std::string utf8FromAnsi(std::string_view ansi)
{
    if (isValidUtf8(ansi)) return std::string(ansi);
    return utf16ToUtf8(wideFromAnsi(ansi));
}

// Text on Windows comes from the wide APIs, so it is always well formed.
std::u16string wideFromUtf8(std::string_view utf8) { return utf8ToUtf16(utf8); }

std::string utf8FromWide(std::u16string_view units) { return utf16ToUtf8(units); }

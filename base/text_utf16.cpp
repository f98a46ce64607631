#include "base/text_utf16.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// A byte that is not part of UTF-8 travels as the lone low surrogate U+DC00 + byte.
constexpr char32_t kEscapeBase = 0xDC00;

// Decodes one code point at `i`, advancing it; rejects overlongs, surrogates and > U+10FFFF.
char32_t decodeUtf8(std::string_view s, size_t& i)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i++);
    if (lead < 0x80) return lead;
    int extra;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07u;
        minimum = 0x10000;
    } else
        return kReplacement;
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (byte(i) & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (byte(i++) & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Into std::u16string, or std::wstring where wchar_t is a UTF-16 unit.
template <typename Units> Units convertToUtf16(std::string_view utf8, bool escapeBytes)
{
    using Unit = typename Units::value_type;
    Units out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t start = i;
        char32_t cp = decodeUtf8(utf8, i);
        if (escapeBytes && cp == kReplacement && utf8.substr(start, 3) != "\xEF\xBF\xBD") {
            i = start + 1;
            cp = kEscapeBase + static_cast<unsigned char>(utf8[start]);
            out += static_cast<Unit>(cp);
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<Unit>(0xD800 + (cp >> 10));
            out += static_cast<Unit>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<Unit>(cp);
        }
    }
    return out;
}

template <typename Unit> std::string convertToUtf8(std::basic_string_view<Unit> utf16, bool escapeBytes)
{
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = static_cast<char16_t>(utf16[i]);
        const char32_t next = i + 1 < utf16.size() ? static_cast<char16_t>(utf16[i + 1]) : 0;
        if (cp >= 0xD800 && cp <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        } else if (escapeBytes && cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
            out += static_cast<char>(cp - kEscapeBase);
            continue;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        appendUtf8(out, cp);
    }
    return out;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view utf8) { return convertToUtf16<std::u16string>(utf8, false); }
std::string utf16ToUtf8(std::u16string_view utf16) { return convertToUtf8(utf16, false); }
std::u16string utf8ToUtf16KeepingBytes(std::string_view bytes) { return convertToUtf16<std::u16string>(bytes, true); }
std::string utf16ToUtf8KeepingBytes(std::u16string_view utf16) { return convertToUtf8(utf16, true); }

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit on Windows");
std::wstring utf8ToWide(std::string_view utf8) { return convertToUtf16<std::wstring>(utf8, false); }
std::string wideToUtf8(std::wstring_view wide) { return convertToUtf8(wide, false); }
#endif

bool isValidUtf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        const size_t start = i;
        // U+FFFD itself is well formed: three bytes.
        if (decodeUtf8(bytes, i) == kReplacement && bytes.substr(start, 3) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

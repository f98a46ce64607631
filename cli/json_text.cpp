#include "cli/json_text.h"

#include <cstdio>

namespace {

// Length of the well-formed UTF-8 sequence starting at `i`, or 0 (overlong forms, surrogates
// and code points past U+10FFFF are not well-formed).
size_t utf8SequenceLength(std::string_view s, size_t i)
{
    auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = at(i);
    if (lead < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - i < length) return 0;
    if (at(i + 1) < low || at(i + 1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string jsonString(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        switch (c) {
        case '"':
            out += "\\\"";
            ++i;
            continue;
        case '\\':
            out += "\\\\";
            ++i;
            continue;
        case '\n':
            out += "\\n";
            ++i;
            continue;
        case '\r':
            out += "\\r";
            ++i;
            continue;
        case '\t':
            out += "\\t";
            ++i;
            continue;
        case '\b':
            out += "\\b";
            ++i;
            continue;
        case '\f':
            out += "\\f";
            ++i;
            continue;
        default: break;
        }
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
            ++i;
            continue;
        }
        size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        out.append(text, i, length);
        i += length;
    }
    out += '"';
    return out;
}

#include "base/crypto.h"

#include <cstdlib>

Digest256 sha256(std::string_view bytes)
{
    Sha256 hash;
    hash.add(bytes);
    return hash.finish();
}

std::string hexDigest(const Digest256& digest)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(64);
    for (uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::string hkdfSha256(std::string_view key, std::string_view salt, std::string_view info, size_t length)
{
    if (length > 255 * 32) std::abort();
    const std::string prk = digestBytes(hmacSha256(salt.empty() ? std::string(32, '\0') : std::string(salt), key));
    std::string out;
    std::string block;  // T(i-1)
    for (unsigned char i = 1; out.size() < length; ++i) {
        block = digestBytes(hmacSha256(prk, block + std::string(info) + static_cast<char>(i)));
        out += block;
    }
    out.resize(length);
    return out;
}

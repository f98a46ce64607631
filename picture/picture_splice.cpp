#include "picture/picture_splice.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t crc32Of(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32be(std::vector<uint8_t>& out, uint32_t v)
{
    for (int k = 3; k >= 0; --k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

uint32_t get32be(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, data.size() - at);
        const bool last = at + n == data.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n & 0xFF));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n & 0xFF));
        z.push_back(static_cast<uint8_t>((~n >> 8) & 0xFF));
        z.insert(z.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < data.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32be(z, (b << 16) | a);
    return z;
}

}  // namespace

bool pngHasChunk(const uint8_t* data, size_t size, const char* type)
{
    if (!data || size < 8 || std::memcmp(data, kPngSignature, 8) != 0) return false;
    size_t pos = 8;
    while (size - pos >= 12) {
        const uint32_t length = get32be(data + pos);
        if (std::memcmp(data + pos + 4, type, 4) == 0) return true;
        if (length > size - pos - 12) return false;
        pos += 12 + static_cast<size_t>(length);
    }
    return false;
}

bool insertPngIccProfile(const std::vector<uint8_t>& png, const std::vector<uint8_t>& icc, std::vector<uint8_t>& out)
{
    constexpr size_t kAfterIhdr = 8 + 12 + 13;
    if (png.size() < kAfterIhdr || std::memcmp(png.data(), kPngSignature, 8) != 0 ||
        std::memcmp(png.data() + 12, "IHDR", 4) != 0 || get32be(png.data() + 8) != 13 ||
        pngHasChunk(png.data(), png.size(), "iCCP") || icc.empty())
        return false;
    // Type, profile name with its NUL, compression method 0 (deflate), the zlib stream.
    static constexpr char kHead[] = "iCCPICC Profile\0";
    const std::vector<uint8_t> z = storedZlib(icc);
    std::vector<uint8_t> chunk(sizeof kHead + z.size());
    std::copy(kHead, kHead + sizeof kHead, chunk.begin());
    std::copy(z.begin(), z.end(), chunk.begin() + sizeof kHead);
    if (chunk.size() - 4 > 0x7FFFFFFFu) return false;
    out.clear();
    out.reserve(png.size() + chunk.size() + 8);
    out.insert(out.end(), png.begin(), png.begin() + kAfterIhdr);
    put32be(out, static_cast<uint32_t>(chunk.size() - 4));
    out.insert(out.end(), chunk.begin(), chunk.end());
    put32be(out, crc32Of(chunk.data(), chunk.size()));
    out.insert(out.end(), png.begin() + kAfterIhdr, png.end());
    return true;
}

bool insertGifTransparency(const std::vector<uint8_t>& gif, int index, std::vector<uint8_t>& out)
{
    if (index < 0 || index > 255 || gif.size() < 13 || std::memcmp(gif.data(), "GIF8", 4) != 0) return false;
    size_t pos = 13;
    const uint8_t flags = gif[10];
    if (flags & 0x80) pos += 3 * (size_t{2} << (flags & 7));  // global colour table
    while (pos < gif.size()) {
        if (gif[pos] == 0x2C) break;  // image descriptor
        if (gif[pos] != 0x21 || pos + 1 >= gif.size()) return false;
        if (gif[pos + 1] == 0xF9) return false;  // it has one
        pos += 2;
        while (pos < gif.size() && gif[pos] != 0) pos += 1 + size_t{gif[pos]};  // sub-blocks
        ++pos;
    }
    if (pos >= gif.size()) return false;
    out.assign(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(pos));
    std::memcpy(out.data() + 3, "89a", 3);
    const uint8_t extension[] = {0x21, 0xF9, 4, 0x01, 0, 0, static_cast<uint8_t>(index), 0};
    out.insert(out.end(), extension, extension + sizeof extension);
    out.insert(out.end(), gif.begin() + static_cast<std::ptrdiff_t>(pos), gif.end());
    return true;
}

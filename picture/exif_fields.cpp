#include "picture/exif_fields.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMostText = 128;
constexpr uint16_t kAscii = 2, kShort = 3, kLong = 4, kRational = 5;

struct Tiff {
    const uint8_t* data;
    size_t size;
    bool bigEndian = false;

    bool u16(size_t at, uint16_t& v) const
    {
        if (at > size || size - at < 2) return false;
        v = bigEndian ? static_cast<uint16_t>((data[at] << 8) | data[at + 1])
                      : static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
        return true;
    }
    bool u32(size_t at, uint32_t& v) const
    {
        uint16_t a = 0, b = 0;
        if (!u16(at, a) || !u16(at + 2, b)) return false;
        v = bigEndian ? (static_cast<uint32_t>(a) << 16) | b : (static_cast<uint32_t>(b) << 16) | a;
        return true;
    }
};

// One directory entry: its tag, type, count and where its values are (in the entry when they fit
// in four bytes, else at the offset it holds).
struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    size_t values = 0;
};

size_t typeSize(uint16_t type)
{
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7: return 1;
    case 3:
    case 8: return 2;
    case 4:
    case 9:
    case 11: return 4;
    case 5:
    case 10:
    case 12: return 8;
    default: return 0;
    }
}

bool valuesOf(const Tiff& t, size_t at, Entry& e)
{
    if (!t.u16(at, e.tag) || !t.u16(at + 2, e.type) || !t.u32(at + 4, e.count)) return false;
    const uint64_t bytes = uint64_t{typeSize(e.type)} * e.count;
    if (bytes == 0) return false;
    if (bytes <= 4) {
        e.values = at + 8;
    } else {
        uint32_t offset = 0;
        if (!t.u32(at + 8, offset)) return false;
        e.values = offset;
    }
    return e.values <= t.size && t.size - e.values >= bytes;
}

// Calls visit(entry) for each entry of the directory at `ifd` that holds together.
template <typename Visit> void walk(const Tiff& t, uint32_t ifd, Visit visit)
{
    uint16_t entries = 0;
    if (!t.u16(ifd, entries)) return;
    for (uint32_t i = 0; i < entries; ++i) {
        Entry e;
        if (valuesOf(t, static_cast<size_t>(ifd) + 2 + static_cast<size_t>(i) * 12, e)) visit(e);
    }
}

// Printable characters of valid UTF-8 only, cut at a character's end; trailing spaces dropped.
std::string text(const Tiff& t, const Entry& e)
{
    if (e.type != kAscii) return {};
    std::string out;
    const uint8_t* p = t.data + e.values;
    for (size_t i = 0; i < e.count && p[i] != 0 && out.size() < kMostText;) {
        const uint8_t c = p[i];
        size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= e.count && out.size() + length <= kMostText;
        for (size_t k = 1; valid && k < length; ++k) valid = (p[i + k] & 0xC0) == 0x80;
        if (length == 2 && c < 0xC2) valid = false;  // overlong
        if (valid && (length > 1 || c >= 0x20) && c != 0x7F) out.append(reinterpret_cast<const char*>(p + i), length);
        i += valid ? length : 1;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

bool rational(const Tiff& t, const Entry& e, size_t index, uint32_t& numerator, uint32_t& denominator)
{
    if (e.type != kRational || index >= e.count) return false;
    return t.u32(e.values + index * 8, numerator) && t.u32(e.values + index * 8 + 4, denominator) && denominator != 0;
}

double decimal(const Tiff& t, const Entry& e)
{
    uint32_t n = 0, d = 0;
    return rational(t, e, 0, n, d) ? static_cast<double>(n) / d : 0;
}

uint32_t integer(const Tiff& t, const Entry& e)
{
    uint16_t s = 0;
    uint32_t l = 0;
    if (e.type == kShort && t.u16(e.values, s)) return s;
    if (e.type == kLong && t.u32(e.values, l)) return l;
    return 0;
}

// Degrees from three rationals (degrees, minutes, seconds); false when they do not hold together.
bool degrees(const Tiff& t, const Entry& e, double& out)
{
    if (e.count < 3) return false;
    out = 0;
    double unit = 1;
    for (size_t i = 0; i < 3; ++i, unit *= 60) {
        uint32_t n = 0, d = 0;
        if (!rational(t, e, i, n, d)) return false;
        out += static_cast<double>(n) / d / unit;
    }
    return std::isfinite(out);
}

}  // namespace

ExifFields exifFieldsFromTiff(const uint8_t* data, size_t size)
{
    ExifFields f;
    if (!data || size < 8) return f;
    Tiff t{data, size};
    if (data[0] == 'M' && data[1] == 'M')
        t.bigEndian = true;
    else if (!(data[0] == 'I' && data[1] == 'I'))
        return f;
    uint16_t magic = 0;
    uint32_t ifd0 = 0;
    if (!t.u16(2, magic) || magic != 42 || !t.u32(4, ifd0)) return f;

    uint32_t exifIfd = 0, gpsIfd = 0;
    std::string changed;
    walk(t, ifd0, [&](const Entry& e) {
        switch (e.tag) {
        case 0x010F: f.make = text(t, e); break;
        case 0x0110: f.model = text(t, e); break;
        case 0x0132: changed = text(t, e); break;
        case 0x8769: exifIfd = integer(t, e); break;
        case 0x8825: gpsIfd = integer(t, e); break;
        default: break;
        }
    });
    // A directory that points at the first one again is read once, not in a loop.
    if (exifIfd != 0 && exifIfd != ifd0) {
        walk(t, exifIfd, [&](const Entry& e) {
            switch (e.tag) {
            case 0x829A: rational(t, e, 0, f.exposureNumerator, f.exposureDenominator); break;
            case 0x829D: f.fNumber = decimal(t, e); break;
            case 0x8827: f.iso = integer(t, e); break;
            case 0x9003: f.taken = text(t, e); break;
            case 0x920A: f.focalLength = decimal(t, e); break;
            case 0xA434: f.lens = text(t, e); break;
            default: break;
            }
        });
    }
    if (f.taken.empty()) f.taken = changed;
    if (f.exposureNumerator == 0) f.exposureDenominator = 0;

    if (gpsIfd != 0 && gpsIfd != ifd0 && gpsIfd != exifIfd) {
        std::string north, east;
        double latitude = 0, longitude = 0;
        bool haveLatitude = false, haveLongitude = false;
        walk(t, gpsIfd, [&](const Entry& e) {
            switch (e.tag) {
            case 1: north = text(t, e); break;
            case 2: haveLatitude = degrees(t, e, latitude); break;
            case 3: east = text(t, e); break;
            case 4: haveLongitude = degrees(t, e, longitude); break;
            default: break;
            }
        });
        if (haveLatitude && haveLongitude && (north == "N" || north == "S") && (east == "E" || east == "W") &&
            latitude <= 90 && longitude <= 180) {
            f.located = true;
            f.latitude = north == "S" ? -latitude : latitude;
            f.longitude = east == "W" ? -longitude : longitude;
        }
    }
    return f;
}

ExifFields exifFieldsFromFile(const uint8_t* data, size_t size)
{
    if (!data || size < 4) return {};
    if (data[0] == 0xFF && data[1] == 0xD8) {
        // The segments before the first scan; the EXIF one is an APP1 that starts "Exif\0\0".
        size_t at = 2;
        while (at + 4 <= size && data[at] == 0xFF) {
            const uint8_t marker = data[at + 1];
            if (marker == 0xFF) {  // fill bytes
                ++at;
                continue;
            }
            if (marker == 0xDA || marker == 0xD9) break;
            const size_t length = (static_cast<size_t>(data[at + 2]) << 8) | data[at + 3];
            if (length < 2 || at + 2 + length > size) break;
            const uint8_t* body = data + at + 4;
            const size_t bodySize = length - 2;
            if (marker == 0xE1 && bodySize >= 6 && std::equal(body, body + 6, "Exif\0\0"))
                return exifFieldsFromTiff(body + 6, bodySize - 6);
            at += 2 + length;
        }
        return {};
    }
    if ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')) return exifFieldsFromTiff(data, size);
    return {};
}

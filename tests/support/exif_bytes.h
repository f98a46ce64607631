#pragma once
// EXIF data built by hand for the tests: a TIFF structure with the directories a camera writes
// (the first, the EXIF one and the GPS one), and a JPEG's APP1 segment around it.

#include <cstdint>
#include <string>
#include <vector>

namespace exif_test {

struct Field {
    uint16_t tag;
    uint16_t type;                 // 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL
    std::vector<uint32_t> values;  // numbers; a RATIONAL takes two each
    std::string text;              // for ASCII, without the terminating zero
};

// Little-endian unless bigEndian. The first directory gets `first` and, when the others are not
// empty, the pointers to them.
inline std::string tiffWith(const std::vector<Field>& first, const std::vector<Field>& exif,
                            const std::vector<Field>& gps, bool bigEndian = false)
{
    std::string out;
    auto put = [&](uint64_t v, int bytes, std::string& to) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            to += static_cast<char>((v >> shift) & 0xFF);
        }
    };
    out += bigEndian ? "MM" : "II";
    put(42, 2, out);
    put(8, 4, out);
    std::vector<Field> ifd0 = first;
    if (!exif.empty()) ifd0.push_back({0x8769, 4, {0}, {}});
    if (!gps.empty()) ifd0.push_back({0x8825, 4, {0}, {}});
    // Directories one after another, each followed by its values that do not fit in an entry.
    const std::vector<const std::vector<Field>*> dirs = {&ifd0, &exif, &gps};
    std::vector<size_t> starts(3, 0);
    std::vector<std::pair<size_t, size_t>> pointers;  // entry value position, directory index
    for (size_t d = 0; d < 3; ++d) {
        const std::vector<Field>& dir = *dirs[d];
        if (dir.empty()) continue;
        starts[d] = out.size();
        put(dir.size(), 2, out);
        std::string extra;
        const size_t extraAt = out.size() + dir.size() * 12 + 4;
        for (const Field& f : dir) {
            put(f.tag, 2, out);
            put(f.type, 2, out);
            std::string value;
            uint32_t count = 0;
            if (f.type == 2) {
                value = f.text + '\0';
                count = static_cast<uint32_t>(value.size());
            } else {
                for (uint32_t v : f.values) put(v, f.type == 3 ? 2 : 4, value);
                count = static_cast<uint32_t>(f.type == 5 ? f.values.size() / 2 : f.values.size());
            }
            put(count, 4, out);
            if (f.tag == 0x8769) pointers.push_back({out.size(), 1});
            if (f.tag == 0x8825) pointers.push_back({out.size(), 2});
            if (value.size() <= 4) {
                value.resize(4, '\0');
                out += value;
            } else {
                put(extraAt + extra.size(), 4, out);
                extra += value;
            }
        }
        put(0, 4, out);
        out += extra;
    }
    for (const auto& [at, d] : pointers) {
        std::string value;
        put(starts[d], 4, value);
        out.replace(at, 4, value);
    }
    return out;
}

// A JPEG's APP1 segment holding the structure, to splice in after the picture's SOI.
inline std::string exifSegment(const std::string& tiff)
{
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    const size_t length = body.size() + 2;
    return std::string("\xFF\xE1") + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) + body;
}

// The fields of a camera that wrote everything, at 52.5 N, 13.25 E.
inline std::string cameraTiff(bool bigEndian = false)
{
    return tiffWith(
        {{0x010F, 2, {}, "Canon"}, {0x0110, 2, {}, "Canon EOS 5D Mark IV"}},
        {{0x829A, 5, {1, 250}, {}},
         {0x829D, 5, {28, 10}, {}},
         {0x8827, 3, {200}, {}},
         {0x9003, 2, {}, "2024:05:12 14:03:07"},
         {0x920A, 5, {35, 1}, {}},
         {0xA434, 2, {}, "EF24-70mm f/2.8L II USM"}},
        {{1, 2, {}, "N"}, {2, 5, {52, 1, 30, 1, 0, 1}, {}}, {3, 2, {}, "E"}, {4, 5, {13, 1, 15, 1, 0, 1}, {}}},
        bigEndian);
}

}  // namespace exif_test

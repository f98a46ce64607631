#include "generator/camera_details.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/file_system.h"
#include "generator/html_text.h"

namespace {

// A JPEG's EXIF segment comes first and holds at most 64 KB; a TIFF's directories are read as
// far as this reaches.
constexpr size_t kHeadBytes = 256 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string number(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    return out;
}

// The camera as people name it: the model, with the maker first unless the model names it.
std::string camera(const ExifFields& f)
{
    if (f.model.empty()) return f.make;
    if (f.make.empty()) return f.model;
    const std::string maker = f.make.substr(0, f.make.find(' '));
    if (f.model.size() >= maker.size()) {
        bool named = true;
        for (size_t i = 0; i < maker.size() && named; ++i)
            named = std::tolower(static_cast<unsigned char>(f.model[i])) ==
                    std::tolower(static_cast<unsigned char>(maker[i]));
        if (named) return f.model;
    }
    return f.make + " " + f.model;
}

std::string exposure(const ExifFields& f)
{
    if (f.exposureDenominator == 0) return {};
    const double seconds = static_cast<double>(f.exposureNumerator) / f.exposureDenominator;
    if (seconds >= 0.3) return number(seconds, 1) + " s";
    return "1/" + number(std::round(1 / seconds), 0) + " s";
}

// "2024:05:12 14:03:07" as "2024-05-12 14:03"; nothing for a stamp that is not one.
std::string when(const std::string& taken, bool machine)
{
    if (taken.size() < 16 || taken[4] != ':' || taken[7] != ':' || taken[10] != ' ' || taken[13] != ':') return {};
    for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u, 12u, 14u, 15u})
        if (!std::isdigit(static_cast<unsigned char>(taken[i]))) return {};
    if (taken.compare(0, 4, "0000") == 0) return {};
    std::string date = taken.substr(0, 4) + "-" + taken.substr(5, 2) + "-" + taken.substr(8, 2);
    return date + (machine ? "T" : " ") + taken.substr(11, 5);
}

struct Item {
    const char* name;
    std::string value;
};

std::vector<Item> items(const ExifFields& f)
{
    std::vector<Item> out;
    auto add = [&out](const char* name, std::string value) {
        if (!value.empty()) out.push_back({name, std::move(value)});
    };
    add("Camera", camera(f));
    add("Lens", f.lens);
    add("Focal length", f.focalLength > 0 && std::isfinite(f.focalLength)
                            ? number(f.focalLength, f.focalLength < 10 ? 1 : 0) + " mm"
                            : std::string());
    add("Exposure", exposure(f));
    add("Aperture", f.fNumber > 0 && std::isfinite(f.fNumber) ? "f/" + number(f.fNumber, 1) : std::string());
    add("ISO", f.iso > 0 ? std::to_string(f.iso) : std::string());
    add("Taken", when(f.taken, false));
    return out;
}

}  // namespace

ExifFields readCameraDetails(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(openRegularFile(path));
    if (!file) return {};
    std::vector<uint8_t> head(kHeadBytes);
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    return exifFieldsFromFile(head.data(), head.size());
}

std::string cameraDetailsLine(const ExifFields& fields)
{
    std::string out;
    for (const Item& item : items(fields)) {
        if (!out.empty()) out += " \xC2\xB7 ";
        out += std::string(item.name) == "ISO" ? "ISO " + item.value : item.value;
    }
    return out;
}

std::string cameraDetailsBlock(const ExifFields& fields)
{
    const std::vector<Item> list = items(fields);
    if (list.empty()) return {};
    std::string out = "<dl class=\"exif\">";
    for (const Item& item : list) {
        std::string value = escapedText(item.value);
        if (std::string(item.name) == "Taken")
            value = "<time datetime=\"" + when(fields.taken, true) + "\">" + value + "</time>";
        out += std::string("<dt>") + item.name + "</dt><dd>" + value + "</dd>";
    }
    return out + "</dl>";
}

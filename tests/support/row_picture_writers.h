#pragma once
// Large test pictures written a row at a time with libjpeg-turbo and libpng, so that neither the
// tests nor the benchmarks ever hold them whole (Linux only).

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace row_writers {

// Fills row y: width x components bytes.
using RowFill = std::function<void(uint8_t* row, uint32_t y)>;

struct JpegLayout {
    int components = 3;
    J_COLOR_SPACE space = JCS_RGB;
    int quality = 90;
    bool progressive = false;
};

inline bool writeJpeg(const std::string& path, uint32_t width, uint32_t height, const JpegLayout& layout,
                      const RowFill& fill)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = width;
    c.image_height = height;
    c.input_components = layout.components;
    c.in_color_space = layout.space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, layout.quality, TRUE);
    if (layout.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t{width} * static_cast<size_t>(layout.components));
    for (uint32_t y = 0; y < height; ++y) {
        fill(row.data(), y);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

// 8-bit RGB, fastest compression.
inline bool writePng(const std::string& path, uint32_t width, uint32_t height, const RowFill& fill)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t{width} * 3);
    for (uint32_t y = 0; y < height; ++y) {
        fill(row.data(), y);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace row_writers

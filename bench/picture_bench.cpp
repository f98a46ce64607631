// Speed of the picture path of a gallery build, against libjpeg-turbo's own full-size decode.
//
// Makes photo-like JPEGs of 12 to 24 megapixels (some turned by EXIF) in a temporary folder,
// then times, single-threaded, in the same run:
//   (a) reference: read the file and decode it at full size with libjpeg-turbo alone;
//   (b) the whole-picture photo path: Load with a size hint, fit into 1024 x 768, save the JPEG,
//       narrow to 150 wide, save the thumbnail;
//   (c) the build's path now: the same sizes from one decode by rows (picture_stream.h).
// It also measures the resampler alone (shrinking by 4) and the peak memory of a hinted load
// of a 50-megapixel JPEG. Nothing is kept: the folder is removed at the end.
//   picture_bench [REPEATS]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "picture/picture.h"
#include "picture/picture_stream.h"
#include "picture/resample.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Smooth gradients, a soft vignette, sensor-like noise and some hard detail.
CPicture photoLike(uint32_t w, uint32_t h, uint32_t seed)
{
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    std::mt19937 rng(seed);
    for (uint32_t y = 0; y < h; ++y) {
        const double fy = static_cast<double>(y) / h;
        for (uint32_t x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / w;
            const double vignette = 1.0 - 0.5 * ((fx - 0.5) * (fx - 0.5) + (fy - 0.5) * (fy - 0.5));
            const bool detail = ((x / 3 + y / 5) % 41 == 0) || (std::sin(fx * 60) * std::cos(fy * 40) > 0.97);
            const int noise = static_cast<int>(rng() % 13) - 6;
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            const double base[3] = {60 + 120 * fx, 80 + 100 * fy, 200 - 150 * fx * fy};
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(std::clamp(detail ? 250.0 : base[c] * vignette + noise, 0.0, 255.0));
            p[3] = 255;
        }
    }
    CPicture pic;
    pic.setPixels(w, h, std::move(px));
    return pic;
}

// An APP1 EXIF segment with only the orientation tag, spliced in after SOI.
void addOrientation(std::vector<uint8_t>& jpeg, int orientation)
{
    const std::vector<uint8_t> segment = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0,
                                          'M',  'M',  0, 42, 0,   0,   0,   8,   0, 1,
                                          0x01, 0x12, 0, 3,  0,   0,   0,   1,   0, static_cast<uint8_t>(orientation),
                                          0,    0,    0, 0,  0,   0};
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
        std::fclose(f);
    }
    return bytes;
}

// (a) libjpeg-turbo alone: the file read and decoded at full size into BGRA.
size_t referenceDecode(const std::string& path)
{
    const std::vector<uint8_t> bytes = readFile(path);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    std::vector<uint8_t> px(static_cast<size_t>(cinfo.output_width) * cinfo.output_height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = px.data() + static_cast<size_t>(cinfo.output_scanline) * cinfo.output_width * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return px.size();
}

// (b) what the build does with one photo (photo size 1024 x 768, thumbnails 150 wide).
bool photoPath(const std::string& path, const std::string& photoOut, const std::string& thumbOut)
{
    CPicture pic;
    if (!pic.Load(path, 0, PictureSizeHint::fitInto(1024, 768))) return false;
    uint32_t w = pic.GetWidth(), h = pic.GetHeight();
    if (w > 1024) {
        if (!pic.Resample2(1024, h * 1024 / w)) return false;
        w = pic.GetWidth(), h = pic.GetHeight();
    }
    if (h > 768 && !pic.Resample2(w * 768 / h, 768)) return false;
    if (!pic.Save(photoOut, kFormatJpeg)) return false;
    w = pic.GetWidth(), h = pic.GetHeight();
    if (w > 150 && !pic.Resample2(150, h * 150 / w)) return false;
    return pic.Save(thumbOut, kFormatJpeg);
}

// (c) the same made as the build makes it now: one decode by rows for both sizes.
bool streamedPath(const std::string& path, const std::string& photoOut, const std::string& thumbOut)
{
    PictureStreamRequest request;
    request.hint = PictureSizeHint::fitInto(1024, 768);
    request.plan = [](uint32_t w, uint32_t h) {
        if (w > 1024) h = h * 1024 / w, w = 1024;
        if (h > 768) w = w * 768 / h, h = 768;
        std::vector<PictureStreamOutput> sizes{{w, h, -1}};
        if (w > 150) sizes.push_back({150, h * 150 / w, 0});
        return sizes;
    };
    std::vector<std::vector<uint8_t>> out;
    if (streamPictureFile(path, request, out) != PictureStreamResult::Made) return false;
    return writeFile(photoOut, out[0]) && writeFile(thumbOut, out.size() > 1 ? out[1] : out[0]);
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv)
{
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("picture-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    struct Sample {
        uint32_t w, h;
        int orientation;
    };
    const Sample samples[] = {{4000, 3000, 1}, {3456, 4608, 1}, {5472, 3648, 6}, {6000, 4000, 1}, {4000, 6000, 8}};
    std::vector<std::string> files;
    std::printf("Making %zu photo-like JPEGs in %s\n", std::size(samples), dir.c_str());
    for (size_t i = 0; i < std::size(samples); ++i) {
        const Sample& s = samples[i];
        std::vector<uint8_t> bytes;
        if (!photoLike(s.w, s.h, static_cast<uint32_t>(i + 1)).saveMemory(bytes, kFormatJpeg)) return 1;
        if (s.orientation != 1) addOrientation(bytes, s.orientation);
        files.push_back((dir / ("photo" + std::to_string(i) + ".jpg")).string());
        if (!writeFile(files.back(), bytes)) return 1;
        std::printf("  %-10s %5u x %-5u %5.1f MP  orientation %d  %7.1f KB\n", ("photo" + std::to_string(i)).c_str(),
                    s.w, s.h, s.w * double(s.h) / 1e6, s.orientation, static_cast<double>(bytes.size()) / 1024.0);
    }

    // Best of the repeats for each file, so that a busy neighbour on the machine counts less.
    double totalA = 0, totalB = 0, totalC = 0;
    std::printf("\n%-10s %12s %12s %12s %8s %8s\n", "file", "(a) ref ms", "(b) whole ms", "(c) rows ms", "b / a",
                "c / a");
    for (size_t i = 0; i < files.size(); ++i) {
        double bestA = 1e9, bestB = 1e9, bestC = 1e9;
        for (int r = 0; r < repeats; ++r) {
            auto t = Clock::now();
            if (!referenceDecode(files[i])) return 1;
            bestA = std::min(bestA, secondsSince(t));
            t = Clock::now();
            if (!photoPath(files[i], (dir / "photo.jpg").string(), (dir / "thumb.jpg").string())) return 1;
            bestB = std::min(bestB, secondsSince(t));
            t = Clock::now();
            if (!streamedPath(files[i], (dir / "photo.jpg").string(), (dir / "thumb.jpg").string())) return 1;
            bestC = std::min(bestC, secondsSince(t));
        }
        totalA += bestA, totalB += bestB, totalC += bestC;
        std::printf("photo%-5zu %12.1f %12.1f %12.1f %8.2f %8.2f\n", i, bestA * 1e3, bestB * 1e3, bestC * 1e3,
                    bestB / bestA, bestC / bestA);
    }
    std::printf("%-10s %12.1f %12.1f %12.1f %8.2f %8.2f   (target: at most 1.30; rows against whole: %.2f)\n", "all",
                totalA * 1e3, totalB * 1e3, totalC * 1e3, totalB / totalA, totalC / totalA, totalC / totalB);

    // The resampler alone, shrinking a 24-megapixel picture by 4 on each side.
    for (bool alpha : {false, true}) {
        CPicture big = photoLike(6000, 4000, 99);
        if (alpha) {
            std::vector<uint8_t> px(big.bits(), big.bits() + size_t{6000} * 4000 * 4);
            for (size_t k = 3; k < px.size(); k += 4 * 7) px[k] = 128;
            big.setPixels(6000, 4000, std::move(px));
        }
        std::vector<uint8_t> out(size_t{1500} * 1000 * 4);
        double best = 1e9;
        for (int r = 0; r < repeats; ++r) {
            const auto t = Clock::now();
            resampleBgra(big.bits(), 6000, 4000, out.data(), 1500, 1000, true, big.hasAlpha());
            best = std::min(best, secondsSince(t));
        }
        std::printf(
            "\nresampler, 6000 x 4000 -> 1500 x 1000%s: %.1f ms, %.0f megapixels of input per second "
            "(target: at least 150)",
            alpha ? " with alpha" : "", best * 1e3, 24.0 / best);
    }
    std::printf("\n");

    // Memory: a hinted load of a 50-megapixel JPEG in a fresh process, so that its peak is its own.
    const std::string huge = (dir / "huge.jpg").string();
    {
        std::vector<uint8_t> bytes;
        if (!photoLike(8660, 5774, 5).saveMemory(bytes, kFormatJpeg) || !writeFile(huge, bytes)) return 1;
    }
    std::fflush(stdout);  // else the child would print the parent's buffered lines again
    if (const pid_t child = fork(); child == 0) {
        const long start = peakKilobytes();
        const bool ok = streamedPath(huge, (dir / "photo.jpg").string(), (dir / "thumb.jpg").string());
        const double fullMb = 8660.0 * 5774 * 4 / 1048576.0;
        std::printf(
            "\n50 MP JPEG (8660 x 5774) through the photo path by rows: peak memory grew by %.1f MB; its "
            "full-size pixels would take %.1f MB%s\n",
            static_cast<double>(peakKilobytes() - start) / 1024.0, fullMb, ok ? "" : " (FAILED)");
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    } else if (child > 0) {
        int status = 0;
        waitpid(child, &status, 0);
    }
    std::filesystem::remove_all(dir);
    return 0;
}

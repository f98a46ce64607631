// Memory of a gallery build of very large pictures: peak resident set per picture worker.
//
// Writes, a row at a time in a child process, 4 PNG and 4 JPEG pictures of 8000 x 8000, a JPEG of
// 12 megapixels and a 20000 x 10000 panorama (200 megapixels), then builds galleries of them, each
// build in a child process of its own, and reports the child's peak resident set:
//   (a) a build of one small picture: what a build holds without pictures (the base);
//   (b) the eight 8000 x 8000 pictures, photos fitted into 1024 x 768, with 1 and with 2 workers;
//   (c) the 12 MP picture and the panorama alone, fitted: the memory must not grow with the size;
//   (d) the panorama at its original size, with 1 and 2 workers.
// Per worker is (peak - base) / workers. Targets: at most 64 MB a worker, and (c) within 10 %.
// Nothing is kept: the folder is removed at the end.
//   stream_memory_bench

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/silent_observer.h"
#include "generator/site_builder.h"
#include "support/row_picture_writers.h"

namespace {

using Clock = std::chrono::steady_clock;
const row_writers::JpegLayout kJpeg{3, JCS_RGB, 92, false};

// Sky, ground with texture and sensor noise: about the entropy of a real photograph.
void photoRow(uint8_t* rgb, uint32_t width, uint32_t height, uint32_t y, std::minstd_rand& rng)
{
    const uint32_t horizon = height * 11 / 20;
    for (uint32_t x = 0; x < width; ++x) {
        const int noise = static_cast<int>(rng() % 17) - 8;
        int r, g, b;
        if (y < horizon) {
            const int t = static_cast<int>(uint64_t{y} * 255 / horizon);
            r = 90 + t / 2, g = 150 + t / 3, b = 230 - t / 4;
        } else {
            const int texture = static_cast<int>(((x * 7 + y * 3) ^ (x / 5 * y / 7)) & 63);
            r = 60 + texture, g = 80 + texture, b = 40 + texture / 2;
        }
        rgb[x * 3] = static_cast<uint8_t>(std::clamp(r + noise, 0, 255));
        rgb[x * 3 + 1] = static_cast<uint8_t>(std::clamp(g + noise, 0, 255));
        rgb[x * 3 + 2] = static_cast<uint8_t>(std::clamp(b + noise, 0, 255));
    }
}

row_writers::RowFill photoRows(uint32_t width, uint32_t height, uint32_t seed)
{
    return [width, height, rng = std::minstd_rand(seed)](uint8_t* row, uint32_t y) mutable {
        photoRow(row, width, height, y, rng);
    };
}

struct Run {
    double seconds = 0;
    double peakMb = 0;
    bool ok = false;
};

// Runs `body` in a child process; its exit status 0 is success. The peak comes from the kernel.
Run inChild(const std::function<bool()>& body)
{
    std::fflush(nullptr);
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) _exit(body() ? 0 : 1);
    Run run;
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

Run build(const std::vector<std::string>& pictures, const std::filesystem::path& out, int32_t photoSize, unsigned jobs)
{
    return inChild([&] {
        CBuilderDoc doc;
        doc.galleryTitle = "Bench";
        doc.outputFolder = out.string();
        doc.photoSize = photoSize;
        std::filesystem::create_directories(out);
        doc.insertAlbum(Album{"A", "", 1}, AlbumPosition::Bottom);
        for (const std::string& p : pictures) doc.appendImage(Image{p, 1, 0, ""});
        BuildOptions options;
        options.jobs = jobs;
        options.templateRoot = FOTOLOOM_THEMES;
        Silent observer;
        const BuildResult r = BuildGallery(doc, observer, options);
        return r.succeeded() && r.picturesMade == pictures.size();
    });
}

}  // namespace

int main()
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("fotoloom-memory-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    std::vector<std::string> square;
    for (int i = 0; i < 8; ++i)
        square.push_back((root / ("square-" + std::to_string(i) + (i < 4 ? ".png" : ".jpg"))).string());
    const std::string small = (root / "small.jpg").string();
    const std::string twelve = (root / "twelve.jpg").string();
    const std::string panorama = (root / "panorama.jpg").string();
    std::printf("writing 4 PNG and 4 JPEG of 8000 x 8000, 12 MP and a 20000 x 10000 panorama in %s ...\n",
                root.c_str());
    const Run made = inChild([&] {
        for (int i = 0; i < 8; ++i) {
            const std::string& path = square[static_cast<size_t>(i)];
            const auto rows = photoRows(8000, 8000, static_cast<uint32_t>(i + 1));
            const bool ok = i < 4 ? row_writers::writePng(path, 8000, 8000, rows)
                                  : row_writers::writeJpeg(path, 8000, 8000, kJpeg, rows);
            if (!ok) return false;
        }
        return row_writers::writeJpeg(small, 320, 240, kJpeg, photoRows(320, 240, 9)) &&
               row_writers::writeJpeg(twelve, 4240, 2832, kJpeg, photoRows(4240, 2832, 10)) &&
               row_writers::writeJpeg(panorama, 20000, 10000, kJpeg, photoRows(20000, 10000, 11));
    });
    if (!made.ok) {
        std::fprintf(stderr, "stream_memory_bench: cannot write the pictures in %s\n", root.c_str());
        return 1;
    }

    int n = 0;
    auto out = [&] { return root / ("out-" + std::to_string(n++)); };
    const Run base = build({small}, out(), 3, 1);
    struct Line {
        const char* what;
        unsigned jobs;
        Run run;
    };
    std::vector<Line> lines = {
        {"8 x 8000x8000 (4 PNG, 4 JPEG), fitted", 1, build(square, out(), 3, 1)},
        {"8 x 8000x8000 (4 PNG, 4 JPEG), fitted", 2, build(square, out(), 3, 2)},
        {"12 MP JPEG alone, fitted", 1, build({twelve}, out(), 3, 1)},
        {"200 MP panorama alone, fitted", 1, build({panorama}, out(), 3, 1)},
        {"200 MP panorama, original size", 1, build({panorama}, out(), 6, 1)},
        {"200 MP panorama twice, original size", 2, build({panorama, panorama}, out(), 6, 2)},
    };
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);

    std::printf("\n%-40s %5s %8s %8s %13s %8s\n", "", "jobs", "seconds", "peak MB", "MB per worker", "target");
    std::printf("%-40s %5u %8.2f %8.1f %13s\n", "one 320x240 picture (the base)", 1u, base.seconds, base.peakMb, "");
    bool met = base.ok;
    for (const Line& l : lines) {
        const double perWorker = (l.run.peakMb - base.peakMb) / l.jobs;
        const bool ok = l.run.ok && perWorker <= 64.0;
        std::printf("%-40s %5u %8.2f %8.1f %13.1f %8s  %s\n", l.what, l.jobs, l.run.seconds, l.run.peakMb, perWorker,
                    "<= 64", l.run.ok ? (ok ? "met" : "MISSED") : "FAILED");
        met = met && ok;
    }
    const double grow12 = lines[2].run.peakMb - base.peakMb;
    const double grow200 = lines[3].run.peakMb - base.peakMb;
    const double spread = (lines[3].run.peakMb - lines[2].run.peakMb) / lines[2].run.peakMb * 100;
    std::printf(
        "\npeak of the 200 MP picture against the 12 MP one: %+.1f %% (%.1f MB above the base against %.1f "
        "MB; target within 10 %%) %s\n",
        spread, grow200, grow12, std::abs(spread) <= 10 ? "met" : "MISSED");
    met = met && std::abs(spread) <= 10;
    return met ? 0 : 3;
}

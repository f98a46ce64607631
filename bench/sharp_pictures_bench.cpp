// What sharp pictures cost: the same gallery built with a theme that asks for high-density files
// (%SHARPPICTURES%: a second photo and thumbnail twice as large) and with the same theme without
// them, in the same run, alternating, the fastest of REPEATS counting. Goal: at most 1.6 x the
// time, since one decode feeds every size. Also the bytes written per picture, with and without.
//
// Two sets: the photos of a folder (default: the wallpapers the demo gallery uses) and a set of
// 24-megapixel photos made on the spot. Photos fitted into 1024 x 768, thumbnails 150 wide, one
// worker per core. Nothing is kept.
//   sharp_pictures_bench [FOLDER [REPEATS [PICTURES24MP]]]    (defaults /usr/share/backgrounds, 3, 8)

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "bench/bench_photo.h"
#include "bench/silent_observer.h"
#include "generator/site_builder.h"
#include "generator/theme_files.h"

namespace fs = std::filesystem;

namespace {

// "sharp": the shipped classic theme as it is; "plain": the same with the thumbnail grid of old
// and no picture page template, so it asks for nothing twice as large.
bool makeThemes(const fs::path& root)
{
    std::error_code ec;
    const fs::path shipped = fs::path(FOTOLOOM_THEMES) / "classic";
    for (const char* name : {"sharp", "plain"}) {
        fs::create_directories(root / name, ec);
        fs::copy(shipped, root / name, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        if (ec) return false;
    }
    std::string page = ReadTextFile((root / "plain" / "index.html").string());
    if (ReplaceAll(page, "%SHARPPICTURES%", "%PICTURES%") != 1) return false;
    fs::remove(root / "plain" / "picture.html", ec);
    return WriteTextFile((root / "plain" / "index.html").string(), page);
}

// Processor time of this process so far, every thread's.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Outcome {
    double seconds = 0;
    double cpuSeconds = 0;
    uint64_t pictureBytes = 0;  // photos and thumbnails written
    bool ok = false;
};

Outcome build(const std::vector<std::string>& pictures, const fs::path& themes, const char* theme, const fs::path& out)
{
    std::error_code ec;
    fs::remove_all(out, ec);
    fs::create_directories(out, ec);
    CBuilderDoc doc;
    doc.galleryTitle = "Bench";
    doc.outputFolder = out.string();
    doc.photoSize = 3;
    doc.thumbWidth = 150;
    doc.themeName = theme;
    doc.insertAlbum(Album{"A", "", 1}, AlbumPosition::Bottom);
    for (const std::string& p : pictures) doc.appendImage(Image{p, 1, 0, ""});
    BuildOptions options;
    options.templateRoot = themes.string();
    Silent observer;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    const BuildResult r = BuildGallery(doc, observer, options);
    Outcome o;
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.cpuSeconds = cpuSeconds() - cpuStart;
    o.ok = r.succeeded() && r.picturesMade == pictures.size();
    for (const char* folder : {"photos", "thumbs"})
        for (const auto& e : fs::directory_iterator(out / "Bench" / folder, ec)) o.pictureBytes += e.file_size(ec);
    return o;
}

bool measure(const char* name, const std::vector<std::string>& pictures, const fs::path& themes, const fs::path& work,
             int repeats)
{
    if (pictures.empty()) {
        std::printf("%s: no pictures\n", name);
        return false;
    }
    Outcome plain, sharp;
    plain.seconds = sharp.seconds = plain.cpuSeconds = sharp.cpuSeconds = 1e30;
    bool ok = true;
    for (int i = 0; i < repeats; ++i) {
        for (const char* theme : {"plain", "sharp"}) {
            const Outcome o = build(pictures, themes, theme, work / theme);
            ok = ok && o.ok;
            Outcome& best = theme[0] == 'p' ? plain : sharp;
            best.pictureBytes = o.pictureBytes;
            best.seconds = std::min(best.seconds, o.seconds);
            best.cpuSeconds = std::min(best.cpuSeconds, o.cpuSeconds);
        }
    }
    const double n = static_cast<double>(pictures.size());
    const double ratio = sharp.seconds / plain.seconds;
    std::printf("%s (%zu pictures):\n", name, pictures.size());
    std::printf("  without high-density files  %7.2f s  %7.2f s cpu  %7.0f KB per picture\n", plain.seconds,
                plain.cpuSeconds, static_cast<double>(plain.pictureBytes) / n / 1024);
    std::printf("  with high-density files     %7.2f s  %7.2f s cpu  %7.0f KB per picture\n", sharp.seconds,
                sharp.cpuSeconds, static_cast<double>(sharp.pictureBytes) / n / 1024);
    // The processor time is what a machine busy with other work does not blur.
    std::printf("  time %.2f x (goal at most 1.60 x): %s; processor time %.2f x\n", ratio,
                ratio <= 1.6 ? "met" : "MISSED", sharp.cpuSeconds / plain.cpuSeconds);
    if (!ok) std::printf("  some builds failed\n");
    return ok && ratio <= 1.6;
}

}  // namespace

int main(int argc, char** argv)
{
    const fs::path folder = argc > 1 ? argv[1] : "/usr/share/backgrounds";
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const int large = argc > 3 ? std::max(1, std::atoi(argv[3])) : 8;
    // Appended, not "a" + std::to_string(n): GCC 12 warns wrongly about that (-Wrestrict).
    std::string workName = "fotoloom-sharp-bench-";
    workName += std::to_string(getpid());
    const fs::path work = fs::temp_directory_path() / workName;
    std::error_code ec;
    fs::create_directories(work / "themes", ec);
    if (!makeThemes(work / "themes")) {
        std::fprintf(stderr, "sharp_pictures_bench: cannot make the themes from %s\n", FOTOLOOM_THEMES);
        return 2;
    }

    std::vector<std::string> corpus;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (e.is_regular_file() && (ext == ".jpg" || ext == ".jpeg" || ext == ".png"))
            corpus.push_back(e.path().string());
    }
    std::sort(corpus.begin(), corpus.end());

    std::vector<std::string> set24;
    fs::create_directories(work / "24mp", ec);
    for (int i = 0; i < large; ++i) {
        std::string name = "p";
        name += std::to_string(i);
        name += ".jpg";
        const std::string path = (work / "24mp" / name).string();
        if (!makePhoto(path, 6000, 4000, static_cast<uint32_t>(i + 1))) {
            std::fprintf(stderr, "sharp_pictures_bench: cannot write %s\n", path.c_str());
            return 2;
        }
        set24.push_back(path);
    }

    bool ok = measure(folder.string().c_str(), corpus, work / "themes", work / "out", repeats);
    ok = measure("24 MP photos", set24, work / "themes", work / "out", repeats) && ok;
    fs::remove_all(work, ec);
    return ok ? 0 : 1;
}

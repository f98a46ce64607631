// Speed of a whole gallery build against libjpeg-turbo's own decoder.
//
// Makes large photo-like JPEGs in a temporary folder, then, in the same run:
//   (a) decodes every file at full size with djpeg (libjpeg-turbo's command-line decoder), one
//       process per file, one after the other;
//   (b) builds a gallery of the same files with `fotoloom quick` (photos fitted into 1024 x 768,
//       thumbnails 150 wide, the pages and the style sheet), once with one picture worker and once
//       with one per processor core.
// Each is run REPEATS times and the fastest run counts. Peak memory is the largest resident set
// of the process (the largest djpeg). Targets: one job at most 1.0 x the decode time, two jobs
// at most 0.6 x. The processor time of each against djpeg's is shown too: on a machine busy with
// other work, the second core may not be there to be had. Nothing is kept: the folder is removed
// at the end.
//   build_bench [PICTURES [REPEATS [MEGAPIXELS]]]     (defaults 16, 3, 24)

#include <fcntl.h>
#include <spawn.h>
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
#include <thread>
#include <vector>

#include "bench/bench_photo.h"
#include "picture/picture.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system time of the process and its threads
    long peakKb = 0;        // largest resident set of any process of the run
    bool ok = true;
};

// Runs a program, waiting for it; its time and resident set come from the kernel's accounting.
Run runProgram(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    Run run;
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return {0, 0, 0, false};
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

Run best(const std::vector<Run>& runs)
{
    Run out = runs.front();
    for (const Run& r : runs) {
        out.seconds = std::min(out.seconds, r.seconds);
        out.cpuSeconds = std::min(out.cpuSeconds, r.cpuSeconds);
        out.peakKb = std::max(out.peakKb, r.peakKb);
        out.ok = out.ok && r.ok;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    const int pictures = argc > 1 ? std::max(1, std::atoi(argv[1])) : 16;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const double megapixels = argc > 3 ? std::max(1.0, std::atof(argv[3])) : 24.0;
    const auto width = static_cast<uint32_t>(std::sqrt(megapixels * 1e6 * 3 / 2));
    const auto height = width * 2 / 3;

    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("fotoloom-build-bench-" + std::to_string(getpid()));
    const std::filesystem::path photos = root / "photos";
    std::filesystem::create_directories(photos);
    std::printf("making %d JPEGs of %u x %u in %s ...\n", pictures, width, height, photos.c_str());
    std::vector<std::string> files;
    for (int i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo-%03d.jpg", i + 1);
        files.push_back((photos / name).string());
    }
    // Made in a child process: a spawned program's peak memory counts the memory its parent had
    // touched before (the kernel hands the parent's high-water mark over at exec).
    const pid_t maker = fork();
    if (maker == 0) {
        for (int i = 0; i < pictures; ++i) {
            // Every fourth is a portrait, as in a real card of photographs.
            const bool portrait = i % 4 == 3;
            if (!makePhoto(files[static_cast<size_t>(i)], portrait ? height : width, portrait ? width : height,
                           static_cast<uint32_t>(i + 1)))
                _exit(1);
        }
        _exit(0);
    }
    int made = 0;
    if (maker < 0 || waitpid(maker, &made, 0) != maker || !WIFEXITED(made) || WEXITSTATUS(made) != 0) {
        std::fprintf(stderr, "build_bench: cannot make the pictures in %s\n", photos.c_str());
        return 1;
    }
    uintmax_t bytes = 0;
    for (const std::string& f : files) bytes += std::filesystem::file_size(f);
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("%d pictures, %.1f MB of JPEG; best of %d runs each; load average before %.2f on %u cores\n\n",
                pictures, static_cast<double>(bytes) / 1e6, repeats, load[0],
                std::max(1u, std::thread::hardware_concurrency()));

    // (a) djpeg, full size, one file after another.
    std::vector<Run> decodes;
    for (int r = 0; r < repeats; ++r) {
        Run all;
        for (const std::string& f : files) {
            const Run one = runProgram({DJPEG_PROGRAM, "-outfile", "/dev/null", f});
            all.seconds += one.seconds;
            all.cpuSeconds += one.cpuSeconds;
            all.peakKb = std::max(all.peakKb, one.peakKb);
            all.ok = all.ok && one.ok;
        }
        decodes.push_back(all);
    }
    const Run decode = best(decodes);

    // (b) the gallery build, fresh folder each time so that nothing is reused.
    auto build = [&](unsigned jobs) {
        std::vector<Run> runs;
        for (int r = 0; r < repeats; ++r) {
            const std::filesystem::path out = root / ("out-" + std::to_string(jobs) + "-" + std::to_string(r));
            runs.push_back(runProgram({FOTOLOOM_PROGRAM, "quick", photos.string(), "--output", out.string(), "--title",
                                       "Bench", "--jobs", std::to_string(jobs)}));
            std::filesystem::remove_all(out);
        }
        return best(runs);
    };
    const Run single = build(1);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const Run all = build(cores);

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    if (!decode.ok || !single.ok || !all.ok) {
        std::fprintf(stderr, "build_bench: a run failed (djpeg %s, build 1 job %s, build %u jobs %s)\n",
                     decode.ok ? "ok" : "failed", single.ok ? "ok" : "failed", cores, all.ok ? "ok" : "failed");
        return 1;
    }

    const double perPicture = 1000.0 / pictures;
    std::printf("%-36s %8s %8s %11s %9s %8s %8s %8s\n", "", "seconds", "cpu s", "ms/picture", "x decode", "x cpu",
                "target", "peak MB");
    std::printf("%-36s %8.2f %8.2f %11.1f %9s %8s %8s %8.0f\n", "djpeg, full size, sequential", decode.seconds,
                decode.cpuSeconds, decode.seconds * perPicture, "1.00", "1.00", "",
                static_cast<double>(decode.peakKb) / 1024);
    auto line = [&](const char* what, const Run& r, double target) {
        const double ratio = r.seconds / decode.seconds;
        char goal[16];
        std::snprintf(goal, sizeof goal, "<= %.2f", target);
        std::printf("%-36s %8.2f %8.2f %11.1f %9.2f %8.2f %8s %8.0f  %s\n", what, r.seconds, r.cpuSeconds,
                    r.seconds * perPicture, ratio, r.cpuSeconds / decode.cpuSeconds, goal,
                    static_cast<double>(r.peakKb) / 1024, ratio <= target ? "met" : "MISSED");
        return ratio <= target;
    };
    const bool metSingle = line("fotoloom quick --jobs 1", single, 1.0);
    char label[64];
    std::snprintf(label, sizeof label, "fotoloom quick --jobs %u (all cores)", cores);
    const bool metAll = line(label, all, 0.6);
    return metSingle && metAll ? 0 : 3;
}

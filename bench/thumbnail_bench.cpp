// How fast the thumbnail view fills in: the thumbnail worker making the cells of an album of large
// photo-like JPEGs (4000 x 3000) with one helper per core, without a cache, with an empty cache,
// with the cache warm, and with the cache warm in a new process (a program restart); then the
// process's memory. Windows only (run under Wine by scripts/bench-thumbnails.sh). Nothing is kept.
//   thumbnail_bench [PICTURES]
//   thumbnail_bench --warm-child PICTURE-FOLDER CACHE-FOLDER PICTURES     (the restart, run by the above)

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <psapi.h>

#include "app/thumbnail_worker.h"
#include "gallery/format_code.h"
#include "gallery/picture.h"
#include "gallery/thumbnail_cache.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kCellMessage = WM_APP + 1;

size_t g_cells = 0;
bool g_done = false;
size_t g_firstScreen = 0;  // cells on the first screen of the view
Clock::time_point g_firstScreenAt;

LRESULT CALLBACK receive(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kCellMessage) {
        if (wParam == kThumbnailsDone)
            g_done = true;
        else if (++g_cells == g_firstScreen)
            g_firstScreenAt = Clock::now();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Gradients with noise, so the JPEG has a photograph's entropy.
CPicture photoLike(uint32_t w, uint32_t h, uint32_t seed)
{
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    std::minstd_rand noise(seed);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            const int n = static_cast<int>(noise() % 24) - 12;
            p[0] = static_cast<uint8_t>(std::clamp(static_cast<int>(x * 255 / w) + n, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(static_cast<int>(y * 255 / h) + n, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp(static_cast<int>((x ^ y) & 0xFF) + n, 0, 255));
            p[3] = 255;
        }
    }
    CPicture picture;
    picture.setPixels(w, h, std::move(px));
    return picture;
}

struct Fill {
    double seconds = -1;      // until every cell was handed to the window
    double firstScreen = -1;  // until the first screenful was
};

// One fill of the album by a worker with one helper per core and the given cache.
Fill fill(HWND window, const std::vector<Image>& album, ThumbnailCache* cache)
{
    CThumbnailWorker worker;
    worker.setCache(cache);
    g_cells = 0;
    g_done = false;
    g_firstScreen = std::min<size_t>(album.size(), 40);  // 8 x 5 cells of a 1024 x 768 window
    const Clock::time_point start = Clock::now();
    g_firstScreenAt = start;
    if (!worker.start(window, kCellMessage, album)) return {};
    while (!g_done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    const Clock::time_point end = Clock::now();
    if (g_cells != album.size()) std::fprintf(stderr, "only %zu of %zu cells were made\n", g_cells, album.size());
    return {std::chrono::duration<double>(end - start).count(),
            std::chrono::duration<double>(g_firstScreenAt - start).count()};
}

HWND makeWindow()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = receive;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ThumbnailBench";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

std::vector<Image> albumIn(const std::filesystem::path& folder, size_t pictures)
{
    std::vector<Image> album(pictures);
    for (size_t i = 0; i < pictures; ++i) album[i].path = (folder / ("photo-" + std::to_string(i) + ".jpg")).string();
    return album;
}

void printRow(const char* what, const Fill& f, double cold)
{
    std::printf("%-30s %8.2f  %12.3f  %10.1f\n", what, f.seconds, f.firstScreen, cold / f.seconds);
}

// The restart: a new process fills the album from the cache the first one left.
int warmChild(const std::filesystem::path& folder, const std::string& cacheFolder, size_t pictures, double cold)
{
    ThumbnailCache cache(cacheFolder);
    HWND window = makeWindow();
    printRow("warm fill in a new process", fill(window, albumIn(folder, pictures), &cache), cold);
    DestroyWindow(window);
    return 0;
}

double megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::string(argv[1]) == "--warm-child")
        return warmChild(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10), std::atof(argv[5]));
    const size_t pictures = argc > 1 ? std::max<size_t>(1, std::strtoul(argv[1], nullptr, 10)) : 24;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("thumbnail-bench-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const std::string cacheFolder = (folder / "cache").string();
    std::printf("making %zu JPEGs of 4000 x 3000 ...\n", pictures);
    const std::vector<Image> album = albumIn(folder, pictures);
    for (size_t i = 0; i < pictures; ++i) {
        if (i < 4 && !photoLike(4000, 3000, static_cast<uint32_t>(i + 1)).Save(album[i].path, kFormatJpeg)) return 1;
        if (i >= 4) std::filesystem::copy_file(album[i % 4].path, album[i].path);
    }
    HWND window = makeWindow();

    PROCESS_MEMORY_COUNTERS_EX before{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
    const Fill none = fill(window, album, nullptr);
    ThumbnailCache cache(cacheFolder);
    const Fill cold = fill(window, album, &cache);
    const Fill warm = fill(window, album, &cache);
    PROCESS_MEMORY_COUNTERS_EX after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);

    uint64_t cached = 0;
    for (const auto& entry : std::filesystem::directory_iterator(cacheFolder)) cached += entry.file_size();
    std::printf("%zu pictures, %zu cores; cache %.1f MB (%.1f KB a picture)\n\n", pictures, cores,
                static_cast<double>(cached) / 1048576.0,
                static_cast<double>(cached) / 1024.0 / static_cast<double>(pictures));
    std::printf("                               seconds  first screen  x cold fill\n");
    printRow("no cache", none, cold.seconds);
    printRow("cold fill (empty cache)", cold, cold.seconds);
    printRow("warm fill", warm, cold.seconds);
    std::fflush(stdout);

    // A program restart: the same fill in a new process, from the cache on the disk.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --warm-child \"" + folder.wstring() + L"\" \"" +
                           std::filesystem::path(cacheFolder).wstring() + L"\" " + std::to_wstring(pictures) + L" " +
                           std::to_wstring(cold.seconds);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
        WaitForSingleObject(child.hProcess, INFINITE);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    } else {
        std::printf("warm fill in a new process: could not start it\n");
    }

    std::printf("\nmemory: working set %.1f MB before the fills, %.1f MB after, %.1f MB at the peak\n",
                megabytes(before.WorkingSetSize), megabytes(after.WorkingSetSize), megabytes(after.PeakWorkingSetSize));

    DestroyWindow(window);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}

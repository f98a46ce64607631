// How fast the thumbnail view fills in: the thumbnail worker making the cells of an album of large
// photo-like JPEGs, with one decoding helper and with one per core, in the same run. Windows only
// (run under Wine by scripts/bench-thumbnails.sh). Nothing is kept.
//   thumbnail_bench [PICTURES [REPEATS]]

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

#include "app/thumbnail_worker.h"
#include "gallery/format_code.h"
#include "gallery/picture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kCellMessage = WM_APP + 1;

size_t g_cells = 0;
bool g_done = false;

LRESULT CALLBACK receive(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kCellMessage) {
        if (wParam == kThumbnailsDone)
            g_done = true;
        else
            ++g_cells;
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

// Seconds until the worker has handed every cell to the window.
double fill(HWND window, const std::vector<Image>& album, size_t helpers)
{
    CThumbnailWorker worker;
    worker.setHelperLimit(helpers);
    g_cells = 0;
    g_done = false;
    const Clock::time_point start = Clock::now();
    if (!worker.start(window, kCellMessage, album)) return -1;
    while (!g_done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (g_cells != album.size()) std::fprintf(stderr, "only %zu of %zu cells were made\n", g_cells, album.size());
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t pictures = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 24;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("thumbnail-bench-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    std::printf("making %zu JPEGs of 4000 x 3000 ...\n", pictures);
    std::vector<Image> album;
    for (size_t i = 0; i < pictures; ++i) {
        Image image;
        image.path = (folder / ("photo-" + std::to_string(i) + ".jpg")).string();
        if (i < 4 && !photoLike(4000, 3000, static_cast<uint32_t>(i + 1)).Save(image.path, kFormatJpeg)) return 1;
        if (i >= 4) std::filesystem::copy_file(album[i % 4].path, image.path);
        album.push_back(image);
    }

    WNDCLASSW wc{};
    wc.lpfnWndProc = receive;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ThumbnailBench";
    RegisterClassW(&wc);
    HWND window =
        CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);

    double one = 1e9, all = 1e9;
    for (int r = 0; r < repeats; ++r) {
        one = std::min(one, fill(window, album, 1));
        all = std::min(all, fill(window, album, 0));
    }
    std::printf("%zu pictures, best of %d runs each, %zu cores\n\n", pictures, repeats, cores);
    std::printf("                          seconds  ms/picture  x one helper\n");
    std::printf("one decoding helper      %8.2f  %10.1f  %12.2f\n", one, one * 1e3 / static_cast<double>(pictures),
                1.0);
    std::printf("one helper per core      %8.2f  %10.1f  %12.2f\n", all, all * 1e3 / static_cast<double>(pictures),
                all / one);

    DestroyWindow(window);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}

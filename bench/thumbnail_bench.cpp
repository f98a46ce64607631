// How fast the thumbnail view fills in and what it holds: the real view (CThumbViewerView on a
// document) in a 1024 x 768 window, its worker with one helper per core.
//  1. An album of large photo-like JPEGs (4000 x 3000): filled without a cache, with an empty
//     cache, with the cache warm, and with the cache warm in a new process (a program restart).
//     For each fill: the seconds until every cell is in the view, and until the first screen of
//     cells is drawn.
//  2. In a new process, an album of many small JPEGs (hard links to a few, each its own entry):
//     the memory the view holds once every cell has been made (only those near the screen are
//     kept), and the process's peak; once on a 100 % display and once on a 150 % one (cells of
//     150 x 135).
// Windows only (run under Wine by scripts/bench-thumbnails.sh). Nothing is kept.
//   thumbnail_bench [PICTURES [VIEW-PICTURES]]      defaults 24 and 10000
//   thumbnail_bench --warm-child PICTURE-FOLDER CACHE-FOLDER PICTURES COLD-SECONDS
//   thumbnail_bench --memory-child FOLDER VIEW-PICTURES DPI

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <psapi.h>

#include "app/thumb_viewer_view.h"
#include "gallery/builder_doc.h"
#include "gallery/thumbnail_cache.h"
#include "picture/format_code.h"
#include "picture/picture.h"
#include "winui/dpi.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

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

std::vector<std::string> picturesIn(const fs::path& folder, size_t count)
{
    std::vector<std::string> paths(count);
    for (size_t i = 0; i < count; ++i) paths[i] = (folder / ("photo-" + std::to_string(i) + ".jpg")).string();
    return paths;
}

// `count` JPEGs: four made, the rest copies (or hard links, which cost no disk) of them.
bool makePictures(const std::vector<std::string>& paths, uint32_t width, uint32_t height, bool link)
{
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i < 4) {
            if (!photoLike(width, height, static_cast<uint32_t>(i + 1)).Save(paths[i], kFormatJpeg)) return false;
            continue;
        }
        const fs::path from = fs::path(paths[i % 4]), to = fs::path(paths[i]);
        if (link && CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) continue;
        std::error_code ec;
        if (!fs::copy_file(from, to, ec)) return false;
    }
    return true;
}

// What the bench sees of the view's worker: the cells handed to the view and the end of a run.
size_t g_cells = 0;
bool g_done = false;

LRESULT CALLBACK watchView(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg == CThumbViewerView::kCellMessage) {
        if (wParam == kThumbnailsDone)
            g_done = true;
        else
            ++g_cells;
    }
    return result;
}

// A document with one album of the given pictures, shown by a thumbnail view in a 1024 x 768 window.
class BenchView {
public:
    explicit BenchView(const std::vector<std::string>& paths)
    {
        doc_.addAlbum("Bench", "", AlbumPosition::Bottom);
        doc_.selectAlbum(0);
        doc_.addImages(paths);  // before the view observes the document: nothing is drawn yet
        frame_ = CreateWindowExW(0, L"STATIC", L"thumbnail bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 768,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        view_ = std::make_unique<CThumbViewerView>(doc_);
        if (!frame_ || !view_->create(frame_, 0xE901)) return;
        RECT client;
        GetClientRect(frame_, &client);
        MoveWindow(view_->hwnd(), 0, 0, client.right, client.bottom, TRUE);
        SetWindowSubclass(view_->hwnd(), watchView, 1, 0);
        UpdateWindow(frame_);
        ok_ = true;
    }
    ~BenchView()
    {
        if (view_ && view_->hwnd()) RemoveWindowSubclass(view_->hwnd(), watchView, 1);
        view_.reset();
        if (frame_) DestroyWindow(frame_);
    }
    bool ok() const { return ok_; }
    CThumbViewerView& view() { return *view_; }

    // The cells on the view's first screen.
    size_t firstScreen() const
    {
        RECT client;
        GetClientRect(view_->list(), &client);
        const DWORD spacing = static_cast<DWORD>(SendMessageW(view_->list(), LVM_GETITEMSPACING, FALSE, 0));
        const int across = std::max(1, static_cast<int>(client.right / std::max<int>(1, LOWORD(spacing))));
        const int down =
            std::max(1, static_cast<int>((client.bottom + HIWORD(spacing) - 1) / std::max<int>(1, HIWORD(spacing))));
        return std::min(static_cast<size_t>(across * down), doc_.images().size());
    }

    struct Fill {
        double rows = -1;         // seconds until the rows were in the view (the rebuild returned)
        double firstScreen = -1;  // until the first screen of cells was drawn
        double seconds = -1;      // until every cell was in the view
    };

    // Selects the album again (a rebuild) and serves the window's messages until the worker ends.
    Fill fill(ThumbnailCache* cache)
    {
        view_->setThumbnailCache(cache);
        const size_t screen = firstScreen();
        g_cells = 0;
        g_done = false;
        Fill f;
        const Clock::time_point start = Clock::now();
        view_->thumbnailsRebuild();
        f.rows = seconds(start);
        while (!g_done) {
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            }
            if (f.firstScreen < 0 && g_cells >= screen) {
                UpdateWindow(view_->list());
                f.firstScreen = seconds(start);
            }
        }
        f.seconds = seconds(start);
        if (g_cells != doc_.images().size())
            std::fprintf(stderr, "only %zu of %zu cells were made\n", g_cells, doc_.images().size());
        return f;
    }

private:
    static double seconds(Clock::time_point since)
    {
        return std::chrono::duration<double>(Clock::now() - since).count();
    }

    CBuilderDoc doc_;
    HWND frame_ = nullptr;
    std::unique_ptr<CThumbViewerView> view_;
    bool ok_ = false;
};

void printRow(const char* what, const BenchView::Fill& f, double cold)
{
    std::printf("%-30s %8.2f  %12.3f  %10.1f\n", what, f.seconds, f.firstScreen, cold / f.seconds);
}

// The restart: a new process fills the album from the cache the first one left.
int warmChild(const fs::path& folder, const std::string& cacheFolder, size_t pictures, double cold)
{
    ThumbnailCache cache(cacheFolder);
    BenchView bench(picturesIn(folder, pictures));
    if (!bench.ok()) return 1;
    printRow("warm fill in a new process", bench.fill(&cache), cold);
    return 0;
}

double megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

struct Memory {
    SIZE_T privateBytes = 0;  // committed private memory: the heaps, bitmaps, stacks
    SIZE_T workingSet = 0;
    SIZE_T peakWorkingSet = 0;
};

// Private bytes are counted region by region: Wine reports none in the process counters.
Memory memoryNow()
{
    Memory m;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) m.privateBytes += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    m.workingSet = counters.WorkingSetSize;
    m.peakWorkingSet = counters.PeakWorkingSetSize;
    return m;
}

double growth(SIZE_T after, SIZE_T before) { return megabytes(after - std::min(after, before)); }

// The view's memory with a large album: what the process holds once every cell is in, less what it
// held with the empty view. Cached or decoded makes no difference to what the view keeps, so no
// cache is used (it would only fill the disk).
int memoryChild(const fs::path& folder, size_t pictures, int dpi)
{
    winui::setDpiOverride(dpi);
    const std::vector<std::string> paths = picturesIn(folder, pictures);
    if (!makePictures(paths, 640, 480, true)) return 1;
    BenchView bench(paths);
    if (!bench.ok()) return 1;
    const Memory before = memoryNow();
    const BenchView::Fill f = bench.fill(nullptr);
    const Memory after = memoryNow();
    const CellSize cell = bench.view().cellSize();
    std::printf("view of %zu pictures (%d x %d cells): rows in %.2f s, every cell in %.1f s, %d cells held\n", pictures,
                cell.width, cell.height, f.rows, f.seconds, bench.view().heldCells());
    const double held = growth(after.privateBytes, before.privateBytes);
    std::printf(
        "memory of the view: %.1f MB private (%.1f KB a picture), %.1f MB working set; the whole "
        "process: %.1f MB private, %.1f MB peak working set\n",
        held, held * 1024.0 / static_cast<double>(pictures), growth(after.workingSet, before.workingSet),
        megabytes(after.privateBytes), megabytes(after.peakWorkingSet));
    return 0;
}

// Runs this program again with the given arguments and waits for it.
void runChild(const std::wstring& arguments, const char* what)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    std::fflush(stdout);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
        std::printf("%s: could not start it\n", what);
        return;
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    if (code != 0) std::printf("%s: failed (%lu)\n", what, code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

std::wstring quotedArgument(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::string(argv[1]) == "--warm-child")
        return warmChild(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10), std::atof(argv[5]));
    if (argc == 5 && std::string(argv[1]) == "--memory-child")
        return memoryChild(argv[2], std::strtoul(argv[3], nullptr, 10), std::atoi(argv[4]));
    const size_t pictures = argc > 1 ? std::max<size_t>(1, std::strtoul(argv[1], nullptr, 10)) : 24;
    const size_t viewPictures = argc > 2 ? std::max<size_t>(1, std::strtoul(argv[2], nullptr, 10)) : 10000;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());

    const fs::path folder = fs::temp_directory_path() / ("thumbnail-bench-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder / "large");
    const std::string cacheFolder = (folder / "cache").string();
    std::printf("making %zu JPEGs of 4000 x 3000 ...\n", pictures);
    const std::vector<std::string> album = picturesIn(folder / "large", pictures);
    if (!makePictures(album, 4000, 3000, false)) return 1;

    BenchView::Fill none, cold, warm;
    {
        BenchView bench(album);
        if (!bench.ok()) return 1;
        std::printf("%zu pictures, %zu cores, %zu cells on the first screen\n", pictures, cores, bench.firstScreen());
        none = bench.fill(nullptr);
        ThumbnailCache cache(cacheFolder);
        cold = bench.fill(&cache);
        warm = bench.fill(&cache);
    }
    uint64_t cached = 0;
    for (const auto& entry : fs::directory_iterator(cacheFolder)) cached += entry.file_size();
    std::printf("cache %.1f MB (%.1f KB a picture)\n\n", static_cast<double>(cached) / 1048576.0,
                static_cast<double>(cached) / 1024.0 / static_cast<double>(pictures));
    std::printf("                               seconds  first screen  x cold fill\n");
    printRow("no cache", none, cold.seconds);
    printRow("cold fill (empty cache)", cold, cold.seconds);
    printRow("warm fill", warm, cold.seconds);

    // A program restart: the same fill in a new process, from the cache on the disk.
    runChild(L"--warm-child " + quotedArgument(folder / "large") + L" " + quotedArgument(cacheFolder) + L" " +
                 std::to_wstring(pictures) + L" " + std::to_wstring(cold.seconds),
             "warm fill in a new process");
    std::printf("\n");
    // Each scale in a folder of its own: the links of one would be in the way of the next.
    for (int dpi : {96, 144}) {
        const fs::path small = folder / ("small-" + std::to_string(dpi));
        fs::create_directories(small);
        runChild(L"--memory-child " + quotedArgument(small) + L" " + std::to_wstring(viewPictures) + L" " +
                     std::to_wstring(dpi),
                 "memory of the view");
    }

    std::error_code ec;
    fs::remove_all(folder, ec);
    return 0;
}

// The thumbnail worker on its own: several helpers decode, yet the view gets the cells strictly in
// album order, pictures that cannot be shown arrive as the missing-picture mark with the reason,
// and a stop ends the run at once with nothing more arriving. Cached pictures cost no decode, a
// mix of cached and uncached pictures still arrives in album order, a cache that refuses files
// only costs the decodes, and the cells of two screen scales are cached apart.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/thumbnail_cell.h"
#include "app/thumbnail_worker.h"
#include "gallery/thumbnail_cache.h"
#include "picture/format_code.h"
#include "picture/picture.h"

namespace {

constexpr UINT kCellMessage = WM_APP + 7;

// A message-only window that records what the worker sends it.
struct Receiver {
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == kCellMessage) {
            auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (wParam == kThumbnailsDone) {
                ++self->done;
            } else {
                const auto* cell = reinterpret_cast<const ThumbnailCell*>(lParam);
                EXPECT_TRUE(cell && cell->bitmap);
                self->arrived.push_back(static_cast<size_t>(wParam));
                BITMAP bitmap{};
                if (cell && cell->bitmap) GetObjectW(cell->bitmap.get(), sizeof bitmap, &bitmap);
                self->sizes.push_back(CellSize{bitmap.bmWidth, bitmap.bmHeight});
                if (cell && cell->problem != CellProblem::None) self->problems.emplace_back(wParam, cell->problem);
            }
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    Receiver()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ThumbnailWorkerTestReceiver";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Receiver() { DestroyWindow(hwnd); }

    // Serves the worker's messages until the run reports its end.
    void waitForDone(CThumbnailWorker& worker)
    {
        while (done == 0 && worker.running()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }

    HWND hwnd = nullptr;
    std::vector<size_t> arrived;
    std::vector<std::pair<size_t, CellProblem>> problems;
    std::vector<CellSize> sizes;  // of the cells' bitmaps
    int done = 0;
};

class ThumbnailWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("thumbworker-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // A grey JPEG of the given size; large ones take the helpers much longer than small ones.
    Image picture(const std::string& name, uint32_t width, uint32_t height)
    {
        CPicture p;
        p.setPixels(width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4, 128));
        const std::string path = (folder / name).string();
        EXPECT_TRUE(p.Save(path, kFormatJpeg));
        Image image;
        image.path = path;
        return image;
    }
    Image missing(const std::string& name)
    {
        Image image;
        image.path = (folder / name).string();
        return image;
    }

    std::filesystem::path folder;
};

TEST_F(ThumbnailWorkerTest, CellsArriveInAlbumOrderAndWhatCannotBeShownSaysWhy)
{
    // Large and small pictures mixed, so helpers finish out of order.
    std::vector<Image> album;
    const Image big = picture("big.jpg", 3000, 2000), small = picture("small.jpg", 40, 30);
    for (int i = 0; i < 12; ++i) album.push_back(i % 3 == 0 ? big : small);
    album[4] = missing("gone.jpg");
    album[7] = missing("notes.txt");  // not a picture type
    std::FILE* broken = _wfopen((folder / "broken.jpg").c_str(), L"wb");
    ASSERT_NE(broken, nullptr);
    std::fputs("no JPEG at all", broken);
    std::fclose(broken);
    album[9] = missing("broken.jpg");

    Receiver receiver;
    CThumbnailWorker worker;
    ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, album));
    receiver.waitForDone(worker);
    EXPECT_EQ(receiver.arrived, (std::vector<size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    const std::vector<std::pair<size_t, CellProblem>> problems = {
        {4, CellProblem::Missing}, {7, CellProblem::UnknownType}, {9, CellProblem::Unreadable}};
    EXPECT_EQ(receiver.problems, problems);
    EXPECT_EQ(receiver.done, 1);
}

TEST_F(ThumbnailWorkerTest, StopEndsTheRunAndNothingArrivesAfterIt)
{
    const Image big = picture("big.jpg", 3000, 2000);
    std::vector<Image> album(40, big);

    Receiver receiver;
    CThumbnailWorker worker;
    ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, album));
    while (receiver.arrived.size() < 2) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    worker.stop();
    EXPECT_FALSE(worker.running());
    const size_t atStop = receiver.arrived.size();
    EXPECT_LT(atStop, album.size());
    EXPECT_EQ(receiver.done, 1);  // the end is still reported, once

    // A new run after a stop starts from the beginning of its own album.
    receiver.arrived.clear();
    receiver.done = 0;
    ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, std::vector<Image>(3, big)));
    receiver.waitForDone(worker);
    EXPECT_EQ(receiver.arrived, (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(receiver.done, 1);
}

TEST_F(ThumbnailWorkerTest, EmptyAlbumOnlyReportsTheEnd)
{
    Receiver receiver;
    CThumbnailWorker worker;
    ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, {}));
    receiver.waitForDone(worker);
    EXPECT_TRUE(receiver.arrived.empty());
    EXPECT_EQ(receiver.done, 1);
}

// Replaces a file's content with bytes no decoder takes, keeping its size and time: only a
// cached cell can show it afterwards.
void spoil(const std::string& path)
{
    const auto when = std::filesystem::last_write_time(path);
    const auto size = static_cast<size_t>(std::filesystem::file_size(path));
    std::FILE* f = _wfopen(std::filesystem::path(path).c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(std::string(size, 'x').data(), 1, size, f);
    std::fclose(f);
    std::filesystem::last_write_time(path, when);
}

TEST_F(ThumbnailWorkerTest, CachedAndUncachedPicturesArriveInAlbumOrderAndHitsNeedNoDecode)
{
    ThumbnailCache cache((folder / "cache").string());
    Receiver receiver;
    CThumbnailWorker worker;
    worker.setCache(&cache);

    std::vector<Image> small;
    for (int i = 0; i < 6; ++i) small.push_back(picture("small" + std::to_string(i) + ".jpg", 120 + i, 90));
    ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, small));
    receiver.waitForDone(worker);
    ASSERT_EQ(receiver.arrived.size(), small.size());
    for (const Image& image : small) spoil(image.path);

    // Uncached large pictures between cached ones; the last cached one is now turned, which its
    // unturned entry serves.
    Image turned = small[5];
    turned.rotation = -90;
    const std::vector<Image> album{picture("big0.jpg", 3000, 2000),
                                   small[0],
                                   small[1],
                                   picture("big1.jpg", 2000, 3000),
                                   small[2],
                                   missing("gone.jpg"),
                                   small[3],
                                   picture("big2.jpg", 3000, 2000),
                                   small[4],
                                   turned};
    receiver.arrived.clear();
    receiver.done = 0;
    ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, album));
    receiver.waitForDone(worker);
    EXPECT_EQ(receiver.arrived, (std::vector<size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(receiver.problems, (std::vector<std::pair<size_t, CellProblem>>{{5, CellProblem::Missing}}));
    EXPECT_EQ(receiver.done, 1);

    // The turn and the new pictures are cached now too.
    CPicture found;
    ASSERT_TRUE(cache.find(ThumbnailCache::keyOf(turned.path, 270, kCellWidth, kCellHeight).value(), found));
    EXPECT_EQ(found.GetWidth(), static_cast<uint32_t>(placeInCell(90, 125).width));
    EXPECT_TRUE(cache.find(ThumbnailCache::keyOf(album[3].path, 0, kCellWidth, kCellHeight).value(), found));
}

TEST_F(ThumbnailWorkerTest, ACacheFolderThatCannotBeMadeStillGivesEveryCell)
{
    // A plain file where the cache folder should be: no entry can ever be written there.
    std::FILE* blocker = _wfopen((folder / "cache").c_str(), L"wb");
    ASSERT_NE(blocker, nullptr);
    std::fclose(blocker);
    ThumbnailCache cache((folder / "cache" / "thumbnails").string());
    const std::vector<Image> album{picture("a.jpg", 300, 200), missing("gone.jpg"), picture("b.jpg", 200, 300)};
    for (int round = 0; round < 2; ++round) {
        Receiver receiver;
        CThumbnailWorker worker;
        worker.setCache(&cache);
        ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, album));
        receiver.waitForDone(worker);
        EXPECT_EQ(receiver.arrived, (std::vector<size_t>{0, 1, 2}));
        EXPECT_EQ(receiver.problems, (std::vector<std::pair<size_t, CellProblem>>{{1, CellProblem::Missing}}));
    }
}

TEST_F(ThumbnailWorkerTest, CellsOfTwoScreenScalesAreCachedApartAtTheSizeTheyAreDrawn)
{
    EXPECT_EQ(cellSizeForDpi(96), (CellSize{100, 90}));
    EXPECT_EQ(cellSizeForDpi(144), (CellSize{150, 135}));
    EXPECT_EQ(cellSizeForDpi(72), (CellSize{100, 90}));

    ThumbnailCache cache((folder / "cache").string());
    const std::vector<Image> album{picture("wide.jpg", 400, 200), picture("tall.jpg", 200, 400), missing("gone.jpg")};
    const CellSize normal = cellSizeForDpi(96), large = cellSizeForDpi(144);
    // Both scales filled from the files, then (the files spoilt) both again from the cache: each
    // scale keeps its own entry, neither overwrites the other.
    for (int round = 0; round < 2; ++round) {
        if (round == 1)
            for (size_t i = 0; i < 2; ++i) spoil(album[i].path);
        for (const CellSize cell : {normal, large}) {
            Receiver receiver;
            CThumbnailWorker worker;
            worker.setCache(&cache);
            worker.setCellSize(cell);
            ASSERT_TRUE(worker.start(receiver.hwnd, kCellMessage, album));
            receiver.waitForDone(worker);
            EXPECT_EQ(receiver.sizes, std::vector<CellSize>(3, cell)) << round;
            EXPECT_EQ(receiver.problems, (std::vector<std::pair<size_t, CellProblem>>{{2, CellProblem::Missing}}))
                << round << " " << cell.width;
        }
    }
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "cache"))
        entries += entry.path().extension() == ".thumb";
    EXPECT_EQ(entries, 4u);
    CPicture found;
    const auto key = [&](const CellSize cell) {
        return ThumbnailCache::keyOf(album[1].path, 0, static_cast<uint32_t>(cell.width),
                                     static_cast<uint32_t>(cell.height))
            .value();
    };
    ASSERT_TRUE(cache.find(key(large), found));
    EXPECT_EQ(found.GetHeight(), 135u);
    EXPECT_EQ(found.GetWidth(), static_cast<uint32_t>(placeInCell(200, 400, large).width));
    ASSERT_TRUE(cache.find(key(normal), found));
    EXPECT_EQ(found.GetHeight(), 90u);
}

}  // namespace

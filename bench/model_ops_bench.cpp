// Big-gallery editing: block moves and removals over k selected rows of n images must cost
// O(n + k). Prints the time of each operation at n and at 2n (linear work doubles, quadratic
// work quadruples), and the one-row-at-a-time procedure on the same data for comparison.
//
//   build/native/bench/model_ops_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gallery/builder_doc.h"

namespace {

constexpr int kAlbums = 4;

double seconds(const std::function<void()>& work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// n images spread round-robin over the albums; the last album is current.
void fill(CBuilderDoc& doc, int n)
{
    doc.resetGallery();
    for (int a = 0; a < kAlbums; ++a) doc.addAlbum("Album " + std::to_string(a), "", AlbumPosition::Bottom);
    for (int i = 0; i < n; ++i)
        doc.appendImage(Image{"/photos/2026/IMG_" + std::to_string(100000 + i) + ".jpg",
                              doc.albums()[static_cast<size_t>(i % kAlbums)].key, 0, ""});
}

// Every third row of the current album, up to k rows, highest first, row 0 excluded.
std::vector<int> selection(const CBuilderDoc& doc, int k)
{
    std::vector<int> rows;
    for (int r = doc.albumImageCount() - 2; r > 0 && static_cast<int>(rows.size()) < k; r -= 3) rows.push_back(r);
    return rows;
}

// One row at a time, looking every position up afresh: O(n) per row.
void rowByRowMoveUp(CBuilderDoc& doc, std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    for (int r : rows) {
        size_t from = *doc.galleryIndexOfRow(r), to = *doc.galleryIndexOfRow(r - 1);
        Image moving = doc.images()[from];
        doc.removeImageAt(from);
        doc.insertImageAt(to, moving);
    }
}

struct Figures {
    double up, down, remove, rowByRow;
};

// The best of a few runs, each on a freshly filled gallery, so that a busy machine blurs less.
double best(CBuilderDoc& doc, int n, const std::function<void()>& work)
{
    double fastest = 1e9;
    for (int run = 0; run < 5; ++run) {
        fill(doc, n);
        fastest = std::min(fastest, seconds(work));
    }
    return fastest;
}

Figures measure(int n, int k, int rowByRowK)
{
    CBuilderDoc doc;
    fill(doc, n);
    const std::vector<int> rows = selection(doc, k);
    const std::vector<int> fewRows = selection(doc, rowByRowK);
    Figures f{};
    f.up = best(doc, n, [&] { doc.moveImagesUp(rows); });
    f.down = best(doc, n, [&] { doc.moveImagesDown(rows); });
    f.remove = best(doc, n, [&] { doc.removeImages(rows); });
    f.rowByRow = best(doc, n, [&] { rowByRowMoveUp(doc, fewRows); });
    return f;
}

}  // namespace

int main()
{
    const int n = 100'000, k = 10'000, slowK = 1'000;
    Figures one = measure(n, k, slowK);
    Figures two = measure(2 * n, 2 * k, slowK);
    std::printf("gallery of %d images, %d selected rows (current album: every %dth image)\n", n, k, kAlbums);
    std::printf("  move up      %8.2f ms   at 2n, 2k: %8.2f ms   ratio %.2f\n", one.up * 1e3, two.up * 1e3,
                two.up / one.up);
    std::printf("  move down    %8.2f ms   at 2n, 2k: %8.2f ms   ratio %.2f\n", one.down * 1e3, two.down * 1e3,
                two.down / one.down);
    std::printf("  remove       %8.2f ms   at 2n, 2k: %8.2f ms   ratio %.2f\n", one.remove * 1e3, two.remove * 1e3,
                two.remove / one.remove);
    std::printf("  row by row, only %d rows: %8.2f ms (%.0f x the block move of %d rows)\n", slowK, one.rowByRow * 1e3,
                one.rowByRow / one.up, k);
    std::printf("linear work shows a ratio near 2 at double the size; quadratic work would show 4\n");
    return 0;
}

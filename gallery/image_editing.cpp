// Image operations of the document on rows of the current album. Every operation over k
// selected rows of a gallery of n images costs O(n + k): positions come from the album's
// cached position list, and reorders and removals rebuild the list in one pass.

#include <algorithm>

#include "base/file_system.h"
#include "gallery/builder_doc.h"
#include "picture/format_code.h"

namespace {

// Rows ascending, for the operations that walk from the top.
std::vector<int> ascending(std::span<const int> selected)
{
    std::vector<int> up(selected.begin(), selected.end());
    std::sort(up.begin(), up.end());
    return up;
}

std::vector<int> shifted(std::span<const int> selected, int by)
{
    std::vector<int> out;
    out.reserve(selected.size());
    for (int r : selected) out.push_back(r + by);
    return out;
}

}  // namespace

void CBuilderDoc::addImages(std::span<const std::string> paths)
{
    int32_t key = currentAlbumKey();
    if (key == -1) return;
    for (const std::string& path : paths) images_.push_back(Image{path, key, 0, {}});
    imagesChanged();
    notify([](IDocObserver& o) { o.thumbnailsRebuild(); });
}

int CBuilderDoc::addFolder(const std::string& folder)
{
    int32_t key = currentAlbumKey();
    if (key == -1) return 0;
    int added = 0;
    // Entries in the order the file system lists them; subfolders are not entered.
    for (const FolderEntry& entry : listFolder(folder).value_or(std::vector<FolderEntry>{})) {
        if (entry.isFolder || entry.name == "." || entry.name == "..") continue;
        if (formatCodeOf(entry.name) == kFormatUnknown) continue;
        images_.push_back(Image{joinPath(folder, entry.name), key, 0, {}});
        ++added;
    }
    imagesChanged();
    notify([](IDocObserver& o) { o.thumbnailsRebuild(); });
    return added;
}

// A selected block of rows s..e moves up by one: its images end up, in order, just before
// the image of row s-1, which keeps its place relative to any other album's images.
std::vector<int> CBuilderDoc::moveImagesUp(std::span<const int> selected)
{
    if (selected.empty()) return {};
    std::vector<int> up = ascending(selected);
    if (up.front() <= 0) return {selected.begin(), selected.end()};
    std::vector<size_t> positions(currentAlbumPositions().begin(), currentAlbumPositions().end());
    if (static_cast<size_t>(up.back()) >= positions.size()) return {selected.begin(), selected.end()};

    std::vector<char> moving(images_.size(), 0);
    std::vector<int> blockAt(images_.size(), -1);  // anchor position -> first row of its block
    for (size_t i = 0; i < up.size(); ++i) {
        int r = up[i];
        moving[positions[static_cast<size_t>(r)]] = 1;
        if (i == 0 || up[i - 1] != r - 1) blockAt[positions[static_cast<size_t>(r) - 1]] = r;
    }
    std::vector<Image> reordered;
    reordered.reserve(images_.size());
    for (size_t p = 0; p < images_.size(); ++p) {
        if (moving[p]) continue;
        if (int r = blockAt[p]; r >= 0) {
            for (; static_cast<size_t>(r) < positions.size() && moving[positions[static_cast<size_t>(r)]]; ++r)
                reordered.push_back(std::move(images_[positions[static_cast<size_t>(r)]]));
        }
        reordered.push_back(std::move(images_[p]));
    }
    images_ = std::move(reordered);
    imagesChanged();

    for (int r : up) notify([r](IDocObserver& o) { o.thumbnailRowsSwapped(r - 1, r); });
    std::vector<int> selection = shifted(selected, -1);
    notify([&selection](IDocObserver& o) { o.thumbnailSelectionSet(selection); });
    return selection;
}

// A selected block s..e moves down by one: the image of row e+1 jumps to just before the
// image of row s.
std::vector<int> CBuilderDoc::moveImagesDown(std::span<const int> selected)
{
    if (selected.empty()) return {};
    std::vector<int> up = ascending(selected);
    std::vector<size_t> positions(currentAlbumPositions().begin(), currentAlbumPositions().end());
    if (up.front() < 0 || static_cast<size_t>(up.back()) + 1 >= positions.size())
        return {selected.begin(), selected.end()};

    std::vector<char> jumping(images_.size(), 0);
    std::vector<size_t> jumperAt(images_.size(), SIZE_MAX);  // first image of a block -> the one jumping before it
    size_t start = 0;
    for (size_t i = 0; i < up.size(); ++i) {
        int r = up[i];
        bool blockStart = i == 0 || up[i - 1] != r - 1;
        bool blockEnd = i + 1 == up.size() || up[i + 1] != r + 1;
        if (blockStart) start = positions[static_cast<size_t>(r)];
        if (blockEnd) {
            size_t jumper = positions[static_cast<size_t>(r) + 1];
            jumping[jumper] = 1;
            jumperAt[start] = jumper;
        }
    }
    std::vector<Image> reordered;
    reordered.reserve(images_.size());
    for (size_t p = 0; p < images_.size(); ++p) {
        if (jumping[p]) continue;
        if (jumperAt[p] != SIZE_MAX) reordered.push_back(std::move(images_[jumperAt[p]]));
        reordered.push_back(std::move(images_[p]));
    }
    images_ = std::move(reordered);
    imagesChanged();

    for (auto it = up.rbegin(); it != up.rend(); ++it) {
        int r = *it;
        notify([r](IDocObserver& o) { o.thumbnailRowsSwapped(r, r + 1); });
    }
    std::vector<int> selection = shifted(selected, +1);
    notify([&selection](IDocObserver& o) { o.thumbnailSelectionSet(selection); });
    return selection;
}

void CBuilderDoc::rotateImages(std::span<const int> selected, int degrees)
{
    bool right = degrees > 0;
    for (int r : selected) {
        std::optional<size_t> p = galleryIndexOfRow(r);
        if (!p) continue;
        int32_t& rotation = images_[*p].rotation;
        if (right) {
            rotation += 90;
            if (rotation > 359) rotation -= 360;
        } else {
            rotation -= 90;
            if (rotation < -359) rotation += 360;
        }
        notify([r](IDocObserver& o) { o.thumbnailRowChanged(r); });
    }
}

bool CBuilderDoc::commentImages(std::span<const int> selected, const std::string& comment)
{
    if (selected.empty()) return false;
    if (selected.size() > 1 && !prompter_->askYesNo("You have selected " + std::to_string(selected.size()) +
                                                        " images.\nAre you sure to apply to all selected image(s)?",
                                                    "Images removing..."))
        return false;
    for (int r : selected) {
        std::optional<size_t> p = galleryIndexOfRow(r);
        if (!p) continue;
        images_[*p].comment = comment;
        notify([r](IDocObserver& o) { o.thumbnailLabelChanged(r); });
    }
    return true;
}

bool CBuilderDoc::removeImages(std::span<const int> selected)
{
    if (selected.empty()) return false;
    if (!prompter_->askYesNo("Are you sure to remove selected image(s)?", "Images removing...")) return false;
    removeRows(selected);
    return true;
}

bool CBuilderDoc::moveImagesToAlbum(std::span<const int> selected, int albumRow)
{
    if (selected.empty() || !requireCurrentAlbum()) return false;
    if (albumRow < 0 || albumRow >= albumCount()) return false;
    std::vector<Image> copies = copiesForAlbum(selected, albums_[static_cast<size_t>(albumRow)].key);
    removeRows(selected);
    appendImages(std::move(copies));
    // Moved within the album on show: they come back as its last rows.
    if (albumRow == selectedAlbum_) notify([](IDocObserver& o) { o.thumbnailsRebuild(); });
    notify([](IDocObserver& o) { o.thumbnailSelectionSet({}); });
    return true;
}

bool CBuilderDoc::copyImagesToAlbum(std::span<const int> selected, int albumRow)
{
    if (selected.empty() || !requireCurrentAlbum()) return false;
    if (albumRow < 0 || albumRow >= albumCount()) return false;
    appendImages(copiesForAlbum(selected, albums_[static_cast<size_t>(albumRow)].key));
    if (albumRow == selectedAlbum_) notify([](IDocObserver& o) { o.thumbnailsRebuild(); });
    return true;
}

// Copies of the images of `rows`, in ascending row order, given to album `key`.
std::vector<Image> CBuilderDoc::copiesForAlbum(std::span<const int> selected, int32_t key) const
{
    std::span<const size_t> positions = currentAlbumPositions();
    std::vector<Image> copies;
    copies.reserve(selected.size());
    for (int r : ascending(selected)) {
        if (r < 0 || static_cast<size_t>(r) >= positions.size()) continue;
        copies.push_back(images_[positions[static_cast<size_t>(r)]]);
        copies.back().albumKey = key;
    }
    return copies;
}

// The rows leave the view, highest first, and their images leave the list in one pass.
void CBuilderDoc::removeRows(std::span<const int> selected)
{
    std::span<const size_t> positions = currentAlbumPositions();
    std::vector<char> leaving(images_.size(), 0);
    std::vector<int> down = ascending(selected);
    std::reverse(down.begin(), down.end());
    for (int r : down) {
        if (r < 0 || static_cast<size_t>(r) >= positions.size()) continue;
        leaving[positions[static_cast<size_t>(r)]] = 1;
        notify([r](IDocObserver& o) { o.thumbnailRowRemoved(r); });
    }
    size_t kept = 0;
    for (size_t p = 0; p < images_.size(); ++p) {
        if (leaving[p]) continue;
        if (kept != p) images_[kept] = std::move(images_[p]);  // never self-move: it empties strings
        ++kept;
    }
    images_.resize(kept);
    imagesChanged();
}

void CBuilderDoc::appendImages(std::vector<Image> images)
{
    for (Image& image : images) images_.push_back(std::move(image));
    imagesChanged();
}

#include "gallery/builder_doc.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr char kNoImagesSelected[] = "No images selected!";
constexpr char kNoAlbumSelected[] = "No album selected. Add new album(s) at first.";
constexpr char kNoAlbumsFound[] = "No albums found. Add new album(s) at first.";
constexpr int32_t kKeyRange = 99'999'999;

}  // namespace

CBuilderDoc::CBuilderDoc()
    : keySource_(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()))
{
    resetGallery();
}

void CBuilderDoc::addObserver(IDocObserver* observer)
{
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CBuilderDoc::removeObserver(IDocObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// --- State -----------------------------------------------------------------------------------

void CBuilderDoc::resetGallery()
{
    static_cast<GallerySettings&>(*this) = GallerySettings{};
    albums_.clear();
    selectedAlbum_ = -1;
    images_.clear();
    imagesChanged();
    notify([](IDocObserver& o) { o.albumsReset(); });
    notify([](IDocObserver& o) { o.currentAlbumChanged(-1); });
    commitState();
}

void CBuilderDoc::commitState()
{
    committedSettings_ = *this;
    committedImages_ = images_;
    committedAlbumTitles_.clear();
    committedAlbumCaptions_.clear();
    for (const Album& a : albums_) {
        committedAlbumTitles_.push_back(a.title);
        committedAlbumCaptions_.push_back(a.caption);
    }
}

bool CBuilderDoc::isModified() const
{
    const GallerySettings& c = committedSettings_;
    if (galleryTitle != c.galleryTitle || galleryDescription != c.galleryDescription || themeName != c.themeName)
        return true;
    for (const SettingInfo& s : integerSettings())
        if (s.numberIn(*this) != s.numberIn(c)) return true;
    if (homePageUrl != c.homePageUrl) return true;
    for (const SettingInfo& s : extensionSettings()) {
        if (s.kind == SettingKind::Text ? this->*s.text != c.*s.text : s.numberIn(*this) != s.numberIn(c)) return true;
    }
    if (keptExtensions != c.keptExtensions) return true;
    if (images_ != committedImages_) return true;  // count first, then path, key, rotation, comment
    if (albums_.size() != committedAlbumTitles_.size() || albums_.size() != committedAlbumCaptions_.size()) return true;
    for (size_t i = 0; i < albums_.size(); ++i)
        if (albums_[i].title != committedAlbumTitles_[i] || albums_[i].caption != committedAlbumCaptions_[i])
            return true;
    return false;  // album keys are deliberately not compared
}

// --- Albums ----------------------------------------------------------------------------------

void CBuilderDoc::selectAlbum(int row)
{
    if (row < -1 || row >= albumCount()) row = -1;
    if (row != selectedAlbum_) setCurrentAlbum(row);
}

void CBuilderDoc::setCurrentAlbum(int row)
{
    selectedAlbum_ = row;
    imagesChanged();
    notify([row](IDocObserver& o) { o.currentAlbumChanged(row); });
}

int CBuilderDoc::insertAlbum(Album album, AlbumPosition where)
{
    int row = albumCount();
    if (where == AlbumPosition::Top)
        row = 0;
    else if (where == AlbumPosition::AfterSelected && selectedAlbum_ >= 0)
        row = selectedAlbum_ + 1;
    albums_.insert(albums_.begin() + row, std::move(album));
    if (selectedAlbum_ >= row) ++selectedAlbum_;  // the same album stays selected
    notify([row](IDocObserver& o) { o.albumInserted(row); });
    return row;
}

void CBuilderDoc::removeAlbumRow(int row)
{
    if (row < 0 || row >= albumCount()) return;
    albums_.erase(albums_.begin() + row);
    notify([row](IDocObserver& o) { o.albumRemoved(row); });
    if (selectedAlbum_ < row) return;
    if (selectedAlbum_ > row) {
        --selectedAlbum_;  // same album, new position: no change of current album
        return;
    }
    // The selected album went: the row before it, else the first remaining, else none.
    setCurrentAlbum(row > 0 ? row - 1 : (albums_.empty() ? -1 : 0));
}

int32_t CBuilderDoc::newAlbumKey()
{
    for (;;) {
        int32_t key = static_cast<int32_t>(keySource_() % kKeyRange) + 1;
        bool taken = std::any_of(albums_.begin(), albums_.end(), [key](const Album& a) { return a.key == key; });
        if (!taken) return key;
    }
}

// --- Images ----------------------------------------------------------------------------------

void CBuilderDoc::appendImage(Image image)
{
    images_.push_back(std::move(image));
    imagesChanged();
}

void CBuilderDoc::insertImageAt(size_t position, Image image)
{
    position = std::min(position, images_.size());
    images_.insert(images_.begin() + static_cast<ptrdiff_t>(position), std::move(image));
    imagesChanged();
}

void CBuilderDoc::removeImageAt(size_t position)
{
    if (position >= images_.size()) return;
    images_.erase(images_.begin() + static_cast<ptrdiff_t>(position));
    imagesChanged();
}

int32_t CBuilderDoc::currentAlbumKey() const
{
    return selectedAlbum_ < 0 ? -1 : albums_[static_cast<size_t>(selectedAlbum_)].key;
}

std::span<const size_t> CBuilderDoc::currentAlbumPositions() const
{
    if (!positionsValid_) {
        positions_.clear();
        int32_t key = currentAlbumKey();
        if (key != -1) {
            for (size_t i = 0; i < images_.size(); ++i)
                if (images_[i].albumKey == key) positions_.push_back(i);
        }
        positionsValid_ = true;
    }
    return positions_;
}

int CBuilderDoc::albumImageCount() const { return static_cast<int>(currentAlbumPositions().size()); }

std::optional<size_t> CBuilderDoc::galleryIndexOfRow(int row) const
{
    std::span<const size_t> positions = currentAlbumPositions();
    if (row < 0 || static_cast<size_t>(row) >= positions.size()) return std::nullopt;
    return positions[static_cast<size_t>(row)];
}

std::vector<int> CBuilderDoc::collectSelectedRows(std::span<const int> viewSelection) const
{
    std::vector<int> found;
    int count = albumImageCount();
    for (int r : viewSelection)
        if (r >= 0 && r < count) found.push_back(r);
    std::sort(found.begin(), found.end(), std::greater<>());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (found.empty()) prompter_->tell(kNoImagesSelected, MessageIcon::Warning);
    return found;
}

bool CBuilderDoc::requireSelectedAlbum() const
{
    if (selectedAlbum_ >= 0) return true;
    prompter_->tell(kNoAlbumSelected, MessageIcon::Warning);
    return false;
}

bool CBuilderDoc::requireCurrentAlbum() const
{
    if (selectedAlbum_ >= 0) return true;
    prompter_->tell(kNoAlbumsFound, MessageIcon::Warning);
    return false;
}

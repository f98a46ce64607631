// Album operations of the document: add, edit, copy, remove, move up and down.
// The caller asks the user first (album dialog) and checks requireSelectedAlbum().

#include <algorithm>

#include "gallery/builder_doc.h"

int CBuilderDoc::addAlbum(const std::string& title, const std::string& caption, AlbumPosition where)
{
    int row = insertAlbum(Album{title, caption, newAlbumKey()}, where);
    selectAlbum(row);
    return row;
}

void CBuilderDoc::editAlbum(int row, const std::string& title, const std::string& caption)
{
    if (row < 0 || row >= albumCount()) return;
    Album& album = albums_[static_cast<size_t>(row)];
    album.title = title;
    album.caption = caption;
    notify([row](IDocObserver& o) { o.albumChanged(row); });
}

int CBuilderDoc::copyAlbum(const std::string& title, const std::string& caption)
{
    // A copy takes the title and caption only; its images stay with the original.
    return addAlbum(title, caption, AlbumPosition::Bottom);
}

bool CBuilderDoc::removeAlbum(int row)
{
    if (row < 0 || row >= albumCount()) return false;
    const Album& album = albums_[static_cast<size_t>(row)];
    if (!prompter_->askYesNo("Are you sure to remove '" + album.title + "' album ?", "Album removing...")) return false;
    int32_t key = album.key;
    std::erase_if(images_, [key](const Image& image) { return image.albumKey == key; });
    imagesChanged();
    removeAlbumRow(row);
    return true;
}

void CBuilderDoc::moveAlbumUp(int row)
{
    if (row <= 0 || row >= albumCount()) return;
    std::swap(albums_[static_cast<size_t>(row) - 1], albums_[static_cast<size_t>(row)]);
    notify([row](IDocObserver& o) {
        o.albumChanged(row - 1);
        o.albumChanged(row);
    });
    setCurrentAlbum(row - 1);
}

void CBuilderDoc::moveAlbumDown(int row)
{
    if (row < 0 || row + 1 >= albumCount()) return;
    std::swap(albums_[static_cast<size_t>(row)], albums_[static_cast<size_t>(row) + 1]);
    notify([row](IDocObserver& o) {
        o.albumChanged(row);
        o.albumChanged(row + 1);
    });
    setCurrentAlbum(row + 1);
}

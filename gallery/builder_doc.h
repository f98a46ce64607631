#pragma once
// CBuilderDoc: the one open gallery — its settings, ordered albums, flat image list, current
// album, and the committed copy that the modified test compares with.
//
// Albums live here; the album list view mirrors them through IDocObserver. The images of an
// album are the entries of images() whose albumKey is the album's key, in list order. Row r
// of the thumbnail view is the r-th image of the current album.
//
// Editing operations take the user's choices as arguments (dialog results, selected rows);
// preconditions and confirmations go through the prompter so that every caller shows the
// same texts. Row lists from collectSelectedRows() are in descending order.

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "gallery/doc_observer.h"
#include "gallery/gallery_settings.h"
#include "gallery/gallery_types.h"
#include "gallery/prompter.h"

enum class AlbumPosition { AfterSelected = 0, Top = 1, Bottom = 2 };

class CBuilderDoc : public GallerySettings {
public:
    CBuilderDoc();
    CBuilderDoc(const CBuilderDoc&) = delete;
    CBuilderDoc& operator=(const CBuilderDoc&) = delete;

    std::string galleryFileTitle;  // project file name without folder and extension
    std::string galleryPath;       // full path of the project file
    std::string outputFolder;      // default parent folder of a built gallery; never saved

    // --- Seams -----------------------------------------------------------------------------
    void setPrompter(IPrompter* prompter) { prompter_ = prompter ? prompter : &silent_; }
    IPrompter& prompter() const { return *prompter_; }
    void addObserver(IDocObserver* observer);
    void removeObserver(IDocObserver* observer);
    void seedAlbumKeys(uint32_t seed) { keySource_.seed(seed); }

    // --- State -----------------------------------------------------------------------------
    void resetGallery();
    void commitState();
    bool isModified() const;

    // --- Albums ----------------------------------------------------------------------------
    const std::vector<Album>& albums() const { return albums_; }
    int albumCount() const { return static_cast<int>(albums_.size()); }
    int selectedAlbum() const { return selectedAlbum_; }  // -1 when none
    // Makes a row (or -1) the current album; observers hear of it only on a real change.
    void selectAlbum(int row);
    // Inserts a row; returns its position. AfterSelected with nothing selected appends.
    int insertAlbum(Album album, AlbumPosition where);
    void removeAlbumRow(int row);  // the row only; its images stay
    int32_t newAlbumKey();         // pseudo-random, unique among the albums

    // --- Images ----------------------------------------------------------------------------
    const std::vector<Image>& images() const { return images_; }
    void appendImage(Image image);
    void insertImageAt(size_t position, Image image);
    void removeImageAt(size_t position);

    int32_t currentAlbumKey() const;  // -1 when no album is selected
    int albumImageCount() const;
    std::optional<size_t> galleryIndexOfRow(int row) const;
    // Positions in images() of the current album's images, in row order.
    std::span<const size_t> currentAlbumPositions() const;
    // The view's selected rows, highest first; warns "No images selected!" when empty.
    std::vector<int> collectSelectedRows(std::span<const int> viewSelection) const;

    // --- Album editing -----------------------------------------------------------------------
    // Warn and return false when no album is selected ("No album selected. ...").
    bool requireSelectedAlbum() const;
    // Warn and return false when there is no current album ("No albums found. ...").
    bool requireCurrentAlbum() const;

    int addAlbum(const std::string& title, const std::string& caption, AlbumPosition where);
    void editAlbum(int row, const std::string& title, const std::string& caption);
    int copyAlbum(const std::string& title, const std::string& caption);
    bool removeAlbum(int row);  // asks first; false when the user said no
    void moveAlbumUp(int row);
    void moveAlbumDown(int row);

    // --- Image editing (rows of the current album, highest first) ------------------------------
    void addImages(std::span<const std::string> paths);
    int addFolder(const std::string& folder);  // returns how many pictures were added
    // Block moves; return the rows selected afterwards (unchanged when nothing moved).
    std::vector<int> moveImagesUp(std::span<const int> selected);
    std::vector<int> moveImagesDown(std::span<const int> selected);
    void rotateImages(std::span<const int> selected, int degrees);                  // -90 left, +90 right
    bool commentImages(std::span<const int> selected, const std::string& comment);  // asks for several
    bool removeImages(std::span<const int> selected);                               // asks first
    bool moveImagesToAlbum(std::span<const int> selected, int albumRow);
    bool copyImagesToAlbum(std::span<const int> selected, int albumRow);

private:
    template <typename F> void notify(F&& f)
    {
        for (IDocObserver* o : observers_) f(*o);
    }
    void imagesChanged() { positionsValid_ = false; }
    void setCurrentAlbum(int row);  // always announces, even when the index stays
    std::vector<Image> copiesForAlbum(std::span<const int> selected, int32_t key) const;
    void removeRows(std::span<const int> selected);
    void appendImages(std::vector<Image> images);

    std::vector<Album> albums_;
    std::vector<Image> images_;
    int selectedAlbum_ = -1;

    GallerySettings committedSettings_;
    std::vector<Image> committedImages_;
    std::vector<std::string> committedAlbumTitles_;
    std::vector<std::string> committedAlbumCaptions_;

    // Positions of the current album's images; rebuilt on demand after any change.
    mutable std::vector<size_t> positions_;
    mutable bool positionsValid_ = false;

    std::mt19937 keySource_;
    SilentPrompter silent_;
    IPrompter* prompter_ = &silent_;
    std::vector<IDocObserver*> observers_;
};

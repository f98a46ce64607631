#pragma once
// What views learn of the document. Every call comes on the thread that changed the model
// (the user-interface thread) after the change is complete. Rows are 0-based.

#include <vector>

class IDocObserver {
public:
    virtual ~IDocObserver() = default;

    // Albums (the album list view mirrors them).
    virtual void albumsReset() {}
    virtual void albumInserted(int /*row*/) {}
    virtual void albumRemoved(int /*row*/) {}
    virtual void albumChanged(int /*row*/) {}
    // The current album changed (or -1: none); the thumbnail view rebuilds.
    virtual void currentAlbumChanged(int /*row*/) {}

    // Thumbnail rows of the current album.
    virtual void thumbnailsRebuild() {}                 // refill the whole view
    virtual void thumbnailRowChanged(int /*row*/) {}    // rotation: remake that cell
    virtual void thumbnailLabelChanged(int /*row*/) {}  // comment
    virtual void thumbnailRowsSwapped(int /*upper*/, int /*lower*/) {}
    virtual void thumbnailRowRemoved(int /*row*/) {}
    virtual void thumbnailSelectionSet(const std::vector<int>& /*rows*/) {}  // exactly these rows selected
};

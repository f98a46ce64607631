#pragma once
// The .gal project file: one binary, little-endian stream of albums, images and settings.
//
// Both directions tell the user of failures through the document's prompter (caption
// "Fotoloom", error icon) and also return what happened, for the command line's exit status.

#include <string>

class CBuilderDoc;
class RecentList;

// The messages the reader and the writer show (caption "Fotoloom", error icon).
inline constexpr char kWrongGalFileMessage[] = "Wrong GAL file!";
inline constexpr char kCannotOpenGalleryMessage[] = "Cannot open gallery!";
inline constexpr char kCannotSaveGalleryMessage[] = "Cannot save gallery!";

enum class ProjectResult {
    Ok,
    CannotOpen,   // the file could not be opened for reading; the gallery is unchanged
    Damaged,      // reading stopped part way; what was read stays, committed as unmodified
    CannotSave,   // the file could not be created; nothing changed
    WriteFailed,  // writing failed part way; the message says whether the previous file was kept
};

// Resets the gallery, reads the file into it, brings its settings into their allowed ranges,
// selects the first album and commits the result. A file that cannot be opened (or is no
// regular file: a pipe is refused, not waited on) shows "Cannot open gallery!" and changes
// nothing; a damaged one shows "Wrong GAL file!" once and keeps what was read before the damage.
ProjectResult loadProject(CBuilderDoc& doc, const std::string& path);
// Writes the gallery to a new, uniquely named file beside the real file `path` stands for
// (links resolved) and renames it over that file, which keeps its permissions; a file with
// several hard links is instead overwritten in place once the new content is whole in memory.
// Puts the path at the head of the recent list once the save can start, before any content is
// written. "Cannot save gallery!" when it cannot start (a folder, a pipe, no permission); when
// writing fails "Wrong GAL file!", followed by "The previous file was kept." when it was.
// Does not commit: the Save command does that.
ProjectResult saveProject(const CBuilderDoc& doc, const std::string& path, RecentList& recent);

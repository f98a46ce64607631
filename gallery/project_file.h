#pragma once
// The .gal project file: one binary, little-endian stream of albums, images and settings.
//
// Both directions tell the user of failures through the document's prompter (caption
// "Fotoloom", error icon) and also return what happened, for the command line's exit status.

#include <string>

class CBuilderDoc;
class RecentList;

enum class ProjectResult {
    Ok,
    CannotOpen,   // the file could not be opened for reading; the gallery is unchanged
    Damaged,      // reading stopped part way; what was read stays, committed as unmodified
    CannotSave,   // the file could not be created; nothing changed
    WriteFailed,  // writing failed part way; the previous file, if any, is intact
};

// Resets the gallery, reads the file into it, selects the first album and commits the result.
// A file that cannot be opened shows "Cannot open gallery!" and changes nothing; a damaged
// one shows "Wrong GAL file!" once and keeps what was read before the damage.
ProjectResult loadProject(CBuilderDoc& doc, const std::string& path);
// Writes the gallery to a temporary file beside `path` and renames it over `path`; puts the
// path at the head of the recent list once that file is created, before any content is
// written. "Cannot save gallery!" when it cannot be created, "Wrong GAL file!" when writing
// fails (the temporary file is removed). Does not commit: the Save command does that.
ProjectResult saveProject(const CBuilderDoc& doc, const std::string& path, RecentList& recent);

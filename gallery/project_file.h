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

// Resets the gallery, reads the file into it and commits the result.
ProjectResult loadProject(CBuilderDoc& doc, const std::string& path);
// Writes the gallery; puts the path at the head of the recent list before any content is
// written. Does not commit: the Save command does that.
ProjectResult saveProject(const CBuilderDoc& doc, const std::string& path, RecentList& recent);

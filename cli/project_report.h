#pragma once
// A project written out for people (show, album list) and for programs (show --json).

#include <ostream>

class CBuilderDoc;

// Settings, albums with their image counts, and the images album by album, numbered the way
// the album and image commands take them (1-based). Texts are quoted and escaped.
void writeProjectText(std::ostream& out, const CBuilderDoc& doc);
// The albums alone, numbered, with their image counts.
void writeAlbumList(std::ostream& out, const CBuilderDoc& doc);
// The albums as one JSON array of objects: "position" (from 1), "key", "title", "caption" and
// "imageCount".
void writeAlbumListJson(std::ostream& out, const CBuilderDoc& doc);
// One JSON object: every setting under its model name (colours as "#rrggbb"), "albums" (each
// with its position, from 1) and "images" in file order.
void writeProjectJson(std::ostream& out, const CBuilderDoc& doc);

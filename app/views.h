#pragma once
// The two views of the main window's splitter, as the frame makes them.
//
// The album list view (CBuilderView, builder_view.h) is the frame's own. The thumbnail view
// is built in thumb_viewer_view.cpp and reaches the frame only through this factory: the
// frame routes commands to it (winui::IView) while it is the active view, and forwards every
// image command (menu, toolbar and task-link ids of command_ids.h) to it otherwise. It also
// takes ID_FILE_NEW (Ctrl+N) while active. Being first on the route, its onCommand must
// return false for every id that is not its own (File, Albums, Build, Help, panes...), so
// those go on to the document, the frame and the application. The ids of its context menu
// (200..207, 300 + album, 3000 + album) are its own business: they overlap the task links
// (1001..1031) and the frame's commands, so they must come only from its own menu, never be
// claimed on the route. It observes `doc` for the rows it shows.

#include <memory>

#include "winui/command.h"

class CBuilderDoc;

// Creates the thumbnail view's window as a child of `parent` with control id `id`; null when
// the window cannot be made. The view's message boxes go through the document's prompter and
// its file and folder choices through winui::seam().
std::unique_ptr<winui::IView> createThumbViewerView(CBuilderDoc& doc, HWND parent, int id);

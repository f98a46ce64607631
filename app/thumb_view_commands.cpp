// The image operations of the thumbnail view: every source of a command lands in onCommand,
// which asks the user what it must and then calls the document's operation. The document
// reports back through the observer, and the rows follow.

#include "app/command_ids.h"
#include "app/folder_dialog.h"
#include "app/image_comment_dlg.h"
#include "app/image_file_dialog.h"
#include "app/owner_menu.h"
#include "app/thumb_viewer_view.h"
#include "winui/text.h"

namespace {

// The context menu's ids, the view's own.
constexpr UINT kContextMoveUp = 200, kContextMoveDown = 201, kContextRotateLeft = 202, kContextRotateRight = 203;
constexpr UINT kContextComment = 204, kContextRemove = 205, kContextAddImages = 206, kContextAddFolder = 207;
constexpr UINT kMoveToFirst = 300;   // + album row
constexpr UINT kCopyToFirst = 3000;  // + album row
// Move ids end where copy ids begin; copy ids must fit the 16 bits of a command id.
constexpr int kMaxMoveTargets = static_cast<int>(kCopyToFirst - kMoveToFirst);
constexpr int kMaxCopyTargets = static_cast<int>(0xFFFF - kCopyToFirst + 1);

// Menu images: the strip's cells by meaning, the album icon after them.
constexpr int kImageAddImages = 6, kImageAddFolder = 7, kImageMoveUp = 8, kImageMoveDown = 9;
constexpr int kImageRotateLeft = 10, kImageRotateRight = 11, kImageComment = 12, kImageRemove = 13;
constexpr int kImageAlbum = 17;  // after the 17 cells of the strip

class SystemAsker final : public IImageAsker {
public:
    std::vector<std::string> imageFiles(HWND owner) override { return chooseImageFiles(owner); }
    std::optional<std::string> folder(HWND owner) override { return chooseImageFolder(owner); }

    std::optional<std::string> comment(HWND owner, const Image& image) override
    {
        CImageCommentDlg dialog(image);
        if (!dialog.run(owner)) return std::nullopt;
        return dialog.comment();
    }
};

}  // namespace

void CThumbViewerView::setAsker(IImageAsker* asker)
{
    if (!asker) {
        if (!systemAsker_) systemAsker_ = std::make_unique<SystemAsker>();
        asker = systemAsker_.get();
    }
    asker_ = asker;
}

bool CThumbViewerView::onCommand(UINT id)
{
    if (!asker_) setAsker(nullptr);
    if (id == ID_FILE_NEW) {
        deleteAll();                     // the view only: the gallery stays as it is
        if (rebuildPending_) rebuild();  // the model changed meanwhile
        return true;
    }
    if (isSourceOf(kAddImagesCommand, id)) {
        addImages();
    } else if (isSourceOf(kAddFolderCommand, id)) {
        addFolder();
    } else if (isSourceOf(kImagesUpCommand, id)) {
        moveUp();
    } else if (isSourceOf(kImagesDownCommand, id)) {
        moveDown();
    } else if (isSourceOf(kRotateLeftCommand, id)) {
        rotate(-90);
    } else if (isSourceOf(kRotateRightCommand, id)) {
        rotate(90);
    } else if (isSourceOf(kImageCommentCommand, id)) {
        comment();
    } else if (isSourceOf(kRemoveImagesCommand, id)) {
        remove();
    } else {
        return false;
    }
    return true;
}

bool CThumbViewerView::onContextCommand(UINT id)
{
    if (!asker_) setAsker(nullptr);
    switch (id) {
    case kContextAddImages: addImages(); return true;
    case kContextAddFolder: addFolder(); return true;
    case kContextMoveUp: moveUp(); return true;
    case kContextMoveDown: moveDown(); return true;
    case kContextRotateLeft: rotate(-90); return true;
    case kContextRotateRight: rotate(90); return true;
    case kContextComment: comment(); return true;
    case kContextRemove: remove(); return true;
    default: break;
    }
    // Only ids that name an album of the menu just shown.
    if (id >= kMoveToFirst && id < kCopyToFirst && static_cast<int>(id - kMoveToFirst) < doc_.albumCount()) {
        moveToAlbum(static_cast<int>(id - kMoveToFirst));
        return true;
    }
    if (id >= kCopyToFirst && id <= 0xFFFF && static_cast<int>(id - kCopyToFirst) < doc_.albumCount()) {
        copyToAlbum(static_cast<int>(id - kCopyToFirst));
        return true;
    }
    return false;
}

std::unique_ptr<COwnerMenu> CThumbViewerView::buildContextMenu(bool overThumbnail)
{
    COwnerMenu::setImageEffects(0);
    auto menu = std::make_unique<COwnerMenu>();
    HIMAGELIST icons = menuIcons_.handle();
    if (!overThumbnail) {
        menu->appendItem(L"Add images...", 0, kContextAddImages, icons, kImageAddImages);
        menu->appendItem(L"Add folder...", 0, kContextAddFolder, icons, kImageAddFolder);
        return menu;
    }
    menu->appendItem(L"Move up selected image(s)", 0, kContextMoveUp, icons, kImageMoveUp);
    menu->appendItem(L"Move down selected image(s)", 0, kContextMoveDown, icons, kImageMoveDown);
    menu->appendSeparator();
    menu->appendItem(L"Rotate left selected image(s)", 0, kContextRotateLeft, icons, kImageRotateLeft);
    menu->appendItem(L"Rotate right selected image(s)", 0, kContextRotateRight, icons, kImageRotateRight);
    menu->appendSeparator();
    menu->appendItem(L"Image comment...", 0, kContextComment, icons, kImageComment);
    menu->appendItem(L"Remove selected image(s)", 0, kContextRemove, icons, kImageRemove);
    menu->appendSeparator();
    // The current album is checked; with none selected, the first.
    const int current = doc_.selectedAlbum() >= 0 ? doc_.selectedAlbum() : 0;
    COwnerMenu& move = menu->appendSubmenu(L"Move selected image(s) to", icons, -1);
    COwnerMenu& copy = menu->appendSubmenu(L"Copy selected image(s) to", icons, -1);
    for (int i = 0; i < doc_.albumCount(); ++i) {
        const std::wstring title = winui::escapeAccessKeys(winui::widen(doc_.albums()[static_cast<size_t>(i)].title));
        const UINT checked = i == current ? MF_CHECKED : 0;
        // Past the id ranges an album is listed but cannot be chosen.
        move.appendItem(title, checked | (i < kMaxMoveTargets ? 0 : MF_GRAYED),
                        i < kMaxMoveTargets ? kMoveToFirst + static_cast<UINT>(i) : 0, icons, kImageAlbum);
        copy.appendItem(title, checked | (i < kMaxCopyTargets ? 0 : MF_GRAYED),
                        i < kMaxCopyTargets ? kCopyToFirst + static_cast<UINT>(i) : 0, icons, kImageAlbum);
    }
    menu->setTitle(L"Fotoloom");
    return menu;
}

// --- the operations ---------------------------------------------------------------------------------

void CThumbViewerView::addImages()
{
    if (!doc_.requireCurrentAlbum()) return;
    const std::vector<std::string> paths = asker_->imageFiles(mainWindow());
    if (!paths.empty()) doc_.addImages(paths);
}

void CThumbViewerView::addFolder()
{
    if (!doc_.requireCurrentAlbum()) return;
    const std::optional<std::string> folder = asker_->folder(mainWindow());
    if (!folder) return;
    // Said, not silent: an empty album after a chosen folder looks like a fault of the program.
    if (doc_.addFolder(*folder) == 0)
        doc_.prompter().tell(
            "No pictures were found in '" + *folder + "' (its sub-folders are not searched); nothing was added.",
            MessageIcon::Information);
}

void CThumbViewerView::moveUp()
{
    const std::vector<int> rows = collectRows();
    if (!rows.empty()) doc_.moveImagesUp(rows);
}

void CThumbViewerView::moveDown()
{
    const std::vector<int> rows = collectRows();
    if (!rows.empty()) doc_.moveImagesDown(rows);
}

void CThumbViewerView::rotate(int degrees)
{
    const std::vector<int> rows = collectRows();
    if (!rows.empty()) doc_.rotateImages(rows, degrees);
}

void CThumbViewerView::comment()
{
    const std::vector<int> rows = collectRows();
    if (rows.empty()) return;
    const std::optional<size_t> top = doc_.galleryIndexOfRow(rows.back());  // rows are highest first
    if (!top) return;
    const Image image = doc_.images()[*top];
    if (std::optional<std::string> text = asker_->comment(mainWindow(), image)) doc_.commentImages(rows, *text);
}

void CThumbViewerView::remove()
{
    const std::vector<int> rows = collectRows();
    if (!rows.empty()) doc_.removeImages(rows);
}

void CThumbViewerView::moveToAlbum(int album)
{
    const std::vector<int> rows = collectRows();
    if (!rows.empty()) doc_.moveImagesToAlbum(rows, album);
}

void CThumbViewerView::copyToAlbum(int album)
{
    const std::vector<int> rows = collectRows();
    if (!rows.empty()) doc_.copyImagesToAlbum(rows, album);
}

#pragma once
// The command ids of the program (resources/resource.h) grouped by operation: each operation
// can arrive from the main menu, a toolbar button and a task link, and all three must do the
// same thing. Ids of the thumbnail view's context menu belong to that view.

#include "resources/resource.h"

struct CommandSources {
    unsigned menu;
    unsigned toolbar;  // 0: no button
    unsigned link;     // 0: no task link
};

inline constexpr CommandSources kNewGalleryCommand{ID_GALLERY_NEW, ID_TB_NEW, 0};
inline constexpr CommandSources kOpenGalleryCommand{ID_GALLERY_OPEN, ID_TB_OPEN, 0};
inline constexpr CommandSources kSaveGalleryCommand{ID_GALLERY_SAVE, ID_TB_SAVE, 0};

inline constexpr CommandSources kAddAlbumCommand{ID_ALBUM_ADD, ID_TB_ALBUM_ADD, ID_LINK_ALBUM_ADD};
inline constexpr CommandSources kEditAlbumCommand{ID_ALBUM_EDIT, ID_TB_ALBUM_EDIT, ID_LINK_ALBUM_EDIT};
inline constexpr CommandSources kCopyAlbumCommand{ID_ALBUM_COPY, ID_TB_ALBUM_COPY, ID_LINK_ALBUM_COPY};
inline constexpr CommandSources kRemoveAlbumCommand{ID_ALBUM_REMOVE, ID_TB_ALBUM_REMOVE, ID_LINK_ALBUM_REMOVE};
inline constexpr CommandSources kAlbumUpCommand{ID_ALBUM_UP, ID_TB_ALBUM_UP, ID_LINK_ALBUM_UP};
inline constexpr CommandSources kAlbumDownCommand{ID_ALBUM_DOWN, ID_TB_ALBUM_DOWN, ID_LINK_ALBUM_DOWN};

inline constexpr CommandSources kAddImagesCommand{ID_IMAGES_ADD, ID_TB_IMAGES_ADD, ID_LINK_IMAGES_ADD};
inline constexpr CommandSources kAddFolderCommand{ID_IMAGES_ADD_FOLDER, ID_TB_IMAGES_ADD_FOLDER,
                                                  ID_LINK_IMAGES_ADD_FOLDER};
inline constexpr CommandSources kImagesUpCommand{ID_IMAGES_UP, ID_TB_IMAGES_UP, ID_LINK_IMAGES_UP};
inline constexpr CommandSources kImagesDownCommand{ID_IMAGES_DOWN, ID_TB_IMAGES_DOWN, ID_LINK_IMAGES_DOWN};
inline constexpr CommandSources kRotateLeftCommand{ID_IMAGES_ROTATE_LEFT, ID_TB_IMAGES_ROTATE_LEFT,
                                                   ID_LINK_IMAGES_ROTATE_LEFT};
inline constexpr CommandSources kRotateRightCommand{ID_IMAGES_ROTATE_RIGHT, ID_TB_IMAGES_ROTATE_RIGHT,
                                                    ID_LINK_IMAGES_ROTATE_RIGHT};
inline constexpr CommandSources kImageCommentCommand{ID_IMAGES_COMMENT, ID_TB_IMAGES_COMMENT, ID_LINK_IMAGES_COMMENT};
inline constexpr CommandSources kRemoveImagesCommand{ID_IMAGES_REMOVE, ID_TB_IMAGES_REMOVE, ID_LINK_IMAGES_REMOVE};

inline constexpr CommandSources kGalleryTitleCommand{ID_BUILD_TITLE, ID_TB_BUILD_TITLE, ID_LINK_BUILD_TITLE};
inline constexpr CommandSources kGalleryViewCommand{ID_BUILD_VIEW, ID_TB_BUILD_VIEW, ID_LINK_BUILD_VIEW};
inline constexpr CommandSources kBuildGalleryCommand{ID_BUILD_GALLERY, 0, ID_LINK_BUILD_GALLERY};
inline constexpr CommandSources kPublishGalleryCommand{ID_BUILD_PUBLISH, 0, ID_LINK_BUILD_PUBLISH};

inline constexpr CommandSources kAlbumCommands[] = {kAddAlbumCommand,    kEditAlbumCommand, kCopyAlbumCommand,
                                                    kRemoveAlbumCommand, kAlbumUpCommand,   kAlbumDownCommand};
inline constexpr CommandSources kImageCommands[] = {kAddImagesCommand,    kAddFolderCommand,   kImagesUpCommand,
                                                    kImagesDownCommand,   kRotateLeftCommand,  kRotateRightCommand,
                                                    kImageCommentCommand, kRemoveImagesCommand};

inline constexpr CommandSources kBuildCommands[] = {kGalleryTitleCommand, kGalleryViewCommand, kBuildGalleryCommand,
                                                    kPublishGalleryCommand};

constexpr bool isSourceOf(const CommandSources& command, unsigned id)
{
    return id != 0 && (id == command.menu || id == command.toolbar || id == command.link);
}

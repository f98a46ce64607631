// The menu image list: a masked strip, then icons.

#include "app/owner_menu_icons.h"

bool COwnerMenuIcons::load(HINSTANCE module, UINT strip, int width, COLORREF mask, std::initializer_list<UINT> icons)
{
    images_.reset();
    winui::UniqueBitmap bitmap(
        static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(strip), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    const bool haveStrip = bitmap && GetObjectW(bitmap.get(), sizeof(info), &info) && width > 0;
    const int height = haveStrip ? info.bmHeight : width;
    const int cells = haveStrip ? info.bmWidth / width : 0;
    images_.reset(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, cells + static_cast<int>(icons.size()), 1));
    if (images_ && haveStrip) ImageList_AddMasked(images_.get(), bitmap.get(), mask);
    for (UINT id : icons) {
        winui::UniqueIcon icon(
            static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, 0)));
        if (icon && images_) ImageList_AddIcon(images_.get(), icon.get());
    }
    return images_ && haveStrip;
}

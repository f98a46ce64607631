#pragma once
// COwnerMenuIcons: the image list that owner-drawn menus take their pictures from, made of a
// strip of 16-pixel images with a mask colour followed by whole icons. Owns the list.

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

#include "winui/handles.h"

class COwnerMenuIcons {
public:
    COwnerMenuIcons() = default;

    // Cuts bitmap `strip` of `module` into images `width` pixels wide (pixels of `mask` are
    // transparent) and appends the icons in order. False when the strip cannot be loaded; the
    // icons that load are appended all the same.
    bool load(HINSTANCE module, UINT strip, int width, COLORREF mask, std::initializer_list<UINT> icons);

    HIMAGELIST handle() const { return images_.get(); }
    int count() const { return images_ ? ImageList_GetImageCount(images_.get()) : 0; }

private:
    winui::UniqueImageList images_;
};

#include "app/art_scale.h"

#include "resources/resource.h"

const ArtSet& artFor(int dpi)
{
    static constexpr ArtSet sets[] = {
        {100, 32, 16, 48, IDB_MENU_IMAGES, IDB_TASK_IMAGES},
        {150, 48, 24, 72, IDB_MENU_IMAGES_150, IDB_TASK_IMAGES_150},
        {200, 64, 32, 96, IDB_MENU_IMAGES_200, IDB_TASK_IMAGES_200},
    };
    if (dpi >= 192) return sets[2];
    if (dpi >= 144) return sets[1];
    return sets[0];
}

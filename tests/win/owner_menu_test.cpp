// Owner-drawn menus: what the menu holds, how items measure and paint in each state, and a
// real context menu driven by keys while it is open.

#include <gtest/gtest.h>

#include <vector>

#include "app/owner_menu.h"
#include "app/owner_menu_bitmaps.h"
#include "app/owner_menu_hook.h"
#include "paint_probe.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// One 16 x 16 image: a red 8 x 8 square in the middle, transparent around it.
HIMAGELIST makeImages()
{
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    PaintProbe cell(16, 16, kMagenta);
    RECT square{4, 4, 12, 12};
    SetBkColor(cell.dc(), kRed);
    ExtTextOutW(cell.dc(), 0, 0, ETO_OPAQUE, &square, nullptr, 0, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(cell.dc(), 16, 16);
    HDC copy = CreateCompatibleDC(cell.dc());
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, 16, 16, cell.dc(), 0, 0, SRCCOPY);
    SelectObject(copy, old);
    DeleteDC(copy);
    ImageList_AddMasked(list, bitmap, kMagenta);
    DeleteObject(bitmap);
    return list;
}

const COwnerMenuItem* itemAt(HMENU menu, int position, MENUITEMINFOW* out = nullptr)
{
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_DATA | MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &mii)) return nullptr;
    if (out) *out = mii;
    return reinterpret_cast<const COwnerMenuItem*>(mii.dwItemData);
}

class OwnerMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        images = makeImages();
        menu.setTitle(L"Fotoloom");
        menu.appendItem(L"Add images...", 0, 206, images, 0);
        menu.appendItem(L"&Rotate", MF_GRAYED, 202, images, 0);
        menu.appendSeparator();
        COwnerMenu& sub = menu.appendSubmenu(L"Move selected image(s) to", images, -1);
        sub.appendItem(L"Holidays", 0, 300, images, 0);
        sub.appendItem(L"Garden", MF_CHECKED, 301, images, 0);
    }
    void TearDown() override { ImageList_Destroy(images); }

    // Paints item `position` of `from` into a probe as the system would ask for it.
    void paint(PaintProbe& probe, HMENU from, int position, UINT state)
    {
        MENUITEMINFOW mii{};
        const COwnerMenuItem* item = itemAt(from, position, &mii);
        ASSERT_NE(item, nullptr);
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_MENU;
        dis.itemID = mii.wID;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = state;
        dis.hDC = probe.dc();
        dis.rcItem = RECT{0, 0, probe.width(), probe.height()};
        dis.itemData = mii.dwItemData;
        LRESULT result = 0;
        ASSERT_TRUE(menu.handleOwnerMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis), result));
    }

    HIMAGELIST images = nullptr;
    COwnerMenu menu;
};

TEST_F(OwnerMenuTest, EveryItemIsOwnerDrawnAndTheTitleCannotBeChosen)
{
    HMENU m = menu.handle();
    ASSERT_EQ(GetMenuItemCount(m), 5);
    MENUITEMINFOW mii;
    const COwnerMenuItem* title = itemAt(m, 0, &mii);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->kind, COwnerMenuItem::Kind::Title);
    EXPECT_EQ(title->text, L"Fotoloom");
    EXPECT_EQ(mii.fType, static_cast<UINT>(MFT_OWNERDRAW | MFT_SEPARATOR));

    const COwnerMenuItem* add = itemAt(m, 1, &mii);
    EXPECT_EQ(add->text, L"Add images...");
    EXPECT_EQ(add->image, 0);
    EXPECT_EQ(mii.wID, 206u);
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
    itemAt(m, 2, &mii);
    EXPECT_TRUE(mii.fState & MFS_DISABLED);

    itemAt(m, 4, &mii);
    ASSERT_NE(mii.hSubMenu, nullptr);
    EXPECT_EQ(GetMenuItemCount(mii.hSubMenu), 2);
    MENUITEMINFOW garden;
    itemAt(mii.hSubMenu, 1, &garden);
    EXPECT_EQ(garden.wID, 301u);
    EXPECT_TRUE(garden.fState & MFS_CHECKED);

    menu.setTitle(L"Other");  // a second title replaces the first
    EXPECT_EQ(GetMenuItemCount(m), 5);
    EXPECT_EQ(itemAt(m, 0)->text, L"Other");
}

TEST_F(OwnerMenuTest, ItemsAreMeasuredForTheirImageAndText)
{
    MENUITEMINFOW mii;
    itemAt(menu.handle(), 1, &mii);
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemID = mii.wID;
    mis.itemData = mii.dwItemData;
    LRESULT result = 0;
    ASSERT_TRUE(menu.handleOwnerMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis), result));
    EXPECT_GE(mis.itemHeight, 16u + 4u);
    EXPECT_GT(mis.itemWidth, 16u + 2 * COwnerMenuBitmaps::kGutterPad + 40u);

    // Another program's owner-drawn item is left alone.
    COwnerMenuItem stranger;
    mis.itemData = reinterpret_cast<ULONG_PTR>(&stranger);
    EXPECT_FALSE(menu.handleOwnerMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis), result));
}

TEST_F(OwnerMenuTest, ImageIsDrawnInTheGutterAndAsASilhouetteWhenDisabled)
{
    const COwnerMenuBitmaps::Colours c = COwnerMenuBitmaps::colours();
    const int x = COwnerMenuBitmaps::kGutterPad, y = (22 - 16) / 2;
    {
        PaintProbe probe(160, 22);
        paint(probe, menu.handle(), 1, 0);
        EXPECT_EQ(probe.at(x + 8, y + 8), kRed);
        EXPECT_EQ(probe.at(x + 1, y + 1), c.gutter) << "transparent corner shows the gutter";
        EXPECT_EQ(probe.at(150, 2), c.background);
    }
    PaintProbe probe(160, 22);
    paint(probe, menu.handle(), 2, ODS_GRAYED);
    EXPECT_EQ(probe.at(x + 8, y + 8), c.silhouette);
    EXPECT_EQ(probe.at(x + 4, y + 4), c.silhouette);
    EXPECT_EQ(probe.at(x + 1, y + 1), c.gutter);
    EXPECT_NE(c.silhouette, c.gutter);
}

TEST_F(OwnerMenuTest, HighlightedItemIsFilledAndCheckedItemShowsATick)
{
    const COwnerMenuBitmaps::Colours c = COwnerMenuBitmaps::colours();
    {
        PaintProbe probe(160, 22);
        paint(probe, menu.handle(), 1, ODS_SELECTED);
        EXPECT_EQ(probe.at(155, 11), c.highlight);
        EXPECT_EQ(probe.at(COwnerMenuBitmaps::kGutterPad + 8, 11), kRed) << "the image stays as it is";
    }
    MENUITEMINFOW mii;
    itemAt(menu.handle(), 4, &mii);
    PaintProbe probe(160, 22);
    paint(probe, mii.hSubMenu, 1, ODS_CHECKED);
    const int x = COwnerMenuBitmaps::kGutterPad, y = (22 - 16) / 2;
    EXPECT_EQ(probe.count(RECT{x, y, x + 16, y + 16}, kRed), 0) << "the tick replaces the image";
    EXPECT_GT(probe.count(RECT{x, y, x + 16, y + 16}, GetSysColor(COLOR_MENUTEXT)), 3) << "Marlett tick";
    EXPECT_EQ(probe.at(x - 2, y + 8), c.frame);
}

TEST_F(OwnerMenuTest, TitleIsABandOfItsOwnAndSeparatorsALine)
{
    PaintProbe probe(160, 24);
    paint(probe, menu.handle(), 0, ODS_SELECTED);  // never drawn highlighted
    EXPECT_EQ(probe.at(1, 1), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(probe.count(RECT{0, 0, 160, 24}, COwnerMenuBitmaps::colours().highlight), 0);

    PaintProbe line(160, 7);
    paint(line, menu.handle(), 3, 0);
    EXPECT_EQ(line.at(100, 3), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(line.at(100, 1), COwnerMenuBitmaps::colours().background);
}

TEST_F(OwnerMenuTest, AccessKeysOfOwnerDrawnItemsAreFound)
{
    LRESULT result = 0;
    ASSERT_TRUE(menu.handleOwnerMessage(WM_MENUCHAR, MAKEWPARAM(L'r', MF_POPUP),
                                        reinterpret_cast<LPARAM>(menu.handle()), result));
    EXPECT_EQ(LOWORD(result), 2);
    EXPECT_EQ(HIWORD(result), MNC_EXECUTE);
    EXPECT_FALSE(menu.handleOwnerMessage(WM_MENUCHAR, MAKEWPARAM(L'z', MF_POPUP),
                                         reinterpret_cast<LPARAM>(menu.handle()), result));
}

// --- a real context menu -------------------------------------------------------------------------

struct Script {
    std::vector<WPARAM> keys;
    bool sawMenuWindow = false;
    bool menuWindowSubclassed = false;
    int measured = 0;
};
Script script;

LRESULT CALLBACK ownerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (winui::offerToChild(hwnd, msg, wParam, lParam, answer)) return answer;
    if (msg == WM_ENTERIDLE && wParam == MSGF_MENU && !script.sawMenuWindow) {
        script.sawMenuWindow = true;
        script.menuWindowSubclassed = COwnerMenuHook::isSubclassed(reinterpret_cast<HWND>(lParam));
        for (WPARAM key : script.keys) PostMessageW(reinterpret_cast<HWND>(lParam), WM_KEYDOWN, key, 0);
    }
    if (msg == WM_MEASUREITEM) ++script.measured;  // only reaches here when the menu did not answer
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND makeOwner()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = ownerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OwnerMenuTestOwner";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 50, 50, 300, 300, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

TEST_F(OwnerMenuTest, ContextMenuSkipsTheTitleAndReturnsTheChosenId)
{
    HWND owner = makeOwner();
    script = Script{{VK_DOWN, VK_RETURN}};
    const UINT chosen = menu.track(owner, POINT{100, 100});
    EXPECT_TRUE(script.sawMenuWindow);
    EXPECT_TRUE(script.menuWindowSubclassed);
    EXPECT_EQ(script.measured, 0);
    EXPECT_EQ(chosen, 206u);

    script = Script{{VK_ESCAPE}};
    EXPECT_EQ(menu.track(owner, POINT{100, 100}), 0u);
    DestroyWindow(owner);
}

}  // namespace

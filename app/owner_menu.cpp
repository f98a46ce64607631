// Building owner-drawn menus and showing them as context menus.

#include "app/owner_menu.h"

#include <cwctype>

#include "app/owner_menu_bitmaps.h"
#include "app/owner_menu_hook.h"
#include "winui/dpi.h"

namespace {

int imageEffectsSwitch = 0;

UINT stateOf(UINT flags)
{
    UINT state = 0;
    if (flags & MF_CHECKED) state |= MFS_CHECKED;
    if (flags & (MF_GRAYED | MF_DISABLED)) state |= MFS_DISABLED;
    return state;
}

// The access key of a text: the character after a single '&'.
wchar_t accessKey(const std::wstring& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return static_cast<wchar_t>(std::towupper(text[i + 1]));
        ++i;
    }
    return 0;
}

}  // namespace

COwnerMenu::COwnerMenu() : menu_(CreatePopupMenu()), root_(this), ownsHandle_(true) {}

COwnerMenu::COwnerMenu(COwnerMenu* root) : menu_(CreatePopupMenu()), root_(root), ownsHandle_(false) {}

COwnerMenu::~COwnerMenu()
{
    // A submenu's handle went with its parent's DestroyMenu.
    if (ownsHandle_ && menu_) DestroyMenu(menu_);
}

void COwnerMenu::setImageEffects(int effects) { imageEffectsSwitch = effects; }

int COwnerMenu::imageEffects() { return imageEffectsSwitch; }

COwnerMenuItem* COwnerMenu::addRecord(COwnerMenuItem item)
{
    records_.push_back(std::make_unique<COwnerMenuItem>(std::move(item)));
    root_->items_.insert(records_.back().get());
    return records_.back().get();
}

bool COwnerMenu::appendItem(const std::wstring& text, UINT flags, UINT_PTR id, HIMAGELIST images, int image)
{
    if (!menu_) return false;
    COwnerMenuItem* record = addRecord({COwnerMenuItem::Kind::Command, text, images, image, false});
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
    mii.fType = MFT_OWNERDRAW;
    mii.fState = stateOf(flags);
    mii.wID = static_cast<UINT>(id);
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(record);
    return InsertMenuItemW(menu_, static_cast<UINT>(GetMenuItemCount(menu_)), TRUE, &mii) != 0;
}

bool COwnerMenu::appendSeparator()
{
    if (!menu_) return false;
    COwnerMenuItem* record = addRecord({COwnerMenuItem::Kind::Separator, {}, nullptr, -1, false});
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_DATA;
    mii.fType = MFT_OWNERDRAW | MFT_SEPARATOR;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(record);
    return InsertMenuItemW(menu_, static_cast<UINT>(GetMenuItemCount(menu_)), TRUE, &mii) != 0;
}

COwnerMenu& COwnerMenu::appendSubmenu(const std::wstring& text, HIMAGELIST images, int image, UINT flags)
{
    submenus_.push_back(std::unique_ptr<COwnerMenu>(new COwnerMenu(root_)));
    COwnerMenu& sub = *submenus_.back();
    COwnerMenuItem* record = addRecord({COwnerMenuItem::Kind::Command, text, images, image, true});
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_DATA;
    mii.fType = MFT_OWNERDRAW;
    mii.fState = stateOf(flags);
    mii.hSubMenu = sub.menu_;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(record);
    if (!menu_ || !sub.menu_ || !InsertMenuItemW(menu_, static_cast<UINT>(GetMenuItemCount(menu_)), TRUE, &mii))
        sub.ownsHandle_ = true;  // not attached: it destroys its own handle
    return sub;
}

void COwnerMenu::setTitle(const std::wstring& title)
{
    if (!menu_) return;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_DATA;
    if (GetMenuItemCount(menu_) > 0 && GetMenuItemInfoW(menu_, 0, TRUE, &mii)) {
        auto* first = reinterpret_cast<COwnerMenuItem*>(mii.dwItemData);
        if (knows(first) && first->kind == COwnerMenuItem::Kind::Title) {
            first->text = title;
            return;
        }
    }
    // An owner-drawn separator: drawn by us, never highlighted or chosen.
    COwnerMenuItem* record = addRecord({COwnerMenuItem::Kind::Title, title, nullptr, -1, false});
    mii = MENUITEMINFOW{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA;
    mii.fType = MFT_OWNERDRAW | MFT_SEPARATOR;
    mii.fState = MFS_DISABLED;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(record);
    InsertMenuItemW(menu_, 0, TRUE, &mii);
}

UINT COwnerMenu::track(HWND owner, POINT screen, UINT flags)
{
    if (!menu_ || !IsWindow(owner)) return 0;
    COwnerMenuHook hook;
    root_->dpi_ = winui::dpiOf(owner);
    // The owner offers the menu's drawing requests to it first while it is up (winui/child_messages.h).
    winui::bindMenu(owner, this);
    const BOOL chosen = TrackPopupMenuEx(menu_, flags | TPM_RETURNCMD, screen.x, screen.y, owner, nullptr);
    winui::bindMenu(owner, nullptr);
    return chosen > 0 ? static_cast<UINT>(chosen) : 0;
}

bool COwnerMenu::handleOwnerMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        auto* item = reinterpret_cast<const COwnerMenuItem*>(mis->itemData);
        if (mis->CtlType != ODT_MENU || !knows(item)) return false;
        const SIZE size = COwnerMenuBitmaps::measure(*item, menuDpi());
        mis->itemWidth = static_cast<UINT>(size.cx);
        mis->itemHeight = static_cast<UINT>(size.cy);
        result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        auto* item = reinterpret_cast<const COwnerMenuItem*>(dis->itemData);
        if (dis->CtlType != ODT_MENU || !knows(item)) return false;
        COwnerMenuBitmaps::draw(*dis, *item, menuDpi());
        result = TRUE;
        return true;
    }
    case WM_MENUCHAR: {
        result = menuChar(static_cast<wchar_t>(LOWORD(wParam)), reinterpret_cast<HMENU>(lParam));
        return result != 0;
    }
    default: return false;
    }
}

int COwnerMenu::menuDpi() const { return root_->dpi_ > 0 ? root_->dpi_ : winui::dpiOf(nullptr); }

// Owner-drawn items have no text the system could search for access keys.
LRESULT COwnerMenu::menuChar(wchar_t key, HMENU menu) const
{
    const wchar_t wanted = static_cast<wchar_t>(std::towupper(key));
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_DATA | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
        auto* item = reinterpret_cast<const COwnerMenuItem*>(mii.dwItemData);
        if (!knows(item) || item->kind != COwnerMenuItem::Kind::Command || accessKey(item->text) != wanted) continue;
        return MAKELRESULT(i, mii.hSubMenu ? MNC_SELECT : MNC_EXECUTE);
    }
    return 0;
}

#pragma once
// COwnerMenu: popup menus whose every item is owner-drawn, with an image from an image list
// beside the text, check marks in the "Marlett" symbol font, and an optional title band.
//
// USAGE
//   COwnerMenu menu;
//   menu.setTitle(L"Fotoloom");
//   menu.appendItem(L"Add images...", 0, 206, icons.handle(), 6);
//   COwnerMenu& sub = menu.appendSubmenu(L"Move selected image(s) to", icons.handle(), -1);
//   sub.appendItem(L"Holidays", MF_CHECKED, 300, icons.handle(), 16);
//   UINT id = menu.track(view, screenPoint);   // 0 when nothing was chosen
//
// track() answers the owner's WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR itself for as long
// as the menu is open (it subclasses the owner for that time), and returns the chosen id
// instead of posting WM_COMMAND. While the menu is open, COwnerMenuHook subclasses the
// system's menu windows so that they draw a border matching the items.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "winui/child_messages.h"

// What one item shows.
struct COwnerMenuItem {
    enum class Kind { Command, Separator, Title };
    Kind kind = Kind::Command;
    std::wstring text;  // '&' marks the access key; after a tab, the shortcut text
    HIMAGELIST images = nullptr;
    int image = -1;        // index in images; -1: none
    bool submenu = false;  // the system draws the arrow
};

class COwnerMenu final : public winui::IChildMessages {
public:
    COwnerMenu();
    ~COwnerMenu() override;
    COwnerMenu(const COwnerMenu&) = delete;
    COwnerMenu& operator=(const COwnerMenu&) = delete;

    HMENU handle() const { return menu_; }

    // Family-wide: 0 draws a disabled item's image as a one-colour silhouette and a highlighted
    // one as it is; 1 uses prepared variants at the next image-list positions (image + 1 for
    // disabled, image + 2 for highlighted).
    static void setImageEffects(int effects);
    static int imageEffects();

    // flags: MF_CHECKED, MF_GRAYED / MF_DISABLED. False when the menu refused the item.
    bool appendItem(const std::wstring& text, UINT flags, UINT_PTR id, HIMAGELIST images, int image);
    bool appendSeparator();
    // A submenu, owned by this menu; its items are appended through the reference.
    COwnerMenu& appendSubmenu(const std::wstring& text, HIMAGELIST images, int image, UINT flags = 0);
    // A band at the top of the menu showing `title`; it cannot be chosen.
    void setTitle(const std::wstring& title);

    // Shows the menu at a screen point for `owner` (a window of this thread) and returns the
    // chosen command id, 0 when the menu was dismissed.
    UINT track(HWND owner, POINT screen, UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON);

    // The owner-message handling that track() binds to its owner, for owners that show the
    // menu themselves: true when the message was an owner-drawn request for one of our items.
    bool handleOwnerMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool onParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        return handleOwnerMessage(msg, wParam, lParam, result);
    }

private:
    explicit COwnerMenu(COwnerMenu* root);
    COwnerMenuItem* addRecord(COwnerMenuItem item);
    bool knows(const COwnerMenuItem* item) const { return root_->items_.count(item) != 0; }
    LRESULT menuChar(wchar_t key, HMENU menu) const;
    // The DPI the menu shows at: its owner's once track() has it, else the screen's.
    int menuDpi() const;

    HMENU menu_ = nullptr;
    COwnerMenu* root_;  // the menu that track() is called on
    int dpi_ = 0;       // the owner's, set by track()
    bool ownsHandle_;   // a submenu's handle dies with its parent
    std::vector<std::unique_ptr<COwnerMenuItem>> records_;
    std::vector<std::unique_ptr<COwnerMenu>> submenus_;
    std::unordered_set<const COwnerMenuItem*> items_;  // root only: every record of the tree
};

#include "app/task_pane_host.h"

#include <commctrl.h>

#include "app/art_scale.h"
#include "app/sidefold_imports.h"
#include "resources/resource.h"

namespace {

constexpr int kTaskPaneBarId = 123;
constexpr DWORD kTaskPaneBarStyle = kBarAlignLeft | kBarBorderRight | kBarSizeDynamic;  // 0x1404
constexpr UINT kSendTimeoutMs = 100000;

struct LinkImage {
    int control;
    int image;
};

struct Group {
    int id;  // group id and template id
    const char* caption;
    DWORD headerStyle;
    bool icon;            // the group icon list, index 0
    const char* tooltip;  // for the group's header and links
    const LinkImage* links;
    size_t linkCount;
};

// The headers: a tooltip, a focus rectangle that a click does not bring, the system sounds, open
// from the start; the first two groups in the main look and stretching, the third rolling.
constexpr DWORD kHeaderCommon = SIDEFOLD_HEADER_TOOLTIP | SIDEFOLD_HEADER_FOCUS_RECT |
                                SIDEFOLD_HEADER_NO_FOCUS_ON_CLICK | SIDEFOLD_HEADER_SOUNDS | SIDEFOLD_HEADER_EXPANDED;
constexpr DWORD kMainHeader = kHeaderCommon | SIDEFOLD_HEADER_MAIN | SIDEFOLD_ANIMATE_STRETCH;
constexpr DWORD kPlainHeader = kHeaderCommon | SIDEFOLD_ANIMATE_ROLL;

constexpr LinkImage kAlbumLinks[] = {{ID_LINK_ALBUM_ADD, 0},    {ID_LINK_ALBUM_EDIT, 1}, {ID_LINK_ALBUM_COPY, 2},
                                     {ID_LINK_ALBUM_REMOVE, 3}, {ID_LINK_ALBUM_UP, 4},   {ID_LINK_ALBUM_DOWN, 5}};
constexpr LinkImage kImageLinks[] = {{ID_LINK_IMAGES_ADD, 6},          {ID_LINK_IMAGES_ADD_FOLDER, 7},
                                     {ID_LINK_IMAGES_UP, 8},           {ID_LINK_IMAGES_DOWN, 9},
                                     {ID_LINK_IMAGES_ROTATE_LEFT, 10}, {ID_LINK_IMAGES_ROTATE_RIGHT, 11},
                                     {ID_LINK_IMAGES_COMMENT, 12},     {ID_LINK_IMAGES_REMOVE, 13}};
constexpr LinkImage kGalleryLinks[] = {
    {ID_LINK_BUILD_TITLE, 14}, {ID_LINK_BUILD_VIEW, 15}, {ID_LINK_BUILD_PUBLISH, 16}};

constexpr Group kGroups[3] = {
    {IDD_TASK_ALBUMS, "Albums management", kMainHeader, true, "Albums Management", kAlbumLinks, std::size(kAlbumLinks)},
    {IDD_TASK_IMAGES, "Images management", kMainHeader, false, "Images Management", kImageLinks,
     std::size(kImageLinks)},
    {IDD_TASK_GALLERY, "Web Gallery management", kPlainHeader, false, "Web Gallery Management", kGalleryLinks,
     std::size(kGalleryLinks)},
};

const Group* groupWithId(int id)
{
    for (const Group& g : kGroups)
        if (g.id == id) return &g;
    return nullptr;
}

}  // namespace

bool CTaskPaneHost::createBar(HWND frame)
{
    for (bool& added : groupAdded_) added = false;
    // The pane's keys reach the frame from the pane's own thread, past the program's loop: the
    // frame's accelerators are looked up here.
    if (HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {
        accelerators_.resize(static_cast<size_t>(CopyAcceleratorTableW(table, nullptr, 0)));
        CopyAcceleratorTableW(table, accelerators_.data(), static_cast<int>(accelerators_.size()));
    }
    return bar_.create(frame, L"Web Gallery management", kTaskPaneBarId, kTaskPaneBarStyle) && bar_.pane();
}

bool CTaskPaneHost::createImageLists(HINSTANCE instance, int dpi)
{
    if (groupIcons_ && linkImages_.hot) return true;
    return makeImageLists(instance, dpi);
}

bool CTaskPaneHost::makeImageLists(HINSTANCE instance, int dpi)
{
    const ArtSet& art = artFor(dpi);
    int count = 0;
    winui::UniqueImageList icons(
        sidefoldImageLists(instance, art.headerStrip, art.header, RGB(255, 0, 255), &count, nullptr, nullptr, nullptr));
    // The strip's own pictures show when the mouse is over a link; the darkened ones otherwise.
    LinkImages links;
    HIMAGELIST disabled = nullptr;
    HIMAGELIST normal = nullptr;
    links.hot.reset(
        sidefoldImageLists(instance, art.menuStrip, art.menu, 0x007D7C7B, &links.count, nullptr, &disabled, &normal));
    links.disabled.reset(disabled);
    links.normal.reset(normal);
    if (!icons || !links.hot) return false;
    artPercent_ = art.percent;
    groupIcons_ = std::move(icons);
    linkImages_ = std::move(links);
    return true;
}

bool CTaskPaneHost::applyDpi(HINSTANCE instance, int dpi)
{
    if (artFor(dpi).percent == artPercent_ && groupIcons_ && linkImages_.hot) return true;
    // The groups keep drawing with the old lists until they hold the new ones.
    winui::UniqueImageList oldIcons = std::move(groupIcons_);
    LinkImages oldLinks = std::move(linkImages_);
    if (!makeImageLists(instance, dpi)) {
        groupIcons_ = std::move(oldIcons);
        linkImages_ = std::move(oldLinks);
        return false;
    }
    if (!IsWindow(pane())) return true;
    // Sent with a time-out: the groups live on the pane's thread.
    const SidefoldImageListBlock images = linkImages_.block();
    auto send = [](HWND to, UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR answer = 0;
        return SendMessageTimeoutA(to, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &answer) ? answer : 0;
    };
    for (const Group& g : kGroups) {
        if (g.icon) {
            if (auto header = reinterpret_cast<HWND>(send(pane(), SIDEFOLD_BAR_HEADER_ID, g.id, 0)))
                send(header, SIDEFOLD_HEADER_SET_ICON, reinterpret_cast<WPARAM>(groupIcons_.get()), 0);
        }
        auto dialog = reinterpret_cast<HWND>(send(pane(), SIDEFOLD_BAR_DIALOG_ID, g.id, 0));
        if (!dialog) continue;
        for (size_t i = 0; i < g.linkCount; ++i)
            if (HWND link = GetDlgItem(dialog, g.links[i].control))
                send(link, SIDEFOLD_LINK_SET_IMAGES, static_cast<WPARAM>(g.links[i].image),
                     reinterpret_cast<LPARAM>(&images));
    }
    return true;
}

void CTaskPaneHost::addGroups(HWND frame, HINSTANCE instance)
{
    for (size_t i = 0; i < std::size(kGroups); ++i) {
        if (groupAdded_[i]) continue;
        groupAdded_[i] = true;
        if (!IsWindow(pane()) || !frame) continue;
        const Group& g = kGroups[i];
        SidefoldGroupDescription d{};
        d.size = sizeof(d);
        d.groupId = g.id;
        d.templateModule = instance;
        d.templateId = static_cast<DWORD>(g.id);
        d.owner = frame;
        d.headerStyle = g.headerStyle;
        d.title = g.caption;
        d.headerImages = g.icon ? groupIcons_.get() : nullptr;
        SendMessageA(pane(), SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d));
    }
}

LRESULT CTaskPaneHost::onForwarded(HWND frame, WPARAM wParam, LPARAM lParam) const
{
    if (wParam != SIDEFOLD_FORWARDED_TAG || !lParam) return 0;
    const auto& record = *reinterpret_cast<const SidefoldForwardedMessage*>(lParam);
    const Group* group = groupWithId(record.groupId);
    switch (record.message) {
    case WM_NOTIFY: {
        auto* request = reinterpret_cast<NMTTDISPINFOA*>(record.lParam);
        if (!request) return 0;
        const int code = static_cast<int>(request->hdr.code);
        if (code != SIDEFOLD_NOTIFY_LINK_TOOLTIP && code != SIDEFOLD_NOTIFY_HEADER_TOOLTIP) return 0;
        lstrcpynA(request->szText, group ? group->tooltip : "Web Gallery management", sizeof(request->szText));
        return 1;
    }
    case WM_INITDIALOG: {
        if (!group) return 0;
        // Sent with a time-out: the links live on the pane's thread, which waits for this answer.
        const SidefoldImageListBlock images = linkImages_.block();
        for (size_t i = 0; i < group->linkCount; ++i) {
            HWND link = GetDlgItem(record.dialog, group->links[i].control);
            if (!link) continue;
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(link, SIDEFOLD_LINK_SET_IMAGES, static_cast<WPARAM>(group->links[i].image),
                                reinterpret_cast<LPARAM>(&images), SMTO_NORMAL, kSendTimeoutMs, &ignored);
        }
        return 1;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return onKey(frame, record.wParam);
    case WM_COMMAND: {
        if (!group) return 0;
        // The pane's thread waits for this answer: it is given first, so that a command that
        // opens a modal dialog does not hold the pane (no painting, no input) while it is up.
        // The record goes with the answer; what the command needs is copied before.
        const WPARAM command = record.wParam;
        const LPARAM control = record.lParam;
        if ((InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_REPLIED)) == ISMEX_SEND) ReplyMessage(1);
        SendMessageW(frame, WM_COMMAND, command, control);
        return 1;
    }
    default: return 0;
    }
}

LRESULT CTaskPaneHost::onKey(HWND frame, WPARAM key) const
{
    const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    const bool escape = key == VK_ESCAPE && !shift && !control && !alt;
    WORD command = 0;
    for (const ACCEL& a : accelerators_) {
        if ((a.fVirt & FVIRTKEY) && a.key == key && ((a.fVirt & FSHIFT) != 0) == shift &&
            ((a.fVirt & FCONTROL) != 0) == control && ((a.fVirt & FALT) != 0) == alt) {
            command = a.cmd;
            break;
        }
    }
    if (!escape && !command) return 0;
    // Answered first, as a link's command is: what the key runs may open a modal dialog.
    if ((InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_REPLIED)) == ISMEX_SEND) ReplyMessage(1);
    if (escape) {
        if (onEscape) onEscape();
    } else {
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    }
    return 1;
}

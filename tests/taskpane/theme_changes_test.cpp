// Theme and system-colour changes, many times over: what the bar made for the old look (the
// library's theme record and its bitmaps, the pane's background, the fonts) goes once nothing
// draws with it, so the process's GDI objects stay as many as before.

#include "sidefold_host.h"

namespace {

// The process's GDI objects. Wine answers GetGuiResources with 0; there the live bitmaps are
// counted instead, by asking every handle its slot could have (index in the low word, the kind
// in the next byte, as a fresh bitmap's handle shows, and the slot's generation in the top byte).
DWORD gdiObjects()
{
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return count;
    HBITMAP probe = CreateBitmap(1, 1, 1, 32, nullptr);
    const auto kind = reinterpret_cast<ULONG_PTR>(probe) & 0x00FF0000u;
    DeleteObject(probe);
    DWORD count = 0;
    for (ULONG_PTR generation = 0; generation < 0x100; ++generation)
        for (ULONG_PTR index = 0; index < 0x10000; ++index)
            if (GetObjectType(reinterpret_cast<HGDIOBJ>(generation << 24 | kind | index)) == OBJ_BITMAP) ++count;
    return count;
}

}  // namespace

TEST(ThemeChanges, AHundredThemeChangesLeaveTheGdiObjectCountWhereItWas)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 300);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_LINKS, host.window(), SIDEFOLD_HEADER_EXPANDED);
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    auto change = [&](int times) {
        for (int i = 0; i < times; ++i) {
            SendMessageA(bar, i % 2 ? WM_SYSCOLORCHANGE : WM_THEMECHANGED, 0, 0);
            pumpUntil([] { return true; });
        }
    };
    // A few first, so that whatever is made once (and kept) is there before counting.
    change(4);
    const DWORD before = gdiObjects();
    ASSERT_GT(before, 0u) << "no count of GDI objects here";
    change(100);
    const DWORD after = gdiObjects();
    EXPECT_LE(after, before + 10) << "each change keeps the old look's objects";
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

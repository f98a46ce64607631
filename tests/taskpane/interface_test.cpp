// The binary interface: exports by ordinal only, the registered classes, the tiny ordinals.

#include "sidefold_host.h"

#include <fstream>
#include <iterator>

namespace {

const IMAGE_EXPORT_DIRECTORY& exportsOf(HMODULE module)
{
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    return *reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
}

}  // namespace

TEST(SidefoldInterface, ExportsTheSevenOrdinalsAndNoNames)
{
    const SidefoldExports& s = sidefold();
    ASSERT_NE(s.module, nullptr) << "Sidefold.dll beside the test program";
    EXPECT_EQ(exportsOf(s.module).NumberOfNames, 0u);
    for (int ordinal : {1, 2, 4, 7, 8, 9, 10})
        EXPECT_NE(GetProcAddress(s.module, MAKEINTRESOURCEA(ordinal)), nullptr) << ordinal;
    for (int ordinal : {3, 5, 6, 11})
        EXPECT_EQ(GetProcAddress(s.module, MAKEINTRESOURCEA(ordinal)), nullptr) << ordinal;
    EXPECT_EQ(s.probe(), 1);
    s.nothing();
}

TEST(SidefoldInterface, RegistersItsFiveGlobalClasses)
{
    const SidefoldExports& s = sidefold();
    ASSERT_NE(s.module, nullptr);
    const struct {
        const char* name;
        UINT style;
    } classes[] = {
        {"CollapseXPStyleBar32", CS_GLOBALCLASS},
        {"TaskLink32", CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW},
        {"CollapsibleHeader32", CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW},
        {"CBStatic32", CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW},
        {"CBButton32", CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW},
    };
    for (const auto& c : classes) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        // Global classes are found from any module of the process, the host's included.
        ASSERT_TRUE(GetClassInfoExA(testModule(), c.name, &wc)) << c.name;
        EXPECT_EQ(wc.style, c.style) << c.name;
        EXPECT_EQ(wc.cbClsExtra, 0) << c.name;
        EXPECT_EQ(wc.cbWndExtra, 0) << c.name;
        EXPECT_EQ(wc.hbrBackground, nullptr) << c.name;
        EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))) << c.name;
        // Registered with the library's module handle.
        HWND w = CreateWindowExA(0, c.name, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, testModule(), nullptr);
        ASSERT_TRUE(IsWindow(w)) << c.name;
        EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrA(w, GCLP_HMODULE)), s.module) << c.name;
        DestroyWindow(w);
    }
}

TEST(SidefoldInterface, ASecondCopyInTheProcessFailsToLoadAndLeavesTheFirstWorking)
{
    const SidefoldExports& s = sidefold();
    ASSERT_NE(s.module, nullptr);
    char path[MAX_PATH] = {}, copy[MAX_PATH] = {};
    GetModuleFileNameA(s.module, path, MAX_PATH);
    lstrcpyA(copy, path);
    lstrcpyA(copy + lstrlenA(copy) - 4, "-copy.dll");
    ASSERT_TRUE(CopyFileA(path, copy, FALSE));
    // Its classes exist already: its start fails, and its end must not undo the first copy's.
    HMODULE second = LoadLibraryA(copy);
    EXPECT_EQ(second, nullptr);
    if (second) FreeLibrary(second);
    DeleteFileA(copy);

    HostWindow host;
    HWND bar = s.createBar(host.window(), 0, 0, 0, 0, 200, 300);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_LINKS, host.window(), SIDEFOLD_HEADER_EXPANDED);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    EXPECT_TRUE(GetClassInfoExA(testModule(), SIDEFOLD_CLASS_LINK, &wc));
    EXPECT_TRUE(s.destroyBar(bar));
}

// What the library does is changed only by the host's own code: no environment variable of a
// process that loads it can make it load another library or change its timing.
TEST(SidefoldInterface, TakesTestHooksFromItsHostAloneAndReadsNoEnvironment)
{
    const SidefoldExports& s = sidefold();
    ASSERT_NE(s.module, nullptr);
    char path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(s.module, path, sizeof(path)), 0u);
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 4096u) << path;
    for (const char* word : {"GetEnvironmentVariable", "SIDEFOLD_"})
        EXPECT_EQ(bytes.find(word), std::string::npos) << word << " in " << path;

    ASSERT_NE(s.setTestHooks, nullptr);
    SidefoldTestHooks bad = testHooks();
    bad.cbSize = sizeof(bad) - 1;
    EXPECT_FALSE(s.setTestHooks(&bad));
    bad = testHooks();
    bad.animationPauseMs = 1000;
    EXPECT_FALSE(s.setTestHooks(&bad));
    bad = testHooks();
    bad.dpi = 20;
    EXPECT_FALSE(s.setTestHooks(&bad));
    EXPECT_FALSE(s.setTestHooks(nullptr));
    EXPECT_TRUE(s.setTestHooks(&testHooks()));
}

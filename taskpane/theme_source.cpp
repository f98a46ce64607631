// Ordinals 7 and 8, and finding the shell style file of the current visual style: the style
// named in the registry, its colour scheme, and "shell\<scheme>\shellstyle.dll" beside it.

#include "taskpane/theme_source.h"

#include <cstdlib>
#include <cstring>

#include "taskpane/library.h"
#include "taskpane/theme_sheet.h"

namespace sidefold {

namespace {

constexpr size_t kName = 260;

// A string value of at most 260 bytes, always terminated.
bool readString(HKEY key, const char* name, char (&out)[kName + 1], DWORD* type = nullptr)
{
    std::memset(out, 0, sizeof(out));
    DWORD size = kName, kind = 0;
    if (RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS) return false;
    out[kName] = 0;
    if (type) *type = kind;
    return kind == REG_SZ || kind == REG_EXPAND_SZ;
}

bool containsMsstyles(const char* name)
{
    char lower[kName] = {};
    for (size_t i = 0; i + 1 < sizeof(lower) && name[i]; ++i) {
        const char c = name[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return std::strstr(lower, ".msstyles") != nullptr;
}

// Fills the three names; false when there is no usable visual style.
bool findShellStyle(SidefoldTheme& theme)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return false;
    char value[kName + 1];
    bool found = false;
    do {
        if (!readString(key, "ThemeActive", value) || std::strtol(value, nullptr, 10) == 0) break;
        if (!readString(key, "DllName", value)) break;
        const DWORD n = ExpandEnvironmentStringsA(value, theme.styleFileName, kName - 1);
        if (n == 0 || n > kName - 1) {
            theme.styleFileName[0] = 0;
            break;
        }
        if (!containsMsstyles(theme.styleFileName)) break;
        if (!readString(key, "ColorName", value)) {
            theme.styleFileName[0] = 0;
            theme.colourSchemeName[0] = 0;
            break;
        }
        lstrcpynA(theme.colourSchemeName, value, kName);
        // The folder of the style file, then shell\<scheme>\shellstyle.dll. A path that would
        // not fit counts as no style.
        char path[kName] = {};
        lstrcpynA(path, theme.styleFileName, kName);
        char* slash = std::strrchr(path, '\\');
        if (slash)
            *slash = 0;
        else
            path[0] = 0;
        const size_t need = std::strlen(path) + std::strlen("\\shell\\") + std::strlen(theme.colourSchemeName) +
                            std::strlen("\\shellstyle.dll");
        if (need >= kName) break;
        std::strcat(path, "\\shell\\");
        std::strcat(path, theme.colourSchemeName);
        std::strcat(path, "\\shellstyle.dll");
        lstrcpynA(theme.shellStylePath, path, kName);
        found = true;
    } while (false);
    RegCloseKey(key);
    return found;
}

// Reads the style sheet of the shell style file; true when the record is filled from it.
bool readShellStyle(SidefoldTheme& theme)
{
    HMODULE file = LoadLibraryExA(theme.shellStylePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!file) return false;
    theme.shellStyleOpened = 1;
    bool ok = false;
    if (HRSRC info = FindResourceA(file, MAKEINTRESOURCEA(1), "UIFILE")) {
        const DWORD size = SizeofResource(file, info);
        HGLOBAL handle = LoadResource(file, info);
        const void* data = handle ? LockResource(handle) : nullptr;
        if (data && size > 0) ok = readStyleSheet(theme, file, static_cast<const uint8_t*>(data), size);
    }
    FreeLibrary(file);
    return ok;
}

}  // namespace

int fillTheme(SidefoldTheme* theme, int namesOnly)
{
    if (!writable(theme, sizeof(*theme)) || theme->size != sizeof(SidefoldTheme)) return 0;
    *theme = SidefoldTheme{};
    theme->size = sizeof(SidefoldTheme);
    if (themedDrawing() && findShellStyle(*theme) && !namesOnly && readShellStyle(*theme)) return 1;
    fillSystemLook(*theme);
    return 1;
}

void releaseTheme(SidefoldTheme* theme)
{
    if (!writable(theme, sizeof(*theme))) return;
    auto drop = [](HBITMAP b) {
        if (b) DeleteObject(b);
    };
    for (HBITMAP b : theme->triangleGlyphs) drop(b);
    for (HBITMAP b : theme->arrowGlyphs) drop(b);
    for (HBITMAP b : theme->mainArrowGlyphs) drop(b);
    drop(theme->headerBackground);
    drop(theme->mainHeaderBackground);
}

}  // namespace sidefold

extern "C" {

int WINAPI sidefoldFillTheme(SidefoldTheme* theme, int namesOnly) { return sidefold::fillTheme(theme, namesOnly); }

void WINAPI sidefoldReleaseTheme(SidefoldTheme* theme) { sidefold::releaseTheme(theme); }

}  // extern "C"

#include "winui/known_folders.h"

#include <shlobj.h>
#include <windows.h>

#include "winui/text.h"

namespace winui {

std::string documentsFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0])
        return narrow(path);
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
    return length > 0 && length < MAX_PATH ? narrow(path) : std::string(".");
}

}  // namespace winui

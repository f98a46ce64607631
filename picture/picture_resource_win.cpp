// CPicture::LoadResource: a picture kept in a module's resources.

#include <windows.h>

#include "picture/picture.h"

bool CPicture::LoadResource(const wchar_t* resourceType, unsigned resourceId, int formatCode, HINSTANCE module)
{
    Destroy();
    if (!resourceType) return false;
    HMODULE from = module ? module : GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(from, MAKEINTRESOURCEW(resourceId), resourceType);
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(from, found);
    const DWORD size = SizeofResource(from, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data && size && loadMemory(data, size, formatCode);
}

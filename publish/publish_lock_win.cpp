#include <windows.h>

#include <algorithm>

#include "publish/publish_lock.h"

LockHolder thisPublisher(int64_t now)
{
    wchar_t name[256] = {};
    DWORD size = 255;
    LockHolder holder;
    if (GetComputerNameExW(ComputerNamePhysicalDnsHostname, name, &size))
        for (const wchar_t* c = name; *c; ++c)
            holder.host += (*c == L'.' || *c == L'-' || *c == L'_' || (*c >= L'0' && *c <= L'9') ||
                            (*c >= L'a' && *c <= L'z') || (*c >= L'A' && *c <= L'Z'))
                               ? static_cast<char>(*c)
                               : '_';
    if (holder.host.empty()) holder.host = "unknown";
    holder.host.resize(std::min<size_t>(holder.host.size(), 64));
    holder.pid = GetCurrentProcessId();
    holder.renewed = now;
    return holder;
}

bool processRuns(unsigned long pid)
{
    if (pid == 0) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's, running
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

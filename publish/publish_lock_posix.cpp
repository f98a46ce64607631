#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "publish/publish_lock.h"

LockHolder thisPublisher(int64_t now)
{
    char name[256] = {};
    LockHolder holder;
    if (gethostname(name, sizeof name - 1) == 0)
        for (const char* c = name; *c; ++c)
            holder.host += (*c == '.' || *c == '-' || *c == '_' || (*c >= '0' && *c <= '9') ||
                            (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z'))
                               ? *c
                               : '_';
    if (holder.host.empty()) holder.host = "unknown";
    holder.host.resize(std::min<size_t>(holder.host.size(), 64));
    holder.pid = static_cast<unsigned long>(getpid());
    holder.renewed = now;
    return holder;
}

bool processRuns(unsigned long pid)
{
    if (pid == 0 || pid > static_cast<unsigned long>(INT32_MAX)) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

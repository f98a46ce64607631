#include "publish/client_process.h"

bool takeOutputLine(std::string& pending, std::string& line, bool ended)
{
    const size_t end = pending.find('\n');
    if (end == std::string::npos) {
        if (!ended || pending.empty()) return false;
        line = std::move(pending);
        pending.clear();
        return true;
    }
    line.assign(pending, 0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pending.erase(0, end + 1);
    return true;
}

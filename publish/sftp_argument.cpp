#include "publish/sftp_argument.h"

std::optional<std::string> sftpArgument(std::string_view path)
{
    if (path.empty()) return std::nullopt;
    std::string quoted("\"");
    if (path.starts_with('-')) quoted += "./";
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

#include "publish/sftp_address.h"

#include <charconv>

namespace {

// Characters no part of an address may hold: they would end a command line or a protocol line,
// or (a leading '-') be taken for an option by the client.
bool hasControl(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

}  // namespace

bool isSftpAddress(std::string_view text) { return text.starts_with(kSftpScheme); }

std::optional<SftpAddress> parseSftpAddress(std::string_view text, std::string& error)
{
    const std::string shown(text);
    if (!isSftpAddress(text)) {
        error = "'" + shown + "' is no SFTP address (sftp://user@host/path)";
        return std::nullopt;
    }
    if (hasControl(text)) {
        error = "the SFTP address holds a control character (a line break or a tab)";
        return std::nullopt;
    }
    std::string_view rest = text.substr(kSftpScheme.size());
    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);

    SftpAddress address;
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
        address.user = std::string(authority.substr(0, at));
        authority.remove_prefix(at + 1);
        if (address.user.empty() || address.user.starts_with('-')) {
            error = "the user name in '" + shown + "' is empty or starts with '-'";
            return std::nullopt;
        }
    }
    std::string_view port;
    if (authority.starts_with('[')) {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            error = "the host in '" + shown + "' opens a '[' it does not close";
            return std::nullopt;
        }
        address.host = std::string(authority.substr(1, close - 1));
        std::string_view after = authority.substr(close + 1);
        if (!after.empty() && !after.starts_with(':')) {
            error = "'" + shown + "' has something after the host that is no port";
            return std::nullopt;
        }
        if (!after.empty()) port = after.substr(1);
    } else {
        const size_t colon = authority.find(':');
        address.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) port = authority.substr(colon + 1);
    }
    if (address.host.empty() || address.host.starts_with('-') ||
        address.host.find_first_of(" @/'\"\\") != std::string::npos) {
        error = "'" + shown + "' names no usable host";
        return std::nullopt;
    }
    if (!port.empty() || authority.ends_with(':')) {
        int value = 0;
        const auto [end, failure] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (failure != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535) {
            error = "the port in '" + shown + "' is not a number from 1 to 65535";
            return std::nullopt;
        }
        address.port = value;
    }
    // Trailing slashes say nothing; "/~" starts a path under the home folder.
    while (path.size() > 1 && path.ends_with('/')) path.remove_suffix(1);
    if (path == "/~") {
        address.path.clear();
    } else if (path.starts_with("/~/")) {
        address.path = std::string(path.substr(3));
    } else {
        address.path = std::string(path);
    }
    return address;
}

#pragma once
// An SFTP destination as the user writes it: sftp://[user@]host[:port]/path. The path is the
// server's absolute path; "/~/path" (or "/~") is a folder under the user's home on the server.
// A host written in brackets ("[::1]") may hold colons.

#include <optional>
#include <string>
#include <string_view>

struct SftpAddress {
    std::string user;  // "" for the client's own choice (its configuration, or the local user)
    std::string host;
    int port = 0;      // 0 for the client's own choice
    std::string path;  // as the server names it: "/srv/www" or, under the home folder, "www" ("" for home)

    // user@host for the client's command line.
    std::string target() const { return user.empty() ? host : user + '@' + host; }
};

inline constexpr std::string_view kSftpScheme = "sftp://";

bool isSftpAddress(std::string_view text);
// The address, or nothing with `error` set to why it is not one we can use.
std::optional<SftpAddress> parseSftpAddress(std::string_view text, std::string& error);

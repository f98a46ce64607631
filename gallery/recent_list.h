#pragma once
// The three most recently saved gallery projects, kept in "last.ini" beside the program,
// section "Last Modified Galleries", keys "Last 1" (most recent) to "Last 3".

#include <array>
#include <string>

class RecentList {
public:
    explicit RecentList(std::string iniPath);
    // "last.ini" in the program's folder; when no file can be made there, in the per-user
    // settings folder (%APPDATA%\Fotoloom, $XDG_CONFIG_HOME/fotoloom or ~/.config/fotoloom).
    static std::string defaultIniPath();

    const std::string& iniPath() const { return iniPath_; }
    // The three paths, empty where unset.
    std::array<std::string, 3> read() const;
    // Moves a path to the head; compared byte for byte, case counting.
    void putAtHead(const std::string& galleryPath);

private:
    std::string iniPath_;
};

#pragma once
// The user's folders the system knows (UTF-8): on Windows from the shell, elsewhere from the XDG
// environment and the home folder. known_folders_win.cpp and known_folders_posix.cpp.

#include <string>

// The user's documents folder; the current folder when the system names none.
std::string documentsFolder();
// The per-user folder for settings that travel with the user (%APPDATA%, $XDG_CONFIG_HOME or
// ~/.config); "" when there is none.
std::string roamingDataFolder();
// The per-user folder for what stays on this machine, caches and scratch files (%LOCALAPPDATA%,
// $XDG_CACHE_HOME or ~/.cache); "" when there is none.
std::string localDataFolder();

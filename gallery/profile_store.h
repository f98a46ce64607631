#pragma once
// Private profile strings (INI files), the way the recent list keeps its paths. Windows uses
// the system's profile functions; elsewhere gallery/ini_file.h does the same job portably.
// Paths, sections, keys and values are UTF-8.

#include <string>

// The value of a key; "" when the file, the section or the key is missing.
std::string readProfileString(const std::string& iniPath, const std::string& section, const std::string& key);
// Sets a key, creating the file and section as needed. False when the file cannot be written
// or the value cannot be stored in the format (a line break, for one); the file is unchanged then.
bool writeProfileString(const std::string& iniPath, const std::string& section, const std::string& key,
                        const std::string& value);
// Where the program keeps its small settings files: its own folder, or the per-user folder when
// no file can be made in the program's folder (a shared installation, a read-only portable copy).
std::string settingsFolder();
// The same choice for a given program folder.
std::string settingsFolderFor(const std::string& programFolder);
// The per-user folder for settings: %APPDATA%\Fotoloom on Windows, $XDG_CONFIG_HOME/fotoloom or
// ~/.config/fotoloom elsewhere; "" when the system names none. It may not exist yet.
std::string userSettingsFolder();
// True when a new file can be made in the folder.
bool canCreateFilesIn(const std::string& folder);
// True when settings may be kept in the program's folder: a file can be made there, and (not on
// Windows) it is not a "bin" folder, where a packaged program lives beside others' programs.
bool canKeepSettingsIn(const std::string& programFolder);

#pragma once
// What is remembered of a project's last publish, in the user's settings file (the one the recent
// list lives in), never in the project file: where it went, from which parent folder the gallery
// was taken, and with which OpenSSH client configuration. The command line and Builder.exe share
// it, so either repeats the other's last publish. Keyed by a hash of the project's absolute path,
// which may hold characters a settings key cannot.

#include <string>

struct PublishSettings {
    std::string destination;  // "" when the project was never published
    std::string output;       // the gallery's parent folder; "" for the default
    std::string sshConfig;    // the OpenSSH client configuration given with --ssh-config; "" for the user's own
};

PublishSettings readPublishSettings(const std::string& iniPath, const std::string& projectPath);
// False when the settings file could not be written (or cannot hold the values).
bool rememberPublishSettings(const std::string& iniPath, const std::string& projectPath,
                             const PublishSettings& settings);

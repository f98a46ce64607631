#pragma once
// What is remembered of a project's last build and publish, in the user's settings file (the one
// the recent list lives in), never in the project file: the gallery's parent folder its last build
// wrote into (or its last publish took the gallery from), where it was published to, and with
// which OpenSSH client configuration. The command line and Builder.exe share it, so either offers
// and repeats the other's last build and publish. Keyed by a hash of the project's absolute path,
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

// The parent folder alone, as every build that wrote the gallery remembers it; "" when none is.
std::string rememberedOutputFolder(const std::string& iniPath, const std::string& projectPath);
bool rememberOutputFolder(const std::string& iniPath, const std::string& projectPath, const std::string& folder);

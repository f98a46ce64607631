#include "publish/publish_settings.h"

#include "base/hex_text.h"
#include "gallery/profile_store.h"
#include "generator/content_hash.h"

namespace {

constexpr char kSection[] = "Published Galleries";

std::string keyOf(const std::string& projectPath, const char* what)
{
    return hexText(contentHash(projectPath.data(), projectPath.size()), 16) + " " + what;
}

}  // namespace

PublishSettings readPublishSettings(const std::string& iniPath, const std::string& projectPath)
{
    return {readProfileString(iniPath, kSection, keyOf(projectPath, "to")),
            readProfileString(iniPath, kSection, keyOf(projectPath, "from")),
            readProfileString(iniPath, kSection, keyOf(projectPath, "ssh config"))};
}

bool rememberPublishSettings(const std::string& iniPath, const std::string& projectPath,
                             const PublishSettings& settings)
{
    return writeProfileString(iniPath, kSection, keyOf(projectPath, "to"), settings.destination) &&
           writeProfileString(iniPath, kSection, keyOf(projectPath, "from"), settings.output) &&
           writeProfileString(iniPath, kSection, keyOf(projectPath, "ssh config"), settings.sshConfig);
}

std::string rememberedOutputFolder(const std::string& iniPath, const std::string& projectPath)
{
    return readProfileString(iniPath, kSection, keyOf(projectPath, "from"));
}

bool rememberOutputFolder(const std::string& iniPath, const std::string& projectPath, const std::string& folder)
{
    return writeProfileString(iniPath, kSection, keyOf(projectPath, "from"), folder);
}

// The gallery title names the gallery's folder inside the chosen parent folder, so it must be one
// plain folder name: anything else would let a build write outside that parent.

#include <array>
#include <string_view>

#include "base/file_system.h"
#include "generator/gallery_title.h"

namespace {

bool isDeviceName(std::string_view title)
{
    // Windows opens the device for these names, with or without an extension.
    std::string_view base = title.substr(0, title.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    std::string upper(base);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view name : kPlain)
        if (upper == name) return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

}  // namespace

std::string galleryTitleProblem(const std::string& title)
{
    if (title.empty()) return {};
    const std::string lead = "The gallery title \"" + title + "\" cannot be the name of the gallery's folder: ";
    if (title == "." || title == "..") return lead + "choose a title other than \".\" or \"..\".";
    for (unsigned char c : title) {
        if (c < 0x20 || c == 0x7F) return lead + "it holds a control character.";
        if (std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos)
            return lead + "it must not hold any of the characters < > : \" / \\ | ? *";
    }
    if (title.back() == '.' || title.back() == ' ') return lead + "it must not end with a dot or a space.";
    if (isDeviceName(title)) return lead + "it is the name of a device.";
    return {};
}

std::string galleryFolderOf(const std::string& outputFolder, const std::string& title)
{
    return title.empty() ? outputFolder : joinPath(outputFolder, title);
}

// The .gal reader on arbitrary bytes, through a real file, the way a user's file arrives.
// Besides surviving, every input must end in one of the documented outcomes, and a gallery
// that loads completely must save and load back as the same gallery.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"

namespace {

class CountingPrompter final : public IPrompter {
public:
    int count = 0;
    std::string last;
    MessageAnswer showMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        ++count;
        last = text;
        if (caption != kProductName || icon != MessageIcon::Error || buttons != MessageButtons::Ok) std::abort();
        return MessageAnswer::Ok;
    }
};

void require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "gal_reader_fuzz: %s\n", what);
    std::abort();
}

// One scratch folder per fuzzing process, removed when it ends.
const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                         : std::filesystem::temp_directory_path();
        std::string pattern = (base / "fotoloom-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

std::string writeInput(const uint8_t* data, size_t size)
{
    std::string path = (scratchFolder() / "input.gal").string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    require(file != nullptr, "cannot write the input");
    require(size == 0 || std::fwrite(data, 1, size, file) == size, "cannot write the input");
    std::fclose(file);
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = writeInput(data, size);
    CountingPrompter prompter;
    CBuilderDoc doc;
    doc.setPrompter(&prompter);

    ProjectResult result = loadProject(doc, input);
    require(!doc.isModified(), "a loaded gallery must count as unmodified");
    for (const SettingInfo& s : integerSettings())
        require(s.numberIn(doc) >= s.minimum && s.numberIn(doc) <= s.maximum, "settings are brought into range");
    if (result == ProjectResult::Damaged) {
        require(prompter.count == 1 && prompter.last == "Wrong GAL file!", "damage is told exactly once");
        return 0;
    }
    require(result == ProjectResult::Ok && prompter.count == 0, "a readable file loads silently");
    require(doc.selectedAlbum() == (doc.albumCount() > 0 ? 0 : -1), "the first album is selected");

    const std::string copy = (scratchFolder() / "copy.gal").string();
    RecentList recent((scratchFolder() / "last.ini").string());
    require(saveProject(doc, copy, recent) == ProjectResult::Ok, "a loaded gallery saves");
    CBuilderDoc again;
    again.setPrompter(&prompter);
    require(loadProject(again, copy) == ProjectResult::Ok, "a saved gallery loads");
    require(again.albums() == doc.albums() && again.images() == doc.images(), "albums and images survive");
    require(static_cast<const GallerySettings&>(again) == static_cast<const GallerySettings&>(doc), "settings survive");
    // Saves leave nothing beside the project: no temporary file of theirs stays behind.
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratchFolder())) ++files;
    require(files == 3, "only the input, the copy and the recent list");
    return 0;
}

#pragma once
// What the generator tests share: scratch folders, pictures made on the spot, a gallery to build,
// and an observer that records everything the builder reports.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "gallery/builder_doc.h"
#include "generator/file_ops.h"
#include "generator/site_builder.h"
#include "picture/picture.h"

namespace generator_test {

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class ScratchFolder {
public:
    ScratchFolder()
    {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("fotoloom-generator-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path() const { return utf8Path(path_); }
    std::string operator/(const std::string& name) const { return joinPath(path(), name); }

private:
    std::filesystem::path path_;
};

// Joins texts; "a" + std::to_string(n) trips a false warning of GCC 12 (-Wrestrict).
template <typename... Parts> std::string cat(const Parts&... parts)
{
    std::string out;
    (out.append(parts), ...);
    return out;
}

inline std::string fixtureThemes() { return FOTOLOOM_TEST_DATA "/themes"; }

inline std::string readAll(const std::string& path)
{
    std::string bytes;
    readFileBytes(path, bytes, uint64_t{1} << 30);
    return bytes;
}

inline std::string hexOf(uint64_t value)
{
    char digits[17];
    std::snprintf(digits, sizeof digits, "%llx", static_cast<unsigned long long>(value));
    return digits;
}

inline void writeAll(const std::string& path, const std::string& bytes) { ASSERT_TRUE(writeFileBytes(path, bytes)); }

// A flat-coloured picture saved as a file (JPEG unless another format code is given).
inline void makePicture(const std::string& path, uint32_t width, uint32_t height, uint8_t shade = 128,
                        int format = kFormatJpeg)
{
    std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4, shade);
    for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
    CPicture pic;
    ASSERT_TRUE(pic.setPixels(width, height, std::move(px)));
    ASSERT_TRUE(pic.Save(path, format));
}

inline std::pair<uint32_t, uint32_t> pictureSize(const std::string& path)
{
    CPicture pic;
    if (!pic.Load(path, 0)) return {0, 0};
    return {pic.GetWidth(), pic.GetHeight()};
}

// Records what the builder reports; cancels at the chosen cancel check (from 1), if any.
class RecordingObserver : public IBuildObserver {
public:
    std::vector<std::pair<int, int>> progressSeen;
    std::vector<std::string> warnings;
    std::vector<std::string> questions;
    std::vector<std::string> opened;
    size_t cancelChecks = 0;
    size_t cancelAtCheck = 0;  // 0: never
    bool answerView = false;

    void progress(int album, int total) override { progressSeen.emplace_back(album, total); }
    void warning(const std::string& text) override { warnings.push_back(text); }
    bool cancelRequested() override { return ++cancelChecks == cancelAtCheck; }
    bool askViewGallery(const std::string& question, const std::string& caption) override
    {
        questions.push_back(caption + ": " + question);
        return answerView;
    }
    void openGallery(const std::string& indexPath) override { opened.push_back(indexPath); }
};

// A gallery built into scratch/out/<title> with the fixture theme "keys".
struct TestGallery {
    CBuilderDoc doc;
    BuildOptions options;

    explicit TestGallery(const ScratchFolder& scratch, const std::string& title = "Trip")
    {
        doc.galleryTitle = title;
        doc.galleryDescription = "Desc";
        doc.themeName = "keys";
        doc.outputFolder = scratch / "out";
        makeFolder(doc.outputFolder);
        options.templateRoot = fixtureThemes();
        options.jobs = 2;
    }

    int32_t addAlbum(const std::string& title, const std::string& caption = "")
    {
        const int32_t key = static_cast<int32_t>(doc.albums().size()) + 1;
        doc.insertAlbum(Album{title, caption, key}, AlbumPosition::Bottom);
        return key;
    }
    void addImage(int32_t album, const std::string& path, const std::string& comment = "", int32_t rotation = 0)
    {
        doc.appendImage(Image{path, album, rotation, comment});
    }
    std::string folder() const { return galleryFolderOf(doc.outputFolder, doc.galleryTitle); }
    std::string file(const std::string& name) const { return joinPath(folder(), name); }
    std::string read(const std::string& name) const { return readAll(file(name)); }

    BuildResult build(RecordingObserver& observer) { return BuildGallery(doc, observer, options); }
    BuildResult build()
    {
        RecordingObserver observer;
        return build(observer);
    }
};

}  // namespace generator_test

#pragma once
// Shared by the project file's tests: files built by hand, field by field, and a fixture with a
// scratch folder, a document, a scripted prompter and a recent list.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "support/fake_prompter.h"

namespace gal_test {

namespace fs = std::filesystem;
using namespace std::string_literals;

// --- Building files by hand ----------------------------------------------------------------

inline std::string le(uint64_t value, size_t bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}
inline std::string i32(int32_t value) { return le(static_cast<uint32_t>(value), 4); }

// What a new gallery saves as: field for field, 157 bytes.
inline std::string emptyGalleryFile()
{
    std::string f;
    auto raw = [&f](std::initializer_list<int> bytes) {
        for (int b : bytes) f += static_cast<char>(b);
    };
    raw({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    raw({0x10});
    f += "Untitled Gallery";
    raw({0x22});
    f += "Enter gallery description here ...";
    raw({0x00});
    raw({6, 0, 0, 0, 4, 0, 0, 0, 150, 0, 0, 0, 5, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
    raw({0x7B, 0x7C, 0x7D, 0, 0xFF, 0xFF, 0xFF, 0, 0x7B, 0x7C, 0x7D, 0, 0x64, 0x64, 0x64, 0});
    raw({0x64, 0x64, 0x64, 0, 0x67, 0x68, 0x69, 0, 0x64, 0x64, 0x64, 0, 0x7B, 0x7C, 0x7D, 0});
    raw({0x7B, 0x7C, 0x7D, 0, 0x64, 0x64, 0x64, 0, 0x67, 0x68, 0x69, 0, 3, 0, 0, 0, 0, 0, 0, 0});
    raw({0x07});
    f += "http://";
    return f;
}
inline constexpr size_t kTitleOffset = 12;  // after the version and two zero counts
inline const size_t kAfterTitle = kTitleOffset + 17;

// A file whose gallery title is stored as `title` (prefix and characters), the rest default.
inline std::string withStoredTitle(const std::string& title)
{
    std::string f = emptyGalleryFile();
    return f.substr(0, kTitleOffset) + title + f.substr(kAfterTitle);
}

inline std::string repeat(const std::string& piece, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

inline std::set<std::string> filesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

inline std::string utf16le(const std::u16string& units)
{
    std::string out;
    for (char16_t u : units) out += le(u, 2);
    return out;
}

// --- Fixture -------------------------------------------------------------------------------

class ProjectFileTest : public ::testing::Test {
protected:
    ProjectFileTest()
    {
        std::random_device device;
        folder_ = fs::temp_directory_path() / ("fotoloom-gal-" + std::to_string(device()));
        fs::create_directories(folder_);
        doc.setPrompter(&prompter);
        doc.seedAlbumKeys(11);
        recent = RecentList(pathOf("last.ini"));
    }
    ~ProjectFileTest() override
    {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    static std::string utf8(const fs::path& p)
    {
        auto s = p.u8string();
        return std::string(s.begin(), s.end());
    }
    std::string pathOf(const std::string& name) const { return utf8(folder_ / name); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
        return pathOf(name);
    }
    std::string contents(const std::string& name) const
    {
        std::ifstream in(folder_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    ProjectResult save(const std::string& name) { return saveProject(doc, pathOf(name), recent); }
    ProjectResult load(const std::string& name) { return loadProject(doc, pathOf(name)); }

    void expectOneMessage(const std::string& text)
    {
        ASSERT_EQ(prompter.shown.size(), 1u) << (prompter.shown.empty() ? "" : prompter.shown[0].text);
        EXPECT_EQ(prompter.shown[0].text, text);
        EXPECT_EQ(prompter.shown[0].caption, "Fotoloom");
        EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Error);
        prompter.shown.clear();
    }

    // Albums, interleaved images with rotations and comments, an orphan, and every setting
    // moved off its default.
    void fillRichGallery()
    {
        doc.insertAlbum({"Summer", "Beach\r\nand sea", 41}, AlbumPosition::Bottom);
        doc.insertAlbum({"Zürich — 東京", "", 99999999}, AlbumPosition::Bottom);
        doc.insertAlbum({"Summer", "same title, other key", 7}, AlbumPosition::Bottom);
        doc.appendImage({"/p/a.jpg", 41, 90, "first"});
        doc.appendImage({"/p/b.jpg", 99999999, -270, std::string(300, 'c')});
        doc.appendImage({"/p/c.jpg", 41, 0, ""});
        doc.appendImage({"/p/orphan.png", 12345, 180, "no album"});
        doc.appendImage({"/p/" + std::string(70000, 'x') + ".jpg", 7, -90, "Zürich — 東京 🙂"});
        doc.galleryTitle = "Trip";
        doc.galleryDescription = "Two weeks\r\naway";
        doc.themeName = "Dark";
        int32_t colour = 0x102030;
        for (const SettingInfo& s : integerSettings()) {
            const int32_t value = s.numberIn(doc);
            if (s.kind == SettingKind::Colour)
                s.setNumber(doc, ++colour);
            else
                s.setNumber(doc, value == s.maximum ? s.minimum : s.maximum);  // off the default, in range
        }
        doc.homePageUrl = "http://example.org/";
    }
    void expectSameGallery(const CBuilderDoc& other) const
    {
        EXPECT_EQ(doc.albums(), other.albums());
        EXPECT_EQ(doc.images(), other.images());
        EXPECT_EQ(static_cast<const GallerySettings&>(doc), static_cast<const GallerySettings&>(other));
    }

    fs::path folder_;
    FakePrompter prompter;
    CBuilderDoc doc;
    RecentList recent{""};
};

}  // namespace gal_test

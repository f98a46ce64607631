// The extension block after the project file's last field: invisible to a reader of the original
// format, absent when it would hold nothing, and keeping what a later version put there.

#include "gallery/project_extension.h"

#include <gtest/gtest.h>

#include "project_file_fixture.h"

using namespace gal_test;

namespace {

const std::string kMagic(kExtensionMagic, sizeof kExtensionMagic);

std::string record(const std::string& key, const std::string& value)
{
    return static_cast<char>(key.size()) + key + le(value.size(), 4) + value;
}

std::string block(uint32_t version, const std::string& records)
{
    return kMagic + le(version, 4) + le(records.size(), 4) + records;
}

}  // namespace

// The same bytes on every system: a value is stored as it is meant (digits, UTF-8), never in a
// code page, and only what differs from its default is written.
TEST_F(ProjectFileTest, SettingsBeyondTheFieldsFollowThemInOneBlockOfKnownBytes)
{
    doc.cameraDetails = 1;
    doc.slideshowSeconds = 12;
    doc.darkVariant = 0;
    doc.keptExtensions.records.push_back({"placeName", "Z\xC3\xBCrich"});  // a later version's text
    ASSERT_EQ(save("ext.gal"), ProjectResult::Ok);
    const std::string expected =
        emptyGalleryFile() + block(1, record("cameraDetails", "1") + record("slideshowSeconds", "12") +
                                          record("darkVariant", "0") + record("placeName", "Z\xC3\xBCrich"));
    EXPECT_EQ(contents("ext.gal"), expected);

    CBuilderDoc loaded;
    ASSERT_EQ(loadProject(loaded, pathOf("ext.gal")), ProjectResult::Ok);
    expectSameGallery(loaded);
    EXPECT_FALSE(loaded.isModified());
    loaded.slideshowSeconds = 5;
    EXPECT_TRUE(loaded.isModified());

    // Back at the defaults the block goes, and the file is what it always was.
    static_cast<GallerySettings&>(doc) = GallerySettings{};
    ASSERT_EQ(save("ext.gal"), ProjectResult::Ok);
    EXPECT_EQ(contents("ext.gal"), emptyGalleryFile());
}

TEST_F(ProjectFileTest, WhatALaterVersionWroteIsKeptOnSave)
{
    const std::string later = block(2, "framing this version cannot read");
    write("later.gal", emptyGalleryFile() +
                           block(1, record("cameraDetails", "1") + record("albumPasswords", "\x01\x02secret") +
                                        record("cameraDetails", "0") + record("albumPasswords", "second")) +
                           later);
    ASSERT_EQ(load("later.gal"), ProjectResult::Ok);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(doc.cameraDetails, 0);  // the last of a repeated key counts
    doc.darkVariant = 0;
    ASSERT_EQ(save("later.gal"), ProjectResult::Ok);
    EXPECT_EQ(contents("later.gal"),
              emptyGalleryFile() + block(1, record("darkVariant", "0") + record("albumPasswords", "second")) + later);
}

// A value no setting can take is brought to what the settings allow, as the fields' are.
TEST_F(ProjectFileTest, ExtensionValuesOutOfRangeAreBroughtIntoIt)
{
    write("odd.gal", emptyGalleryFile() + block(1, record("slideshowSeconds", "100000") + record("darkVariant", "-3") +
                                                       record("cameraDetails", "yes")));
    ASSERT_EQ(load("odd.gal"), ProjectResult::Ok);
    EXPECT_EQ(doc.slideshowSeconds, 60);
    EXPECT_EQ(doc.darkVariant, 0);
    EXPECT_EQ(doc.cameraDetails, 0);
    EXPECT_FALSE(doc.isModified());
}

// Bytes that are not a block were never ours: passed over as before. A block that does not hold
// together is damage: told once, and the fields read before it stay.
TEST_F(ProjectFileTest, ABrokenBlockIsDamageButForeignBytesAreNot)
{
    const std::string good = block(1, record("cameraDetails", "1") + record("slideshowSeconds", "9"));
    const std::string titled = withStoredTitle("\x04Trip");
    for (size_t cut = 1; cut < good.size(); ++cut) {
        SCOPED_TRACE(cut);
        write("cut.gal", titled + good.substr(0, cut));
        if (cut < kMagic.size()) {
            EXPECT_EQ(load("cut.gal"), ProjectResult::Ok);
            EXPECT_TRUE(prompter.shown.empty());
        } else {
            EXPECT_EQ(load("cut.gal"), ProjectResult::Damaged);
            expectOneMessage("Wrong GAL file!");
        }
        EXPECT_EQ(doc.galleryTitle, "Trip");
        EXPECT_EQ(doc.cameraDetails, 0);
        EXPECT_FALSE(doc.isModified());
    }
    const std::string broken[] = {
        block(1, "\x00"s + le(0, 4)),                        // an empty key
        block(1, record("cameraDetails", "1") + "\x05key"),  // a key cut short
        kMagic + le(1, 4) + le(0xFFFFFFFF, 4) + "x",         // a length past the end
    };
    for (const std::string& b : broken) {
        write("broken.gal", titled + b);
        EXPECT_EQ(load("broken.gal"), ProjectResult::Damaged);
        expectOneMessage("Wrong GAL file!");
        EXPECT_EQ(doc.galleryTitle, "Trip");
    }

    write("foreign.gal", emptyGalleryFile() + "appended by some other tool");
    ASSERT_EQ(load("foreign.gal"), ProjectResult::Ok);
    ASSERT_EQ(save("foreign.gal"), ProjectResult::Ok);
    EXPECT_EQ(contents("foreign.gal"), emptyGalleryFile());
}

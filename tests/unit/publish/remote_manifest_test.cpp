// The record a publish keeps on the server, and the plan made from it: what is uploaded in which
// order, and that nothing is removed the record does not prove ours.

#include <gtest/gtest.h>

#include <string>

#include "publish/publish_plan.h"
#include "publish/remote_manifest.h"

namespace {

std::map<std::string, WrittenFile> builtFiles()
{
    return {{"index.html", {10, 1}},          {"index-1-1.html", {11, 2}}, {"image-1-1.html", {12, 3}},
            {"style.css", {13, 4}},           {"images/bg.png", {14, 5}},  {"photos/image-1-1.jpg", {15, 6}},
            {"thumbs/thumb-1-1.jpg", {16, 7}}};
}

std::vector<std::string> namesOf(const PublishPlan& plan)
{
    std::vector<std::string> names;
    for (const PlannedUpload& u : plan.uploads) names.push_back(u.name);
    return names;
}

}  // namespace

TEST(RemoteManifestTest, KeepsWhatItWroteAndDropsWhatCouldReachOutsideTheGallery)
{
    RemoteManifest m;
    m.files["index.html"] = {12, 0xabc, "2024-12-09 17:28"};
    m.files["photos/a b%\xC3\xA9.jpg"] = {3, 0, {}};
    EXPECT_EQ(parseRemoteManifest(remoteManifestText(m)).files, m.files);

    const std::string hostile =
        "fotoloom-published 1\r\n"
        "F\t1\t1\t../outside.html\n"
        "F\t1\t1\tphotos/../../x\n"
        "F\t1\t1\tother/x.jpg\n"
        "F\t1\t1\t/etc/passwd\n"
        "F\t1\t1\tC:x.html\n"
        "F\t1\t1\t.fotoloom-published\n"
        "F\t1\t1\t.fotoloom-manifest\n"
        "F\t99999999999999999999999\t1\tbig.html\n"
        "F\t1\tnothex\tbad.html\n"
        "F\t1\t1\n"
        "G\t1\t1\tkind.html\n"
        "F\t7\tff\tthumbs/thumb-1-1.jpg\r\n"
        // Stamps: of a file not listed, with a control character, far too long, and the one kept.
        "S\tx\tnot-listed.html\n"
        "S\ta\x01b\tthumbs/thumb-1-1.jpg\n"
        "S\t" +
        std::string(kMaxStampLength + 1, 'x') +
        "\tthumbs/thumb-1-1.jpg\n"
        "S\t\"etag\"\tthumbs/thumb-1-1.jpg\n";
    const RemoteManifest parsed = parseRemoteManifest(hostile);
    ASSERT_EQ(parsed.files.size(), 1u);
    EXPECT_EQ(parsed.files.at("thumbs/thumb-1-1.jpg"), (RemoteFile{7, 0xff, "\"etag\""}));

    EXPECT_TRUE(parseRemoteManifest("fotoloom-manifest 2\nF\t1\t1\tindex.html\n").files.empty());
    EXPECT_TRUE(parseRemoteManifest("").files.empty());
    std::string huge = "fotoloom-published 1\nF\t1\t1\tindex.html\n";
    huge.resize(kMaxRemoteManifestBytes + 1, '\n');
    EXPECT_TRUE(parseRemoteManifest(huge).files.empty());
}

TEST(PublishPlanTest, UploadsPicturesFirstThenThemeImagesStyleSheetPagesAndIndexLast)
{
    const PublishPlan plan = makePublishPlan(builtFiles(), {});
    EXPECT_EQ(namesOf(plan), (std::vector<std::string>{"photos/image-1-1.jpg", "thumbs/thumb-1-1.jpg", "images/bg.png",
                                                       "style.css", "image-1-1.html", "index-1-1.html", "index.html"}));
    EXPECT_EQ(plan.uploadBytes, 10u + 11 + 12 + 13 + 14 + 15 + 16);
    EXPECT_EQ(plan.unchanged, 0u);
    EXPECT_TRUE(plan.removals.empty());
}

TEST(PublishPlanTest, UploadsOnlyWhatDiffersAndRemovesOnlyListedFilesTheGalleryLost)
{
    RemoteManifest remote;
    for (const auto& [name, file] : builtFiles()) remote.files[name] = {file.size, file.hash, {}};
    remote.files["index-1-1.html"].hash = 99;       // changed content, same size
    remote.files["photos/image-1-1.jpg"].size = 1;  // changed size, same hash
    remote.files["index-2-1.html"] = {5, 5, {}};    // an album that went
    remote.files["photos/image-2-1.jpg"] = {5, 5, {}};

    const PublishPlan plan = makePublishPlan(builtFiles(), remote);
    EXPECT_EQ(namesOf(plan), (std::vector<std::string>{"photos/image-1-1.jpg", "index-1-1.html"}));
    EXPECT_EQ(plan.unchanged, 5u);
    EXPECT_EQ(plan.removals, (std::vector<std::string>{"index-2-1.html", "photos/image-2-1.jpg"}));

    // A build manifest naming a record of ours is never a reason to overwrite it.
    auto built = builtFiles();
    built[".fotoloom-published"] = {1, 1};
    EXPECT_EQ(makePublishPlan(built, {}).uploads.size(), builtFiles().size());
}

// The thumbnail cache's promises: an entry serves only the file as it was when stored, a
// damaged entry is a miss and is replaced, the folder stays within its limit by dropping the
// least recently used entries, a folder that refuses files only means no caching, and program
// instances filling one cache at once never see each other's half-written entries.

#include "gallery/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "picture/picture.h"

namespace {

namespace fs = std::filesystem;

// A small picture whose every pixel depends on `seed`, so entries are told apart by content.
CPicture patterned(uint32_t width, uint32_t height, uint32_t seed)
{
    std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = (i % 4 == 3) ? 255 : static_cast<uint8_t>(i * 7 + seed * 13);
    CPicture picture;
    picture.setPixels(width, height, std::move(px));
    return picture;
}

std::string photoName(char letter, int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "%c%d.jpg", letter, number);
    return name;
}

bool samePixels(const CPicture& a, const CPicture& b)
{
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
           std::equal(a.bits(), a.bits() + size_t{a.GetWidth()} * a.GetHeight() * 4, b.bits());
}

class ThumbnailCacheTest : public ::testing::Test {
protected:
    ThumbnailCacheTest()
    {
        std::random_device device;
        root_ = fs::temp_directory_path() / ("fotoloom-thumbs-" + std::to_string(device()));
        fs::create_directories(root_);
        cacheFolder_ = (root_ / "cache").string();
    }
    ~ThumbnailCacheTest() override
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // A picture file of `bytes` bytes (its content does not matter to the cache).
    std::string pictureFile(const std::string& name, size_t bytes = 100)
    {
        const fs::path path = root_ / name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        return path.string();
    }
    static ThumbnailKey keyFor(const std::string& path, int rotation = 0)
    {
        return ThumbnailCache::keyOf(path, rotation, 100, 90).value();
    }

    fs::path root_;
    std::string cacheFolder_;
};

// --- Hits and misses ---------------------------------------------------------------------------

TEST_F(ThumbnailCacheTest, AnEntryServesOnlyTheFileAsItWasAndTheSameTurn)
{
    ThumbnailCache cache(cacheFolder_);
    const std::string photo = pictureFile("a.jpg");
    const CPicture stored = patterned(100, 75, 1);
    ASSERT_TRUE(cache.store(keyFor(photo), stored));

    CPicture found;
    ASSERT_TRUE(cache.find(keyFor(photo), found));
    EXPECT_TRUE(samePixels(found, stored));
    EXPECT_FALSE(cache.find(keyFor(photo, 90), found)) << "another rotation is another thumbnail";

    // Edited in place to the same size: only the modification time tells.
    const ThumbnailKey before = keyFor(photo);
    fs::last_write_time(photo, fs::last_write_time(photo) + std::chrono::seconds(5));
    EXPECT_FALSE(cache.find(keyFor(photo), found));
    // Another size with the old time put back.
    pictureFile("a.jpg", 101);
    fs::last_write_time(photo, fs::file_time_type(std::chrono::file_clock::duration(before.modified)));
    EXPECT_NE(keyFor(photo).size, before.size);
    EXPECT_FALSE(cache.find(keyFor(photo), found));

    // Another program instance, started later, finds what this one stored.
    EXPECT_TRUE(ThumbnailCache(cacheFolder_).find(before, found));
    EXPECT_FALSE(ThumbnailCache::keyOf((root_ / "missing.jpg").string(), 0, 100, 90));
}

TEST_F(ThumbnailCacheTest, TransparencyAndAReducedDecodeAreStoredAsShown)
{
    ThumbnailCache cache(cacheFolder_);
    const ThumbnailKey key = keyFor(pictureFile("icon.png"));
    CPicture clear = patterned(40, 30, 2);
    std::vector<uint8_t> px(clear.bits(), clear.bits() + 40 * 30 * 4);
    px[3] = 0;
    clear.setPixels(40, 30, px);
    ASSERT_TRUE(cache.store(key, clear));
    CPicture found;
    ASSERT_TRUE(cache.find(key, found));
    EXPECT_TRUE(found.hasAlpha());
    EXPECT_TRUE(samePixels(found, clear));

    CPicture tooBig = patterned(kMaxThumbnailSide + 1, 1, 3);
    EXPECT_FALSE(cache.store(key, tooBig));
}

// --- Damage ------------------------------------------------------------------------------------

TEST_F(ThumbnailCacheTest, ADamagedEntryIsAMissAndIsReplaced)
{
    ThumbnailCache cache(cacheFolder_);
    const ThumbnailKey key = keyFor(pictureFile("b.jpg"));
    const CPicture stored = patterned(60, 45, 4);
    ASSERT_TRUE(cache.store(key, stored));
    const std::string entry = cache.entryPath(key);
    const auto full = static_cast<size_t>(fs::file_size(entry));

    // Truncated at any point, the entry is refused by its reader.
    std::vector<uint8_t> bytes(full);
    std::ifstream(entry, std::ios::binary)
        .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(full));
    ThumbnailEntry decoded;
    for (size_t cut = 0; cut < full; cut += (cut < 200 ? 1 : 997))
        ASSERT_FALSE(decodeThumbnailEntry(bytes.data(), cut, decoded)) << cut;
    bytes[full / 2] ^= 0x10;  // one pixel bit flipped on the disk
    EXPECT_FALSE(decodeThumbnailEntry(bytes.data(), bytes.size(), decoded));

    fs::resize_file(entry, full - 10);
    CPicture found;
    EXPECT_FALSE(cache.find(key, found));
    EXPECT_FALSE(fs::exists(entry)) << "a damaged entry is removed";
    ASSERT_TRUE(cache.store(key, stored));
    ASSERT_TRUE(cache.find(key, found));
    EXPECT_TRUE(samePixels(found, stored));

    // An intact entry of another key under this name (a hash collision) is a miss, not a hit.
    const ThumbnailKey other = keyFor(pictureFile("c.jpg"));
    ASSERT_TRUE(cache.store(other, patterned(10, 10, 5)));
    fs::rename(cache.entryPath(other), entry);
    EXPECT_FALSE(cache.find(key, found));

    // An entry grown past any real one (beyond what a 32-bit size holds, left sparse) is a miss
    // without being read whole, and a store puts the real one back.
    fs::resize_file(entry, (uint64_t{1} << 32) + 100);
    EXPECT_FALSE(cache.find(key, found));
    ASSERT_TRUE(cache.store(key, stored));
    EXPECT_LT(fs::file_size(entry), uint64_t{1} << 20);
    ASSERT_TRUE(cache.find(key, found));
    EXPECT_TRUE(samePixels(found, stored));
}

TEST_F(ThumbnailCacheTest, DeletingTheCacheWhileInUseIsHarmless)
{
    ThumbnailCache cache(cacheFolder_);
    const ThumbnailKey key = keyFor(pictureFile("d.jpg"));
    ASSERT_TRUE(cache.store(key, patterned(20, 20, 6)));
    fs::remove_all(cacheFolder_);
    CPicture found;
    EXPECT_FALSE(cache.find(key, found));
    ASSERT_TRUE(cache.store(key, patterned(20, 20, 6)));
    EXPECT_TRUE(cache.find(key, found));
}

// --- The bound ---------------------------------------------------------------------------------

TEST_F(ThumbnailCacheTest, BeyondTheLimitTheLeastRecentlyUsedEntriesGoFirst)
{
    const CPicture picture = patterned(50, 50, 7);  // 7,500 bytes of pixels an entry
    std::vector<ThumbnailKey> keys;
    for (int i = 0; i < 8; ++i) keys.push_back(keyFor(pictureFile(photoName('p', i))));

    // Room for eight entries: store them, each used a minute after the one before.
    ThumbnailCache cache(cacheFolder_, 8 * 7700);
    const auto start = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (size_t i = 0; i < keys.size(); ++i) {
        ASSERT_TRUE(cache.store(keys[i], picture));
        fs::last_write_time(cache.entryPath(keys[i]), start + std::chrono::minutes(i));
    }
    // Looking at the two oldest makes them the most recently used.
    CPicture found;
    ASSERT_TRUE(cache.find(keys[0], found));
    ASSERT_TRUE(cache.find(keys[1], found));

    // A ninth entry overflows the limit: the folder is trimmed to three quarters of it.
    const ThumbnailKey ninth = keyFor(pictureFile("p8.jpg"));
    ASSERT_TRUE(cache.store(ninth, picture));
    std::vector<bool> kept;
    for (const ThumbnailKey& key : keys) kept.push_back(fs::exists(cache.entryPath(key)));
    EXPECT_EQ(kept, (std::vector<bool>{true, true, false, false, false, true, true, true}));
    EXPECT_TRUE(fs::exists(cache.entryPath(ninth)));

    uint64_t total = 0;
    for (const auto& entry : fs::directory_iterator(cacheFolder_)) total += entry.file_size();
    EXPECT_LE(total, 8u * 7700 / 4 * 3);
}

// --- A folder that refuses files ---------------------------------------------------------------

TEST_F(ThumbnailCacheTest, AFolderThatCannotBeMadeOrWrittenMeansNoCaching)
{
    // Under a plain file no folder can be made, whoever runs the test.
    const std::string blocked = pictureFile("not-a-folder") + "/cache";
    ThumbnailCache cache(blocked);
    const ThumbnailKey key = keyFor(pictureFile("e.jpg"));
    EXPECT_FALSE(cache.store(key, patterned(20, 20, 8)));
    CPicture found;
    EXPECT_FALSE(cache.find(key, found));
    EXPECT_FALSE(found.IsValid());

    ThumbnailCache none("");
    EXPECT_FALSE(none.store(key, patterned(20, 20, 8)));
    EXPECT_FALSE(none.find(key, found));

#ifndef _WIN32
    // A folder the user may read but not write: what is there is still found.
    ThumbnailCache filled(cacheFolder_);
    ASSERT_TRUE(filled.store(key, patterned(20, 20, 8)));
    fs::permissions(cacheFolder_, fs::perms::owner_read | fs::perms::owner_exec);
    const ThumbnailKey other = keyFor(pictureFile("f.jpg"));
    if (!ThumbnailCache(cacheFolder_).store(other, patterned(20, 20, 9))) {  // root writes anyway
        EXPECT_TRUE(ThumbnailCache(cacheFolder_).find(key, found));
    }
    fs::permissions(cacheFolder_, fs::perms::owner_all);
#endif
}

// --- Instances at once -------------------------------------------------------------------------

TEST_F(ThumbnailCacheTest, InstancesFillingOneCacheAtOnceNeverSeeAHalfWrittenEntry)
{
    constexpr int kPictures = 24;
    std::vector<ThumbnailKey> keys;
    for (int i = 0; i < kPictures; ++i) {
        keys.push_back(keyFor(pictureFile(photoName('q', i))));
    }

    // Each "instance" has its own cache object, stores every picture (the same content per
    // picture, as two instances decoding one file would) and reads them back, with a limit low
    // enough that they also evict each other's entries.
    std::atomic<int> wrong{0};
    std::vector<std::thread> instances;
    for (int t = 0; t < 4; ++t)
        instances.emplace_back([&, t] {
            ThumbnailCache cache(cacheFolder_, 16 * 9700);
            for (int round = 0; round < 3; ++round)
                for (int n = 0; n < kPictures; ++n) {
                    const int i = (n + t * 5) % kPictures;
                    const CPicture expected = patterned(60, 40, static_cast<uint32_t>(i));
                    cache.store(keys[i], expected);
                    CPicture found;
                    if (cache.find(keys[i], found) && !samePixels(found, expected)) ++wrong;
                }
        });
    for (std::thread& instance : instances) instance.join();
    EXPECT_EQ(wrong, 0);

    // What remains is whole, and none of our temporary files is left behind. (Wine's own
    // ReplaceFileW leaves "rf*.tmp" files when the target is open; eviction sweeps those.)
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(cacheFolder_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name.rfind("thumb", 0), 0u) << name;
        entries += entry.path().extension() == ".thumb";
    }
    EXPECT_GT(entries, 0);
    for (int i = 0; i < kPictures; ++i) {
        CPicture found;
        if (ThumbnailCache(cacheFolder_).find(keys[i], found)) {
            EXPECT_TRUE(samePixels(found, patterned(60, 40, static_cast<uint32_t>(i))));
        }
    }
}

}  // namespace

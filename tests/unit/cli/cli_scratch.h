#pragma once
// The command line run in-process inside a scratch folder of its own, with its own settings file, so
// a test never writes beside the test program or into the user's settings.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "cli/fotoloom_cli.h"
#include "picture/picture.h"

namespace cli_test {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

inline std::filesystem::path pathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

class CliScratchTest : public ::testing::Test {
protected:
    // stem names the scratch folder; settings is the settings file's name inside it.
    CliScratchTest(const std::string& stem, const std::string& settings)
    {
        std::random_device device;
        root_ = std::filesystem::temp_directory_path() / (stem + std::to_string(device()));
        std::filesystem::create_directories(root_);
#ifdef _WIN32
        _putenv_s("FOTOLOOM_RECENT_INI", file(settings).c_str());
#else
        setenv("FOTOLOOM_RECENT_INI", file(settings).c_str(), 1);
#endif
    }
    ~CliScratchTest() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // A path in the scratch folder, as UTF-8.
    std::string file(const std::string& name) const
    {
        auto s = (root_ / pathOf(name)).u8string();
        return std::string(s.begin(), s.end());
    }

    // `count` small JPEGs for album `album` (p11.jpg, p12.jpg...), each of its own grey.
    std::vector<std::string> writeAlbumPictures(int album, int count) const
    {
        std::vector<std::string> paths;
        for (int n = 1; n <= count; ++n) {
            // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "p" + std::string.
            std::string name = "p";
            name.append(std::to_string(album)).append(std::to_string(n)).append(".jpg");
            const std::string path = file(name);
            CPicture pic;
            EXPECT_TRUE(pic.setPixels(64, 48, std::vector<uint8_t>(64 * 48 * 4, static_cast<uint8_t>(40 * n))));
            EXPECT_TRUE(pic.Save(path, kFormatJpeg));
            paths.push_back(path);
        }
        return paths;
    }

    // Every regular file under `folder` by relative name with its bytes, without the program's
    // own record `record`.
    static std::map<std::string, std::string> filesUnder(const std::string& folder, const char* record)
    {
        std::map<std::string, std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(pathOf(folder))) {
            if (!entry.is_regular_file()) continue;
            const auto relative = entry.path().lexically_relative(pathOf(folder)).generic_u8string();
            const auto full = entry.path().u8string();
            std::string bytes;
            readFileBytes(std::string(full.begin(), full.end()), bytes, uint64_t{1} << 30);
            found[std::string(relative.begin(), relative.end())] = std::move(bytes);
        }
        found.erase(record);
        return found;
    }

    Outcome run(std::vector<std::string> args) const
    {
        std::ostringstream out, err;
        const int status = runFotoloom(args, out, err);
        return {status, out.str(), err.str()};
    }

    std::filesystem::path root_;
};

}  // namespace cli_test

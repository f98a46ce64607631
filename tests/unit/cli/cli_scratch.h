#pragma once
// The command line run in-process inside a scratch folder of its own, with its own settings file, so
// a test never writes beside the test program or into the user's settings.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/fotoloom_cli.h"

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

    Outcome run(std::vector<std::string> args) const
    {
        std::ostringstream out, err;
        const int status = runFotoloom(args, out, err);
        return {status, out.str(), err.str()};
    }

    std::filesystem::path root_;
};

}  // namespace cli_test

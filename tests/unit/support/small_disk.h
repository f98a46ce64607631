#pragma once
// A tiny tmpfs mounted for one test, to make a real "disk full". Mounting needs privileges;
// where the test may not mount, mounted() is false and the test skips.

#include <sys/mount.h>

#include <filesystem>
#include <string>
#include <system_error>

class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& where, size_t bytes) : where_(where)
    {
        std::error_code ignored;
        std::filesystem::create_directories(where_, ignored);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }

private:
    std::filesystem::path where_;
    bool mounted_ = false;
};

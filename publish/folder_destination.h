#pragma once
// Publishing into a folder: a mounted share, a synced folder, a web server's folder on this
// machine. Files are written under a temporary name beside their target and renamed over it;
// nothing is followed through a link found in the folder (see base/folder_handle.h). The folder
// is made when it is missing, but not by a dry run.

#include <map>
#include <optional>
#include <string>

#include "base/folder_handle.h"
#include "publish/publish_destination.h"

// True when the two paths name one folder, so that a gallery is never published into itself:
// against the working folder, "." and ".." resolved, a separator at the end ignored, letter case
// ignored on Windows; and, where both exist, the same folder reached through a link.
bool isSameFolder(const std::string& a, const std::string& b);

// Why a Windows folder path cannot be published to, or "" when it can: a name in it holds a
// character Windows refuses in names. A colon after the first name would be taken as a stream of
// a file ("site:\\x" writes into a hidden part of a file "site"), not as a folder.
std::string windowsFolderProblem(const std::string& path);
// The same check where the folder lives: on Windows the one above, elsewhere none.
std::string folderPathProblem(const std::string& path);

class FolderDestination final : public IPublishDestination {
public:
    explicit FolderDestination(std::string path);

    std::string describe() const override { return path_; }
    // A held lock on the folder (FolderHandle::tryLock), its holder named in ".fotoloom-publishing".
    bool lock(std::string& error) override;
    void unlock() override;
    bool confirmListed(RemoteManifest& listed, bool thorough, std::string& error) override;
    ManifestFetch readManifest(std::string& text, uint64_t limit, std::string& error) override;
    bool writeManifest(std::string_view text, std::string& error) override;
    bool upload(const std::string& localPath, std::FILE* source, const std::string& name, std::string& error) override;
    bool remove(const std::string& name, const RemoteFile& expected, std::string& error) override;
    // The folder itself could not be made or opened: no file can go there.
    bool unreachable() const override { return unusable_; }

    // The name an upload of `fileName` is written under until it is complete; an upload
    // interrupted part way leaves at most this one file, which the next upload of it replaces.
    static std::string partName(const std::string& fileName);

private:
    // The folder that holds `name` and the name's last part; nullptr (with `error` set, unless
    // the folder is simply missing and `create` is false) when there is none.
    const FolderHandle* folderOf(const std::string& name, bool create, std::string& fileName, std::string& error);

    std::string path_;
    std::optional<FolderHandle> root_;
    std::optional<FolderHandle> lock_;  // the root opened once more, holding the lock
    bool unusable_ = false;
    std::map<std::string, FolderHandle> folders_;  // "photos", "thumbs", "images" once opened
};

#pragma once
// Publishing to an SFTP server through the system's OpenSSH client (sftp_session.h), so the
// user's ~/.ssh/config, keys, agent and known hosts work as they already do. Each file goes up
// under a temporary name and is renamed over the old one (the client uses the server's atomic
// posix-rename where it is offered; elsewhere the old file is removed just before). The folder
// is made when missing, on the first write. A session lost part way (the network, the server)
// is opened again for the next file.
//
// The server cannot hash a file for us, so a file of an earlier publish is removed only when its
// size is still what we put there; one of another size is somebody else's and stays.

#include <memory>
#include <set>
#include <string>

#include "publish/askpass_channel.h"
#include "publish/publish_destination.h"
#include "publish/sftp_address.h"
#include "publish/sftp_session.h"

class SftpDestination final : public IPublishDestination {
public:
    // `options.askpassChannel` is filled in here; the other options are the caller's.
    SftpDestination(std::string shown, SftpAddress address, SftpOptions options, IAskpassAnswerer& answerer);
    ~SftpDestination() override;

    std::string describe() const override { return shown_; }
    ManifestFetch readManifest(std::string& text, uint64_t limit, std::string& error) override;
    bool writeManifest(std::string_view text, std::string& error) override;
    bool upload(const std::string& localPath, std::FILE* source, const std::string& name, std::string& error) override;
    bool remove(const std::string& name, const RemoteFile& expected, std::string& error) override;
    // Several files at once in one session, so the client uploads the next while we wait.
    size_t uploadsAtOnce() const override { return 16; }
    void uploadSeveral(const std::vector<Upload>& files, std::vector<std::string>& errors) override;

    bool unreachable() const override { return !connectError_.empty(); }

    // Connects (when not yet connected) and checks the folder can be listed: "Test connection".
    bool check(std::string& error);

private:
    SftpSession* session(std::string& error);
    // The server's path of a name relative to the destination folder.
    std::string remotePath(const std::string& name) const;
    // Runs `lines` in the session, opening it first when needed.
    bool run(const std::vector<std::string>& lines, std::vector<std::string>& output, std::string& error);
    // Makes the folder (and those above it) that will hold `name`, once per session.
    bool makeFolders(const std::string& name, std::string& error);
    // The size of a regular file on the server; Missing when there is none, Unusable for a folder or another kind.
    ManifestFetch remoteSize(const std::string& path, uint64_t& size, std::string& error);
    // The local folder the publish record passes through on its way up or down.
    bool makeTemporaryFolder(std::string& error);
    bool put(const std::string& localPath, const std::string& name, std::string& error);
    // The commands that put `localPath` under `name` (a temporary name, then renamed over).
    bool putCommands(const std::string& localPath, const std::string& name, std::vector<std::string>& lines,
                     std::string& error) const;

    std::string shown_;
    SftpAddress address_;
    SftpOptions options_;
    IAskpassAnswerer& answerer_;
    std::unique_ptr<AskpassChannel> channel_;
    std::unique_ptr<SftpSession> session_;
    std::string connectError_;  // why the last connection failed: not tried again in this publish
    std::set<std::string> madeFolders_;
    bool removeBeforeRename_ = false;  // the server refused to rename over a file
    std::string temporaryFolder_;
};

#pragma once
// Publishing to an SFTP server through the system's OpenSSH client (sftp_session.h), so the
// user's ~/.ssh/config, keys, agent and known hosts work as they already do. Each file goes up
// under a temporary name of its own (random, so nobody can have put a link there before) and is
// renamed over the old one (the client uses the server's atomic posix-rename where it is offered;
// elsewhere the old file is removed just before). A session lost part way (the network, the
// server) is opened again for the next file.
//
// What it never does: write or remove through a link. A publish begins by taking the lock (a
// folder ".fotoloom-lock" made under another name with its holder inside, then renamed into place
// in one step), then lists the destination's folders once each: a "photos", "thumbs" or "images"
// that is a link refuses the publish, the record's entries are checked against the listing (a
// file gone or of another size is sent again), and parts left by an interrupted upload go.
//
// The server cannot hash a file for us, so a file of an earlier publish is removed only when its
// size and modification time (as the listing shows them, the stamp of remote_manifest.h) are
// still what they were once it was up; one changed since is somebody else's and stays.

#include <map>
#include <memory>
#include <set>
#include <string>

#include "publish/askpass_channel.h"
#include "publish/publish_destination.h"
#include "publish/publish_lock.h"
#include "publish/sftp_address.h"
#include "publish/sftp_listing.h"
#include "publish/sftp_session.h"

class SftpDestination final : public IPublishDestination {
public:
    // `options.askpassChannel` is filled in here; the other options are the caller's.
    SftpDestination(std::string shown, SftpAddress address, SftpOptions options, IAskpassAnswerer& answerer);
    ~SftpDestination() override;

    std::string describe() const override { return shown_; }
    bool lock(std::string& error) override;
    void unlock() override;
    bool confirmListed(RemoteManifest& listed, bool thorough, std::string& error) override;
    void stampUploads(RemoteManifest& files, const std::vector<std::string>& uploaded) override;
    ManifestFetch readManifest(std::string& text, uint64_t limit, std::string& error) override;
    bool writeManifest(std::string_view text, std::string& error) override;
    bool upload(const std::string& localPath, std::FILE* source, const std::string& name, std::string& error) override;
    bool remove(const std::string& name, const RemoteFile& expected, std::string& error) override;
    // Several files at once in one session, so the client uploads the next while we wait.
    size_t uploadsAtOnce() const override { return 16; }
    void uploadSeveral(const std::vector<Upload>& files, std::vector<std::string>& errors) override;

    bool unreachable() const override { return !connectError_.empty() || !fatalError_.empty(); }

    // Connects (when not yet connected) and checks the folder can be listed: "Test connection".
    bool check(std::string& error);

private:
    // A folder's entries by name, as listed.
    using Listing = std::map<std::string, SftpListingEntry>;
    enum class Listed { Read, Missing, Failed };

    SftpSession* session(std::string& error);
    // The server's path of a name relative to the destination folder ("" for the folder itself).
    std::string remotePath(const std::string& name) const;
    // Runs `lines` in the session, opening it first when needed.
    bool run(const std::vector<std::string>& lines, std::vector<std::string>& output, std::string& error);
    // Lists the folder `name` ("" for the destination's own); Missing when there is none.
    Listed list(const std::string& name, Listing& entries, std::string& error);
    // Makes the destination's folder and those above it; false when it cannot be made.
    bool makeRoot(std::string& error);
    // Lists the destination and the folders of ours in it, once a publish: false, with a message,
    // when a folder of ours is a link or the destination cannot be read. With `tidy`, parts left by
    // interrupted uploads are removed.
    bool survey(bool tidy, std::string& error);
    // Makes the folder that will hold `name`, once; false when it cannot be had.
    bool makeFolders(const std::string& name, std::string& error);
    // The local folder the publish record passes through on its way up or down.
    bool makeTemporaryFolder(std::string& error);
    bool put(const std::string& localPath, const std::string& name, std::string& error);
    // The commands that put `localPath` under `name` (a temporary name, then renamed over).
    bool putCommands(const std::string& localPath, const std::string& name, std::vector<std::string>& lines,
                     std::string& error) const;
    // Fetches `remote` into `local` and stops the client as soon as the copy grows past `limit`:
    // false with `tooLarge` set then.
    bool fetchBounded(const std::string& remote, const std::string& local, uint64_t limit, bool& tooLarge,
                      std::string& error);
    // The lock: tries to put ours in place once; Held (with the holder) when another has it.
    enum class Take { Taken, Held, Failed };
    Take tryTakeLock(std::string& heldBy, std::string& error);
    // Moves a lock left behind out of the way; false when somebody else did meanwhile.
    bool breakStaleLock(const std::string& holderName);
    void renewLock();

    std::string shown_;
    SftpAddress address_;
    SftpOptions options_;
    IAskpassAnswerer& answerer_;
    std::unique_ptr<AskpassChannel> channel_;
    std::unique_ptr<SftpSession> session_;
    std::string connectError_;  // why the last connection failed: not tried again in this publish
    std::string fatalError_;    // why no file can go up in this publish (a folder that cannot be made)
    std::set<std::string> madeFolders_;
    std::map<std::string, std::string> unusableFolders_;  // a folder of ours that cannot be written into: why
    bool removeBeforeRename_ = false;                     // the server refused to rename over a file
    std::string temporaryFolder_;
    bool surveyed_ = false;
    std::map<std::string, Listing> listings_;  // "" (the destination), "photos", "thumbs", "images"
    std::string lockHolder_;                   // the name of our holder file in the lock; "" when not locked
    LockHolder lockRun_;                       // ours, as last renewed
};

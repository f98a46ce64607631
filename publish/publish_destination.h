#pragma once
// Where a gallery is published to. The engine (publish_engine.h) decides what to do; a
// destination only moves files, so another kind of server is one more implementation of this
// interface. Names are relative to the destination's folder, "/" as separator, at most one folder
// level ("photos/x.jpg"); the engine passes only names that isPublishableName accepts.
//
// Every call reports a failure as false with a message for the user in `error`; none throws.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "publish/remote_manifest.h"

enum class ManifestFetch {
    Missing,   // nothing published here before
    Read,      // the text is in hand
    Unusable,  // larger than `limit`, or no regular file: not a record of ours
    Failed,    // the destination could not be read (see the error)
};

class IPublishDestination {
public:
    virtual ~IPublishDestination() = default;

    // The destination as the user named it, for messages.
    virtual std::string describe() const = 0;

    // The remote manifest's text, read only when it is at most `limit` bytes.
    virtual ManifestFetch readManifest(std::string& text, uint64_t limit, std::string& error) = 0;
    // Replaces the remote manifest in one step (temporary name, then renamed over).
    virtual bool writeManifest(std::string_view text, std::string& error) = 0;

    // Uploads the local file `localPath`, whose content is open in `source` (at its start), to
    // `name`: under a temporary name first, renamed over `name` only once it is complete, so a
    // visitor sees the old file or the new one, never a part. Folders are made as needed.
    virtual bool upload(const std::string& localPath, std::FILE* source, const std::string& name,
                        std::string& error) = 0;
    struct Upload {
        std::string localPath;
        std::FILE* source = nullptr;  // open at its start
        std::string name;
    };
    // How many uploads uploadSeveral takes at once (the engine checks for a cancel between them).
    virtual size_t uploadsAtOnce() const { return 1; }
    // Uploads several files, one after the other, as upload() does each; `errors[i]` stays empty
    // for each that went up. A destination that gains by sending several at once (a server far
    // away) overrides it and uploadsAtOnce; the others keep these.
    virtual void uploadSeveral(const std::vector<Upload>& files, std::vector<std::string>& errors)
    {
        errors.assign(files.size(), std::string());
        for (size_t i = 0; i < files.size(); ++i) {
            std::string& error = errors[i];
            if (!upload(files[i].localPath, files[i].source, files[i].name, error) && error.empty())
                error = "not uploaded";
        }
    }

    // True once the destination cannot be reached any more in this publish (the server refused
    // a new connection): the engine stops trying file after file.
    virtual bool unreachable() const { return false; }

    // Removes `name`, which an earlier publish wrote with `expected` content. A file already gone
    // counts as removed; so does one that has changed since, where the destination can tell:
    // it is somebody else's now and stays.
    virtual bool remove(const std::string& name, const RemoteFile& expected, std::string& error) = 0;
};

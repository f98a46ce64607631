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

    // Takes the destination for this publish (not for a dry run), making its folder when missing,
    // before anything else is read or written: false, with a message, when another publish holds
    // it (naming that one), or when the folder cannot be made or holds a link where a folder of
    // ours goes. The lock is let go by unlock(), or by the destructor.
    virtual bool lock(std::string& error)
    {
        (void)error;
        return true;
    }
    virtual void unlock() {}
    // Checks the files a record lists against what stands on the destination before the record is
    // trusted: an entry whose file is gone or of another size is dropped (so the file is sent
    // again, or, when the gallery no longer has it, left alone); a stamp missing is filled in from
    // what stands there. With `thorough`, content is compared too where the destination can tell
    // without reading it back. False, with a message, when the destination cannot be read.
    virtual bool confirmListed(RemoteManifest& listed, bool thorough, std::string& error)
    {
        (void)listed, (void)thorough, (void)error;
        return true;
    }
    // Fills in the stamps (remote_manifest.h) of the files `uploaded` since the last call, which
    // went up whole; the engine asks at the end of every stage.
    virtual void stampUploads(RemoteManifest& files, const std::vector<std::string>& uploaded)
    {
        (void)files, (void)uploaded;
    }

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

    // True once no file can be sent any more in this publish (the server refused a new
    // connection, the folder cannot be made): the engine stops trying file after file.
    virtual bool unreachable() const { return false; }

    // Removes `name`, which an earlier publish wrote with `expected` content (and stamp). A file
    // already gone counts as removed; so does one that has changed since, where the destination can
    // tell (another size, another stamp or content; a link where the file was): it is somebody
    // else's now and stays.
    virtual bool remove(const std::string& name, const RemoteFile& expected, std::string& error) = 0;
};

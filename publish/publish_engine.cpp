#include "publish/publish_engine.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "generator/build_manifest.h"
#include "generator/content_hash.h"

namespace {

// The remote manifest is rewritten at least this often while uploading, so a publish that dies
// part way leaves little to upload again.
constexpr size_t kCheckpointEvery = 50;

class Publisher {
public:
    Publisher(const FolderHandle& gallery, IPublishDestination& destination, IPublishObserver& observer,
              PublishResult& result)
        : gallery_(gallery), destination_(destination), observer_(observer), result_(result)
    {
    }

    bool readRemote()
    {
        std::string text, error;
        switch (destination_.readManifest(text, kMaxRemoteManifestBytes, error)) {
        case ManifestFetch::Missing: return true;
        case ManifestFetch::Read:
            remote_ = parseRemoteManifest(text);
            recordIsCurrent_ = text == remoteManifestText(remote_);
            return true;
        case ManifestFetch::Unusable:
            // Not a record we wrote: trust none of it. Everything is uploaded and nothing removed.
            observer_.warning("The publish record " + std::string(kRemoteManifestName) + " in " +
                              destination_.describe() +
                              " is not one Fotoloom wrote; it is replaced, and no file it lists is removed.");
            return true;
        case ManifestFetch::Failed: result_.problem = error; return false;
        }
        return false;
    }

    // Drops what the record lists but the destination no longer holds as recorded.
    bool confirmRemote(bool thorough)
    {
        const std::map<std::string, RemoteFile> before = remote_.files;
        std::string error;
        if (!destination_.confirmListed(remote_, thorough, error)) {
            result_.problem = error;
            return false;
        }
        if (remote_.files != before) recordIsCurrent_ = false;
        return true;
    }

    const RemoteManifest& remote() const { return remote_; }

    void uploadAll()
    {
        const PublishPlan& plan = result_.plan;
        PublishProgress progress{0, plan.uploads.size(), 0, plan.uploadBytes};
        observer_.progress(progress);
        const size_t atOnce = std::max<size_t>(1, destination_.uploadsAtOnce());
        size_t sinceCheckpoint = 0;
        for (size_t i = 0; i < plan.uploads.size();) {
            if (observer_.cancelRequested()) {
                result_.cancelled = true;
                break;
            }
            // A group never spans two stages, so each stage ends with a checkpoint.
            size_t end = i + 1;
            while (end < plan.uploads.size() && end - i < atOnce && plan.uploads[end].stage == plan.uploads[i].stage)
                ++end;
            const size_t sent = uploadGroup(i, end);
            sinceCheckpoint += sent;
            for (; i < end; ++i) {
                ++progress.filesDone;
                progress.bytesDone += plan.uploads[i].size;
            }
            observer_.progress(progress);
            if (destination_.unreachable() && i < plan.uploads.size()) {
                // One line for the rest rather than the same reason once for every file.
                const std::string reason =
                    result_.failures.empty() ? "the destination cannot be reached" : result_.failures.back().reason;
                const size_t rest = plan.uploads.size() - i;
                // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "(" + std::string.
                std::string rows("(");
                rows.append(std::to_string(rest)).append(rest == 1 ? " more file)" : " more files)");
                result_.failures.push_back({rows, "not sent: " + reason});
                break;
            }
            const bool stageEnds = i < plan.uploads.size() && plan.uploads[i].stage != plan.uploads[i - 1].stage;
            if (stageEnds) stamp();
            if (sinceCheckpoint > 0 && (stageEnds || sinceCheckpoint >= kCheckpointEvery)) {
                // A lost checkpoint costs only uploads again; the final write reports failure.
                std::string ignored;
                destination_.writeManifest(remoteManifestText(remote_), ignored);
                sinceCheckpoint = 0;
            }
        }
        stamp();
        if (result_.uploaded > 0) writeRemote();
    }

    // The stamps of what went up since the last call.
    void stamp()
    {
        if (unstamped_.empty()) return;
        destination_.stampUploads(remote_, unstamped_);
        unstamped_.clear();
    }

    // False when the record on the destination says other than what we know is there.
    bool recordIsCurrent() const { return recordIsCurrent_; }

    bool writeRemote()
    {
        std::string error;
        if (destination_.writeManifest(remoteManifestText(remote_), error)) return true;
        result_.failures.push_back({kRemoteManifestName, error});
        return false;
    }

    void removeLeftovers()
    {
        for (const std::string& name : result_.plan.removals) {
            if (observer_.cancelRequested()) {
                result_.cancelled = true;
                break;
            }
            const auto entry = remote_.files.find(name);
            if (entry == remote_.files.end()) continue;
            std::string error;
            if (!destination_.remove(name, entry->second, error)) {
                result_.failures.push_back({name, error});
                continue;
            }
            remote_.files.erase(entry);
            ++result_.removed;
        }
    }

private:
    // Opens a gallery file (never through a link) for reading.
    std::FILE* openLocal(const std::string& name, std::string& error) const
    {
        const size_t slash = name.find('/');
        std::FILE* file = nullptr;
        if (slash == std::string::npos) {
            file = gallery_.openRead(name);
        } else {
            FileKind found;
            std::optional<FolderHandle> folder = gallery_.openChild(name.substr(0, slash), false, found);
            if (folder) file = folder->openRead(name.substr(slash + 1));
        }
        if (!file) error = "cannot read " + gallery_.pathOf(name) + " (build the gallery again)";
        return file;
    }

    // Uploads plan.uploads[first, end): the number that went up.
    size_t uploadGroup(size_t first, size_t end)
    {
        struct Hashed {
            const PlannedUpload* planned;
            RemoteFile content;
        };
        std::vector<IPublishDestination::Upload> files;
        std::vector<Hashed> hashed;
        for (size_t i = first; i < end; ++i) {
            const PlannedUpload& planned = result_.plan.uploads[i];
            std::string error;
            std::FILE* file = openLocal(planned.name, error);
            if (!file) {
                result_.failures.push_back({planned.name, error});
                continue;
            }
            // What goes up is recorded as it is now: a file changed since the build is known by
            // its new content next time.
            ContentHasher hasher;
            uint64_t size = 0;
            char buffer[1 << 16];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
                hasher.add(buffer, n);
                size += n;
            }
            if (std::ferror(file)) {
                std::fclose(file);
                result_.failures.push_back({planned.name, "cannot read " + gallery_.pathOf(planned.name)});
                continue;
            }
            std::rewind(file);
            files.push_back({gallery_.pathOf(planned.name), file, planned.name});
            hashed.push_back({&planned, {size, hasher.finish(), {}}});
        }
        std::vector<std::string> errors;
        if (!files.empty()) destination_.uploadSeveral(files, errors);
        size_t sent = 0;
        for (size_t k = 0; k < files.size(); ++k) {
            std::fclose(files[k].source);
            const std::string& name = hashed[k].planned->name;
            if (k < errors.size() && !errors[k].empty()) {
                result_.failures.push_back({name, errors[k]});
                continue;
            }
            remote_.files[name] = hashed[k].content;
            unstamped_.push_back(name);
            ++result_.uploaded;
            result_.bytesUploaded += hashed[k].content.size;
            ++sent;
        }
        return sent;
    }

    const FolderHandle& gallery_;
    IPublishDestination& destination_;
    IPublishObserver& observer_;
    PublishResult& result_;
    RemoteManifest remote_;  // what is ours on the destination, kept up to date as work is done
    bool recordIsCurrent_ = false;
    std::vector<std::string> unstamped_;  // uploaded since the last stamps were asked for
};

// The destination's lock for as long as a publish works there.
class LockGuard {
public:
    explicit LockGuard(IPublishDestination& destination) : destination_(destination) {}
    ~LockGuard()
    {
        if (held_) destination_.unlock();
    }
    bool take(std::string& error) { return held_ = destination_.lock(error); }

private:
    IPublishDestination& destination_;
    bool held_ = false;
};

}  // namespace

PublishResult publishGallery(const FolderHandle& gallery, IPublishDestination& destination, IPublishObserver& observer,
                             bool dryRun, bool verify)
{
    PublishResult result;
    const BuildManifest built = readManifest(gallery);
    if (!built.files.contains("index.html")) {
        result.problem = "The gallery in " + gallery.path() + " has not been built.";
        return result;
    }
    Publisher publisher(gallery, destination, observer, result);
    LockGuard lock(destination);
    if (!dryRun && !lock.take(result.problem)) return result;
    if (!publisher.readRemote() || !publisher.confirmRemote(verify)) return result;
    result.plan = makePublishPlan(built.files, publisher.remote());
    if (dryRun) return result;

    publisher.uploadAll();
    if (!result.failures.empty() || result.cancelled) return result;
    // The record still lists the files about to go, so a publish killed while removing them
    // removes the rest next time.
    if (result.plan.removals.empty()) {
        // Nothing to upload, but a damaged or foreign record is made whole.
        if (result.uploaded == 0 && !publisher.recordIsCurrent()) publisher.writeRemote();
        return result;
    }
    publisher.removeLeftovers();
    publisher.writeRemote();
    return result;
}

#include "publish/publish_engine.h"

#include <optional>

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

    const RemoteManifest& remote() const { return remote_; }

    void uploadAll()
    {
        const PublishPlan& plan = result_.plan;
        PublishProgress progress{0, plan.uploads.size(), 0, plan.uploadBytes};
        observer_.progress(progress);
        size_t sinceCheckpoint = 0;
        for (size_t i = 0; i < plan.uploads.size(); ++i) {
            const PlannedUpload& file = plan.uploads[i];
            if (observer_.cancelRequested()) {
                result_.cancelled = true;
                break;
            }
            if (uploadOne(file)) ++sinceCheckpoint;
            ++progress.filesDone;
            progress.bytesDone += file.size;
            observer_.progress(progress);
            const bool last = i + 1 == plan.uploads.size();
            const bool stageEnds = !last && plan.uploads[i + 1].stage != file.stage;
            if (sinceCheckpoint > 0 && (stageEnds || sinceCheckpoint >= kCheckpointEvery)) {
                // A lost checkpoint costs only uploads again; the final write reports failure.
                std::string ignored;
                destination_.writeManifest(remoteManifestText(remote_), ignored);
                sinceCheckpoint = 0;
            }
        }
        if (result_.uploaded > 0) writeRemote();
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

    bool uploadOne(const PlannedUpload& planned)
    {
        std::string error;
        std::FILE* file = openLocal(planned.name, error);
        if (!file) {
            result_.failures.push_back({planned.name, error});
            return false;
        }
        // What goes up is recorded as it is now: a file changed since the build is known by its
        // new content next time.
        ContentHasher hasher;
        uint64_t size = 0;
        char buffer[1 << 16];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            hasher.add(buffer, n);
            size += n;
        }
        const bool readWhole = !std::ferror(file);
        std::rewind(file);
        const bool sent = readWhole && destination_.upload(gallery_.pathOf(planned.name), file, planned.name, error);
        std::fclose(file);
        if (!readWhole) error = "cannot read " + gallery_.pathOf(planned.name);
        if (!sent) {
            result_.failures.push_back({planned.name, error});
            return false;
        }
        remote_.files[planned.name] = {size, hasher.finish()};
        ++result_.uploaded;
        result_.bytesUploaded += size;
        return true;
    }

    const FolderHandle& gallery_;
    IPublishDestination& destination_;
    IPublishObserver& observer_;
    PublishResult& result_;
    RemoteManifest remote_;  // what is ours on the destination, kept up to date as work is done
    bool recordIsCurrent_ = false;
};

}  // namespace

PublishResult publishGallery(const FolderHandle& gallery, IPublishDestination& destination, IPublishObserver& observer,
                             bool dryRun)
{
    PublishResult result;
    const BuildManifest built = readManifest(gallery);
    if (!built.files.contains("index.html")) {
        result.problem = "The gallery in " + gallery.path() + " has not been built.";
        return result;
    }
    Publisher publisher(gallery, destination, observer, result);
    if (!publisher.readRemote()) return result;
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

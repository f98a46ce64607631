#pragma once
// Publishing a built gallery folder to a destination: the plan (publish_plan.h) carried out.
//
// Uploads go in the plan's order, each complete before it replaces the old file. The remote
// manifest is rewritten as work gets done (after every stage, and every few dozen files), always
// listing every file of ours that may be on the destination, so an interrupted publish (a failure,
// a cancel, a kill) is finished by the next run, which uploads only what is still missing or
// different. Files of the earlier publish are removed only after every upload succeeded: until
// then the old pages that link to them may still be the ones served.
//
// USAGE
//   std::optional<FolderHandle> gallery = FolderHandle::open(galleryPath);
//   FolderDestination destination(targetPath);
//   PublishResult r = publishGallery(*gallery, destination, observer, false);
//   if (!r.problem.empty() || !r.failures.empty()) ...   // told to the user

#include <cstdint>
#include <string>
#include <vector>

#include "base/folder_handle.h"
#include "publish/publish_destination.h"
#include "publish/publish_plan.h"

struct PublishProgress {
    size_t filesDone = 0;
    size_t filesTotal = 0;
    uint64_t bytesDone = 0;
    uint64_t bytesTotal = 0;
};

class IPublishObserver {
public:
    virtual ~IPublishObserver() = default;
    virtual void progress(const PublishProgress& progress) = 0;
    virtual void warning(const std::string& text) = 0;
    // Asked before every file; true stops the publish there.
    virtual bool cancelRequested() = 0;
};

struct PublishFailure {
    std::string name;  // relative name in the gallery
    std::string reason;
};

struct PublishResult {
    PublishPlan plan;
    std::string problem;  // why nothing was published at all; "" otherwise
    size_t uploaded = 0;
    size_t removed = 0;
    uint64_t bytesUploaded = 0;
    bool cancelled = false;
    std::vector<PublishFailure> failures;

    bool succeeded() const { return problem.empty() && failures.empty() && !cancelled; }
};

// With `dryRun`, only the plan is made (the remote manifest is read, nothing is written). A publish
// takes the destination's lock first (a second publish there meanwhile is refused) and checks what
// the record lists against the destination (IPublishDestination::confirmListed; with `verify`,
// content too where the destination can tell) before trusting it.
PublishResult publishGallery(const FolderHandle& gallery, IPublishDestination& destination, IPublishObserver& observer,
                             bool dryRun, bool verify = false);

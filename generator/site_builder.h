#pragma once
// The site builder: turns the open gallery into a finished web gallery folder — pages, style
// sheet, the theme's images, fitted photos and thumbnails.
//
// ABOUT
//   BuildGallery() runs the whole build on the calling thread and reports only through an
//   IBuildObserver, so the build dialog (on its worker thread) and the command line drive the same
//   engine. Pictures are decoded, fitted and encoded on a pool of worker threads; everything the
//   observer hears and every file written is what a one-picture-at-a-time build gives, in the
//   same order: the observer is only ever called from the thread that called BuildGallery().
//
//   The gallery folder G is outputFolder + separator + galleryTitle (outputFolder itself when the
//   title is empty). G/.fotoloom-manifest records what the build wrote there, with fingerprints of
//   the pictures' sources, so that the next build of G remakes only what changed and removes the
//   files it wrote before and does not write now. A file the builder did not write is never removed.
//   Every file goes through the gallery writer (gallery_writer.h): nothing outside G is written,
//   replaced or removed whatever links G holds, a file that cannot be written leaves the old one
//   whole and is listed in the result, and a build killed part way is cleaned up after by the next.
//
// USAGE
//   class Dialog : public IBuildObserver { ... };
//   BuildResult r = BuildGallery(doc, dialog, {.jobs = 0});
//   if (!r.succeeded()) ...;   // cancelled, refused, or some pictures could not be read
//
// The model must not change while a build runs (the build dialog is modal).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gallery/builder_doc.h"
#include "generator/gallery_title.h"
#include "generator/photo_fit.h"
#include "generator/thread_starter.h"

// The one-line question at the end of a finished build and its caption.
inline constexpr char kViewGalleryQuestion[] = "Your Web Gallery is completed. View it now in your Internet browser.";
inline constexpr char kViewGalleryCaption[] = "Congratulations!";
// What the build dialog says once a build has stopped on a cancel request.
inline constexpr char kBuildCancelledMessage[] =
    "The build was cancelled. The gallery folder keeps what was made so far; build again to finish it.";

// What the build dialog and the command line hear. Every call comes from the thread that runs
// BuildGallery(), in the order a sequential build makes them.
class IBuildObserver {
public:
    virtual ~IBuildObserver() = default;
    // Both bars after every step (two per picture: photo, thumbnail), 0..100; (0, 0) when a
    // cancel request has been seen.
    virtual void progress(int albumPercent, int totalPercent) = 0;
    // A warning ("Cannot load template. Reinstall Fotoloom.", "Cannot load HTML template!", ...);
    // returns once the user has acknowledged it. The build then goes on (or stops, for refusals).
    virtual void warning(const std::string& text) = 0;
    // Asked once per picture, after its thumbnail; true stops the build there.
    virtual bool cancelRequested() = 0;
    // The final question of a finished build whose index.html was written (kViewGalleryQuestion,
    // kViewGalleryCaption); true for Yes, and the builder then calls openGallery() with the full
    // path of G's "index.html". A build without its index.html ends with a warning instead.
    virtual bool askViewGallery(const std::string& question, const std::string& caption) = 0;
    virtual void openGallery(const std::string& indexPath) = 0;
};

// A warning's text as a message box shows it: its first line and at most `listed` lines of the
// list after it, then "... and N more." (the command line prints the whole text).
std::string boxedWarning(const std::string& text, size_t listed = 20);

// What the build's picture workers may hold at once, all together: about 1 GB.
inline constexpr uint64_t kBuildMemoryBudget = uint64_t{1} << 30;

struct BuildOptions {
    std::string templateRoot;                    // folder holding the themes; "" for defaultTemplateRoot()
    unsigned jobs = 0;                           // picture worker threads; 0 for one per processor core
    bool force = false;                          // remake every photo and thumbnail and rewrite every file
    int jpegQuality = 90;                        // of photos and thumbnails (the picture library's default)
    uint64_t memoryBudget = kBuildMemoryBudget;  // shared by the picture workers
    ThreadStarter startThread;  // "" for std::thread; when none can be started, the calling thread works
};

enum class BuildOutcome {
    Completed,     // went through every album; see succeeded() for whether all was written
    Cancelled,     // stopped at a picture on a cancel request; no style sheet, no final question
    NoTheme,       // no theme installed ("Cannot load template. Reinstall Fotoloom."); nothing written
    InvalidTitle,  // the title cannot be a folder name (see galleryTitleProblem); nothing written
    Busy,          // another build is writing into the gallery folder; nothing written
    Unwritable,    // the gallery folder cannot be made or written into (one warning says why); nothing written
};

struct BuildResult {
    BuildOutcome outcome = BuildOutcome::Completed;
    std::string galleryFolder;                    // G
    std::string indexPage;                        // G's "index.html" when this build wrote it (or found it so)
    std::string themeName;                        // the theme used (also stored into the model)
    std::vector<std::string> unreadablePictures;  // source paths that could not be read, in build order
    std::vector<std::string> unreadableReasons;   // why, for each of them ("cut short: ...")
    std::vector<std::string> tooLargePictures;    // source paths refused for the memory budget
    std::vector<std::string> unwrittenFiles;      // full paths of gallery files that could not be written
    size_t warnings = 0;                          // warnings shown, the unreadable list included
    size_t picturesMade = 0;                      // pictures decoded, fitted and saved
    size_t picturesReused = 0;                    // pictures whose photo and thumbnail were up to date
    size_t filesWritten = 0;                      // pages, style sheet, photos, thumbnails, theme images
    size_t filesUnchanged = 0;                    // of those, left alone because the bytes were the same
    size_t filesKept = 0;                         // photos and thumbnails found up to date, not written again
    uint64_t bytesWritten = 0;                    // of the files written, the unchanged ones not counted
    size_t filesRemoved = 0;                      // written by an earlier build, not by this one
    bool viewed = false;                          // the user chose to view the gallery
    uint64_t memoryPeak = 0;                      // the most the picture workers held at once

    // True for a completed build in which every picture was made and every file written, its
    // index.html included (exit status 0).
    bool succeeded() const
    {
        return outcome == BuildOutcome::Completed && !indexPage.empty() && unreadablePictures.empty() &&
               tooLargePictures.empty() && unwrittenFiles.empty();
    }
};

// Builds the gallery into G. Resolves the theme first and stores it into doc.themeName; refuses a
// title that cannot be a folder name before anything is written.
BuildResult BuildGallery(CBuilderDoc& doc, IBuildObserver& observer, const BuildOptions& options = {});

// An observer that shows warnings and the final question through a prompter, never cancels,
// ignores progress, and opens nothing (override openGallery to open the page).
class PrompterBuildObserver : public IBuildObserver {
public:
    explicit PrompterBuildObserver(IPrompter& prompter) : prompter_(prompter) {}
    void progress(int, int) override {}
    void warning(const std::string& text) override;
    bool cancelRequested() override { return false; }
    bool askViewGallery(const std::string& question, const std::string& caption) override;
    void openGallery(const std::string&) override {}

protected:
    IPrompter& prompter_;
};

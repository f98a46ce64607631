// The build: theme images, then album by album its pictures (photo, thumbnail, picture page)
// and its pages, then the style sheet, the clean-up of an earlier build's leftovers, and the
// question whether to view the gallery.

#include "generator/site_builder.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "base/file_system.h"
#include "generator/build_inputs.h"
#include "generator/build_manifest.h"
#include "generator/camera_details.h"
#include "generator/file_ops.h"
#include "generator/gallery_writer.h"
#include "generator/picture_pipeline.h"
#include "generator/site_pages.h"
#include "generator/theme_files.h"

namespace {

constexpr uint64_t kMaxThemeImageBytes = uint64_t{256} << 20;
// More workers than this only add memory: the disk and the builder's own thread set the pace.
constexpr unsigned kMostWorkers = 64;

class SiteBuild {
public:
    SiteBuild(CBuilderDoc& doc, IBuildObserver& observer, const BuildOptions& options)
        : doc_(doc), observer_(observer), options_(options)
    {
        templateRoot_ = options.templateRoot.empty() ? defaultTemplateRoot() : options.templateRoot;
    }

    BuildResult run();

private:
    bool prepare();
    void copyThemeImages();
    std::vector<PictureJob> pictureJobs();
    bool buildAlbums(std::vector<PictureJob>& jobs);
    void buildAlbumPages(size_t album, std::span<const Image* const> images, std::span<const PictureLook> looks,
                         std::span<const ExifFields> details, std::span<const uint8_t> missing,
                         const std::string& albumList);
    std::string picturePage(size_t album, size_t number, const Image& image, const PictureLook& look,
                            const ExifFields* details, bool missing) const;
    void writeStyleSheet();
    void tellUnwritten();
    void tellUnreadable();
    void tellTooLarge();
    void finish(bool cancelled);

    void warn(const std::string& text)
    {
        ++result_.warnings;
        observer_.warning(text);
    }
    // Full path of a gallery file named with "/" ("photos/image-1-1.jpg").
    std::string pathOf(std::string_view name) const { return writer_->pathOf(name); }
    // Writes a gallery file unless it already holds these bytes, and records it. A file that
    // could not be written is listed; `told` when a warning has named it already.
    bool put(const std::string& name, std::string_view bytes, bool told = false);
    bool putText(const std::string& name, const std::string& text, bool told = false)
    {
        return put(name, toCrLf(text), told);
    }
    // A photo or thumbnail; empty bytes when it could not be encoded.
    bool putPicture(const std::string& name, const std::vector<uint8_t>& bytes);
    // A page or the style sheet. The first of them that cannot be written is warned of at once
    // ("Cannot write file '"); any more join the list told at the end, so a folder that refuses
    // every page costs one box, not one for each.
    bool putWarned(const std::string& name, const std::string& text);
    // A photo encoded into its temporary file, put in place.
    void putStreamed(std::unique_ptr<StreamedFile> file);
    void counted(GalleryWriter::Put put, const std::string& name, bool told);
    void keepUpToDate(const std::string& name);
    void listUnwritten(const std::string& name, bool told);

    CBuilderDoc& doc_;
    IBuildObserver& observer_;
    const BuildOptions& options_;
    std::string templateRoot_;
    std::string gallery_;  // G
    BuildResult result_;
    std::optional<GalleryWriter> writer_;  // every file of G goes through it
    std::vector<std::string> untold_;      // files not written that no warning has named yet
    std::unordered_map<int32_t, std::vector<const Image*>> albumImages_;
    std::string pageTemplate_;
    std::string picturePageTemplate_;      // empty: the fixed picture page text
    bool dense_ = false;                   // the theme asks for high-density pictures
    std::vector<uint64_t> tooLargeNeeds_;  // bytes each of result_.tooLargePictures would need
    bool toldUnwritten_ = false;           // a "Cannot write file '" box has been shown
    bool toldNoPageTemplate_ = false;      // "Cannot load HTML template!" has been shown
};

bool SiteBuild::put(const std::string& name, std::string_view bytes, bool told)
{
    const GalleryWriter::Put put = writer_->put(name, bytes, options_.force);
    counted(put, name, told);
    return put != GalleryWriter::Put::Failed;
}

void SiteBuild::putStreamed(std::unique_ptr<StreamedFile> file)
{
    const std::string name = file->name();
    counted(writer_->commit(std::move(file)), name, false);
}

void SiteBuild::counted(GalleryWriter::Put put, const std::string& name, bool told)
{
    switch (put) {
    case GalleryWriter::Put::Unchanged:
        ++result_.filesUnchanged;
        ++result_.filesWritten;
        return;
    case GalleryWriter::Put::Written:
        ++result_.filesWritten;
        result_.bytesWritten += writer_->current().files[name].size;
        return;
    case GalleryWriter::Put::Failed: listUnwritten(name, told); return;
    }
}

void SiteBuild::keepUpToDate(const std::string& name)
{
    writer_->keep(name);
    ++result_.filesKept;
}

void SiteBuild::listUnwritten(const std::string& name, bool told)
{
    result_.unwrittenFiles.push_back(pathOf(name));
    if (!told) untold_.push_back(pathOf(name));
}

bool SiteBuild::putWarned(const std::string& name, const std::string& text)
{
    const bool first = !toldUnwritten_;
    if (putText(name, text, first)) return true;
    if (first) {
        toldUnwritten_ = true;
        warn("Cannot write file '" + pathOf(name));
    }
    return false;
}

bool SiteBuild::putPicture(const std::string& name, const std::vector<uint8_t>& bytes)
{
    if (!bytes.empty()) {
        put(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return true;
    }
    writer_->keep(name);  // it could not be encoded: whatever an earlier build left stays
    listUnwritten(name, false);
    return false;
}

bool SiteBuild::prepare()
{
    const std::string theme = ResolveTheme(doc_.themeName, templateRoot_);
    if (theme.empty()) {
        result_.outcome = BuildOutcome::NoTheme;
        warn(kNoThemeMessage);
        return false;
    }
    doc_.themeName = theme;
    result_.themeName = theme;

    if (const std::string problem = galleryTitleProblem(doc_.galleryTitle); !problem.empty()) {
        result_.outcome = BuildOutcome::InvalidTitle;
        warn(problem);
        return false;
    }
    gallery_ = galleryFolderOf(doc_.outputFolder, doc_.galleryTitle);
    result_.galleryFolder = gallery_;

    writer_.emplace(gallery_);
    const std::vector<std::string> problems = writer_->open();
    if (!writer_->refusal().empty()) {
        // One message before any picture is made, not one for every page that could not be written.
        result_.outcome = BuildOutcome::Unwritable;
        warn(writer_->refusal());
        return false;
    }
    if (writer_->busy()) {
        result_.outcome = BuildOutcome::Busy;
        warn("Another build is writing into '" + gallery_ + "' right now. Build again when it has finished.");
        return false;
    }
    // Together in one box: a gallery folder whose three folders are all files would otherwise cost three.
    if (!problems.empty()) {
        std::string text = problems[0];
        for (size_t i = 1; i < problems.size(); ++i) text += "\n" + problems[i];
        warn(text);
    }
    return true;
}

void SiteBuild::copyThemeImages()
{
    const std::string source = joinPath(themeFolder(templateRoot_, doc_.themeName), kThemeImagesName);
    const auto entries = listFolder(source);
    if (!entries) return;
    for (const FolderEntry& e : *entries) {
        const std::string name = std::string("images/") + e.name;
        if (e.isFolder || !isGalleryFileName(name)) continue;
        std::string bytes;
        if (readFileBytes(joinPath(source, e.name), bytes, kMaxThemeImageBytes)) put(name, bytes);
    }
}

std::vector<PictureJob> SiteBuild::pictureJobs()
{
    for (const Image& image : doc_.images()) albumImages_[image.albumKey].push_back(&image);
    std::vector<PictureJob> jobs;
    const auto& albums = doc_.albums();
    for (size_t a = 0; a < albums.size(); ++a) {
        const auto found = albumImages_.find(albums[a].key);
        if (found == albumImages_.end()) continue;
        for (size_t n = 0; n < found->second.size(); ++n) {
            const Image& image = *found->second[n];
            PictureJob job;
            job.source = image.path;
            job.rotation = image.rotation;
            job.photoName = "photos/" + photoFileName(a + 1, n + 1);
            job.thumbName = "thumbs/" + thumbFileName(a + 1, n + 1);
            job.photoPath = pathOf(job.photoName);
            job.thumbPath = pathOf(job.thumbName);
            const BuildManifest& previous = writer_->previous();
            if (dense_) {
                job.densePhotoName = denseFileName(job.photoName);
                job.denseThumbName = denseFileName(job.thumbName);
                job.densePhotoPath = pathOf(job.densePhotoName);
                job.denseThumbPath = pathOf(job.denseThumbName);
                if (const auto f = previous.files.find(job.densePhotoName); f != previous.files.end())
                    job.previousDensePhotoSize = f->second.size;
                if (const auto f = previous.files.find(job.denseThumbName); f != previous.files.end())
                    job.previousDenseThumbSize = f->second.size;
            }
            if (const auto p = previous.pictures.find(job.photoName); p != previous.pictures.end()) {
                const auto photo = previous.files.find(job.photoName);
                const auto thumb = previous.files.find(job.thumbName);
                if (photo != previous.files.end() && thumb != previous.files.end()) {
                    job.previous = &p->second;
                    job.previousPhotoSize = photo->second.size;
                    job.previousThumbSize = thumb->second.size;
                }
            }
            jobs.push_back(std::move(job));
        }
    }
    return jobs;
}

// Returns false when the build was cancelled.
bool SiteBuild::buildAlbums(std::vector<PictureJob>& jobs)
{
    const PictureShape shape{photoBoxOf(doc_.photoSize), doc_.thumbWidth, options_.jpegQuality, options_.force, dense_};
    unsigned threads = options_.jobs != 0 ? options_.jobs : std::thread::hardware_concurrency();
    MemoryBudget budget(options_.memoryBudget);
    PicturePool pool(jobs, shape, std::clamp(threads, 1u, kMostWorkers), budget, &*writer_, options_.startThread);
    struct PeakKeeper {
        MemoryBudget& budget;
        uint64_t& peak;
        ~PeakKeeper() { peak = budget.peak(); }
    } keeper{budget, result_.memoryPeak};

    const auto& albums = doc_.albums();
    const uint64_t totalSteps = 2 * uint64_t{doc_.images().size()};
    uint64_t step = 0;  // t: over the whole gallery
    size_t next = 0;    // the next job
    for (size_t a = 0; a < albums.size(); ++a) {
        const std::string albumList = albumListBlock(albums, a);
        static const std::vector<const Image*> kNone;
        const auto found = albumImages_.find(albums[a].key);
        const std::vector<const Image*>& images = found == albumImages_.end() ? kNone : found->second;
        const uint64_t albumSteps = 2 * uint64_t{images.size()};
        std::vector<PictureLook> looks(dense_ ? images.size() : 0);
        std::vector<uint8_t> missing(images.size(), 0);  // no file of the picture was made
        // Read from the pictures' files only when the owner shows them.
        std::vector<ExifFields> details;
        if (doc_.cameraDetails)
            for (const Image* image : images) details.push_back(readCameraDetails(image->path));
        uint64_t albumStep = 0;  // s: within the album
        auto advance = [&] {
            ++albumStep;
            ++step;
            observer_.progress(static_cast<int>(albumStep * 100 / albumSteps),
                               static_cast<int>(step * 100 / totalSteps));
        };

        // A picture that cannot be read keeps its number and its pages, so that it comes back under
        // the same address once it can be read; until then its pages show its file's name instead.
        for (size_t n = 0; n < images.size(); ++n) {
            const PictureJob& job = jobs[next];
            PictureOutcome outcome = pool.take(next++);
            bool whole = true;  // both files of a made picture were put in place
            switch (outcome.kind) {
            case PictureOutcome::Kind::Made:
                ++result_.picturesMade;
                if (outcome.photoFile) {
                    putStreamed(std::move(outcome.photoFile));
                } else {
                    whole = putPicture(job.photoName, outcome.photoBytes);
                }
                if (outcome.fingerprint.look.densePhoto)
                    whole = putPicture(job.densePhotoName, outcome.densePhotoBytes) && whole;
                break;
            case PictureOutcome::Kind::Reused:
                ++result_.picturesReused;
                keepUpToDate(job.photoName);
                if (outcome.fingerprint.look.densePhoto) keepUpToDate(job.densePhotoName);
                break;
            case PictureOutcome::Kind::Unreadable:
                result_.unreadablePictures.push_back(job.source);
                result_.unreadableReasons.push_back(outcome.failure.failed() ? outcome.failure.text()
                                                                             : std::string("it could not be read"));
                missing[n] = 1;
                break;
            case PictureOutcome::Kind::TooLarge:
                result_.tooLargePictures.push_back(job.source);
                tooLargeNeeds_.push_back(outcome.neededBytes);
                missing[n] = 1;
                break;
            }
            advance();
            const bool denseThumb = outcome.fingerprint.look.denseThumb;
            if (outcome.kind == PictureOutcome::Kind::Made) {
                whole = putPicture(job.thumbName, outcome.thumbBytes) && whole;
                if (denseThumb) whole = putPicture(job.denseThumbName, outcome.denseThumbBytes) && whole;
            } else if (outcome.kind == PictureOutcome::Kind::Reused) {
                keepUpToDate(job.thumbName);
                if (denseThumb) keepUpToDate(job.denseThumbName);
            }
            if (dense_) looks[n] = outcome.fingerprint.look;
            // A photo whose file could not be written or encoded has no fingerprint: it is made again
            // next time, never taken for the earlier build's file that stays in its place.
            if ((outcome.kind == PictureOutcome::Kind::Made || outcome.kind == PictureOutcome::Kind::Reused) && whole &&
                !outcome.fingerprint.source.empty())
                writer_->current().pictures[job.photoName] = std::move(outcome.fingerprint);

            if (observer_.cancelRequested()) {
                observer_.progress(0, 0);
                pool.stop();
                return false;
            }
            advance();
            putText(picturePageName(a + 1, n + 1),
                    picturePage(a, n + 1, *images[n], dense_ ? looks[n] : PictureLook{},
                                details.empty() ? nullptr : &details[n], missing[n] != 0));
        }
        buildAlbumPages(a, images, looks, details, missing, albumList);
    }
    return true;
}

std::string SiteBuild::picturePage(size_t a, size_t number, const Image& image, const PictureLook& look,
                                   const ExifFields* details, bool missing) const
{
    const Album& album = doc_.albums()[a];
    if (picturePageTemplate_.empty())
        return picturePageText(pictureLabel(image, album), a + 1, number, missing ? &image : nullptr);
    const auto found = albumImages_.find(album.key);
    const size_t pictures = found == albumImages_.end() ? 0 : found->second.size();
    const PicturePage page{&doc_,    &album, a + 1, number,  (number - 1) / pageSize(doc_) + 1,
                           pictures, &image, look,  details, missing};
    return picturePageFromTemplate(picturePageTemplate_, page);
}

void SiteBuild::buildAlbumPages(size_t a, std::span<const Image* const> images, std::span<const PictureLook> looks,
                                std::span<const ExifFields> details, std::span<const uint8_t> missing,
                                const std::string& albumList)
{
    const size_t pages = pageCount(images.size(), pageSize(doc_));
    for (size_t p = 1; p <= pages; ++p) {
        if (pageTemplate_.empty() && !toldNoPageTemplate_) {
            toldNoPageTemplate_ = true;  // the same for every page: once is enough
            warn("Cannot load HTML template!");
        }
        const AlbumPage page{&doc_, &doc_.albums()[a], a + 1, images, p, looks, details, missing};
        const std::string text = albumPageText(pageTemplate_, page, albumList);
        const std::string name = albumPageName(a + 1, p);
        putWarned(name, text);
        if (a == 0 && p == 1 && putText("index.html", text)) result_.indexPage = pathOf("index.html");
    }
}

void SiteBuild::writeStyleSheet()
{
    const std::string text = LoadStyleSheet(doc_, templateRoot_);
    if (text.empty()) warn("Cannot load CSS template!");
    putWarned(kStyleSheetName, text);
}

// Without its index.html the gallery cannot be opened: then this is the build's last word, in
// place of the question whether to view it.
void SiteBuild::tellUnwritten()
{
    const auto& list = untold_;
    const bool complete = !result_.indexPage.empty();
    if (list.empty() && complete) return;
    std::string text =
        complete ? std::string()
                 : "The Web Gallery is not complete: its first page '" + pathOf("index.html") + "' was not written. ";
    if (list.size() == 1)
        text += "This file could not be written; the gallery folder keeps what it held before:";
    else if (!list.empty())
        text += "These " + std::to_string(list.size()) +
                " files could not be written; the gallery folder keeps what it held before:";
    for (const std::string& path : list) text += "\n" + path;
    if (text.back() == ' ') text.pop_back();
    warn(text);
}

// Every one is named, with why: the command line prints the whole list, and the build dialog
// shortens its box but keeps the list whole for copying.
void SiteBuild::tellUnreadable()
{
    const auto& list = result_.unreadablePictures;
    if (list.empty()) return;
    std::string text = list.size() == 1 ? "This picture could not be read; the gallery shows its file name in place "
                                          "of its photo and thumbnail:"
                                        : "These " + std::to_string(list.size()) +
                                              " pictures could not be read; the gallery shows their file names in "
                                              "place of their photos and thumbnails:";
    for (size_t i = 0; i < list.size(); ++i) text += "\n" + list[i] + " (" + result_.unreadableReasons[i] + ")";
    warn(text);
}

void SiteBuild::tellTooLarge()
{
    const auto& list = result_.tooLargePictures;
    if (list.empty()) return;
    const auto megabytes = [](uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; };
    const std::string budget = megabytes(options_.memoryBudget);
    std::string text = list.size() == 1 ? "This picture is too large to build within the memory budget of " + budget +
                                              "; the gallery shows its file name in place of its photo and thumbnail:"
                                        : "These " + std::to_string(list.size()) +
                                              " pictures are too large to build within the memory budget of " + budget +
                                              "; the gallery shows their file names in place of their photos and "
                                              "thumbnails:";
    for (size_t i = 0; i < list.size(); ++i)
        text += "\n" + list[i] + " (needs about " + megabytes(tooLargeNeeds_[i]) + ")";
    warn(text);
}

void SiteBuild::finish(bool cancelled)
{
    if (!cancelled) result_.filesRemoved = writer_->removeLeftovers();
    writer_->finish(cancelled);
}

BuildResult SiteBuild::run()
{
    if (!prepare()) return result_;
    copyThemeImages();
    pageTemplate_ = LoadPageTemplate(doc_, templateRoot_);
    picturePageTemplate_ = LoadPicturePageTemplate(doc_, templateRoot_);
    dense_ = themeUses(templateRoot_, doc_.themeName, kSharpPicturesKey) ||
             themeUses(templateRoot_, doc_.themeName, kPhotoKey);
    std::vector<PictureJob> jobs = pictureJobs();
    if (!buildAlbums(jobs)) {
        result_.outcome = BuildOutcome::Cancelled;
        finish(true);
        return result_;
    }
    writeStyleSheet();
    // A folder that kept some older files is not what the project builds, whatever it says now.
    if (result_.unwrittenFiles.empty()) writer_->current().inputs = buildInputsHash(doc_, doc_.themeName);
    finish(false);
    tellUnwritten();
    tellUnreadable();
    tellTooLarge();
    if (result_.indexPage.empty()) return result_;  // told by tellUnwritten
    if (observer_.askViewGallery(kViewGalleryQuestion, kViewGalleryCaption)) {
        result_.viewed = true;
        observer_.openGallery(pathOf("index.html"));
    }
    return result_;
}

}  // namespace

std::string boxedWarning(const std::string& text, size_t listed)
{
    size_t end = text.find('\n');
    for (size_t shown = 0; end != std::string::npos && shown < listed; ++shown) end = text.find('\n', end + 1);
    if (end == std::string::npos) return text;
    const size_t more =
        static_cast<size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(end), text.end(), '\n'));
    return text.substr(0, end) + "\n... and " + std::to_string(more) + " more.";
}

BuildResult BuildGallery(CBuilderDoc& doc, IBuildObserver& observer, const BuildOptions& options)
{
    return SiteBuild(doc, observer, options).run();
}

void PrompterBuildObserver::warning(const std::string& text) { prompter_.tell(text, MessageIcon::Warning); }

bool PrompterBuildObserver::askViewGallery(const std::string& question, const std::string& caption)
{
    return prompter_.askYesNo(question, caption);
}

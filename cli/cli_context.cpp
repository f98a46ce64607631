#include "cli/cli_context.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#include "cli/cli_platform.h"
#include "gallery/recent_list.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::filesystem::path fsPath(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

// What the system says to the last failed call.
std::string systemReason(int error) { return std::generic_category().message(error); }

// Why a project cannot be opened for reading; "" when it can (now).
std::string openProblem(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(fsPath(path), error);
    if (status.type() == std::filesystem::file_type::not_found) return "The file does not exist.";
    if (error) return systemReason(error.value()) + ".";
    if (std::filesystem::is_directory(status)) return "It is a folder.";
    if (!std::filesystem::is_regular_file(status)) return "It is not a regular file.";
    errno = 0;
    if (std::unique_ptr<std::FILE, FileCloser>(openFile(path, "rb"))) return {};
    return errno ? systemReason(errno) + "." : std::string();
}

// Why a project cannot be saved at `path`; "" when it can (now). The probes change nothing:
// an existing file is opened for update without a byte written, a new one made and removed.
std::string saveProblem(const std::string& path)
{
    const std::optional<std::string> real = resolveLinks(path);
    if (!real) return "Its links lead round in a loop.";
    switch (inspectFile(*real).kind) {
    case FileKind::Directory: return "It is a folder.";
    case FileKind::Other: return "It is not a regular file.";
    case FileKind::Regular: {
        errno = 0;
        if (std::unique_ptr<std::FILE, FileCloser>(openFile(*real, "r+b"))) return {};
        return errno ? systemReason(errno) + "." : std::string();
    }
    case FileKind::Missing:
    case FileKind::Link: break;
    }
    errno = 0;
    if (TemporaryFile::createBeside(*real)) return {};
    return errno ? systemReason(errno) + "." : std::string();
}

// Nothing of the file reached the gallery: it is as a reset one.
bool holdsNothingRead(const CBuilderDoc& doc)
{
    return doc.albums().empty() && doc.images().empty() &&
           static_cast<const GallerySettings&>(doc) == GallerySettings{};
}

}  // namespace

ProjectSession::ProjectSession(CliContext& context, const std::string& path)
    : context_(context), path_(absolutePath(path))
{
    doc_.setPrompter(&context_.prompter);
    doc_.galleryPath = path_;
}

ProjectResult ProjectSession::load()
{
    context_.prompter.setSubject(path_);
    context_.prompter.setExplainer([this](const std::string& text) {
        if (text == kCannotOpenGalleryMessage) return openProblem(path_);
        if (text == kWrongGalFileMessage && holdsNothingRead(doc_))
            return std::string("Nothing in it could be read as a gallery project.");
        return std::string();
    });
    ProjectResult result = loadProject(doc_, path_);
    context_.prompter.setExplainer({});
    context_.prompter.setSubject({});
    return result;
}

void ProjectSession::loadForEditing()
{
    ProjectResult result = load();
    // The loader has said what went wrong; a damaged file must not be replaced by the part read.
    if (result != ProjectResult::Ok) throw CliError("");
}

bool ProjectSession::loadForReading()
{
    ProjectResult result = load();
    if (result == ProjectResult::CannotOpen) throw CliError("");
    return result == ProjectResult::Ok;
}

bool ProjectSession::nothingRead() const { return holdsNothingRead(doc_); }

void ProjectSession::save()
{
    RecentList recent(recentListPath());
    context_.prompter.setSubject(path_);
    context_.prompter.setExplainer([this](const std::string& text) {
        return text == kCannotSaveGalleryMessage ? saveProblem(path_) : std::string();
    });
    ProjectResult result = saveProject(doc_, path_, recent);
    context_.prompter.setExplainer({});
    context_.prompter.setSubject({});
    if (result != ProjectResult::Ok) throw CliError("");
    doc_.commitState();
}

int albumRowOf(const CBuilderDoc& doc, int position)
{
    if (position >= 1 && position <= doc.albumCount()) return position - 1;
    int count = doc.albumCount();
    throw CliError("album " + std::to_string(position) + " does not exist: the gallery has " + std::to_string(count) +
                   (count == 1 ? " album" : " albums"));
}

std::string recentListPath()
{
    std::optional<std::string> chosen = environmentVariable("FOTOLOOM_RECENT_INI");
    if (chosen && !chosen->empty()) return *chosen;
    return RecentList::defaultIniPath();
}

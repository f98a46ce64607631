#include "cli/cli_context.h"

#include <filesystem>
#include <system_error>

#include "cli/cli_platform.h"
#include "gallery/recent_list.h"

ProjectSession::ProjectSession(CliContext& context, const std::string& path)
    : context_(context), path_(absolutePath(path))
{
    doc_.setPrompter(&context_.prompter);
    doc_.galleryPath = path_;
}

ProjectResult ProjectSession::load()
{
    context_.prompter.setSubject(path_);
    ProjectResult result = loadProject(doc_, path_);
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

void ProjectSession::save()
{
    RecentList recent(recentListPath());
    context_.prompter.setSubject(path_);
    ProjectResult result = saveProject(doc_, path_, recent);
    context_.prompter.setSubject({});
    if (result != ProjectResult::Ok) throw CliError("");
    doc_.commitState();
}

int albumRowOf(const CBuilderDoc& doc, int position)
{
    if (position >= 1 && position <= doc.albumCount()) return position - 1;
    int count = doc.albumCount();
    throw CliError("album " + std::to_string(position) + " does not exist: the gallery has " +
                   std::to_string(count) + (count == 1 ? " album" : " albums"));
}

std::string recentListPath()
{
    std::optional<std::string> chosen = environmentVariable("FOTOLOOM_RECENT_INI");
    if (chosen && !chosen->empty()) return *chosen;
    return RecentList::defaultIniPath();
}

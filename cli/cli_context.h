#pragma once
// What every command shares: the output streams, the prompter, the errors that end a command,
// and the project a command loads, edits and saves.

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "base/file_system.h"  // absolutePath
#include "cli/cli_prompter.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"

// Ends a command with exit status 1; the text is printed as "fotoloom: <text>". An empty text
// means the prompter has already told the user.
class CliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Ends a command with exit status 2: the command line itself is wrong.
class CliUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CliContext {
    CliContext(std::ostream& outStream, std::ostream& errStream) : out(outStream), err(errStream), prompter(errStream)
    {
    }

    std::ostream& out;
    std::ostream& err;
    CliPrompter prompter;
    // Set by the chosen subcommand while parsing; run once parsing succeeded. Returns the exit status.
    std::function<int()> command;
};

// One project file, opened by a command.
class ProjectSession {
public:
    ProjectSession(CliContext& context, const std::string& path);
    ProjectSession(const ProjectSession&) = delete;
    ProjectSession& operator=(const ProjectSession&) = delete;

    // For editing: a file that cannot be opened or is damaged is an error and stays untouched.
    void loadForEditing();
    // For reading: a damaged file keeps what was read (and has been reported); false then.
    // A file that cannot be opened is an error.
    bool loadForReading();
    // After a damaged read: not one album, image or setting came from the file.
    bool nothingRead() const;
    // Writes the gallery and puts the file at the head of the recent list.
    void save();

    CBuilderDoc& doc() { return doc_; }
    const std::string& path() const { return path_; }

private:
    ProjectResult load();

    CliContext& context_;
    std::string path_;  // absolute, so the recent list holds full paths
    CBuilderDoc doc_;
};

// A 1-based album position from the command line, as a 0-based row; CliError when out of range.
int albumRowOf(const CBuilderDoc& doc, int position);

// Where saves record the recent list: $FOTOLOOM_RECENT_INI, else "last.ini" in the usual place.
std::string recentListPath();

// fotoloom publish: a project's built gallery put on a destination, only what changed.

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include "base/known_folders.h"
#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/cli_system.h"
#include "cli/fotoloom_cli.h"
#include "cli/gallery_build_run.h"
#include "cli/json_results.h"
#include "cli/publish_progress.h"
#include "publish/client_process.h"
#include "publish/destination_address.h"
#include "publish/folder_destination.h"
#include "publish/gallery_state.h"
#include "publish/publish_engine.h"
#include "publish/publish_settings.h"
#include "publish/publish_summary.h"
#include "publish/sftp_destination.h"

namespace {

constexpr char kPublishPromises[] =
    "Only files that are new or changed since the last publish to the destination are sent: pictures\n"
    "first, then the theme's images and the style sheet, then the pages, index.html last, each under a\n"
    "temporary name renamed over the old file once complete. What a publish put there is recorded in\n"
    "the destination's .fotoloom-published; a file is removed only when that record lists it and the\n"
    "gallery no longer has it, never anything else in the folder. An interrupted publish (Ctrl+C, a\n"
    "failure) leaves every page whole, and publishing again finishes the job.\n"
    "The destination, the gallery's parent folder and the --ssh-config file are remembered per project\n"
    "in the settings file of the recent list (never in the .gal); 'fotoloom publish PROJECT' repeats\n"
    "the last publish, and takes the gallery from the folder the last 'fotoloom build' (or Builder)\n"
    "wrote it into.\n"
    "The gallery is out of date when building the project file as it is now would make something\n"
    "else: a setting, album, caption, comment or picture changed; saving it unchanged does not count.\n"
    "Exit status 1 when the gallery is not built or out of date (without --build), or when any file\n"
    "could not be published (each is listed); 130 when Ctrl+C stopped it.\n"
    "SFTP goes through the system's OpenSSH client (sftp), with your ~/.ssh/config, keys, agent and\n"
    "known hosts; a password, a passphrase or an unknown host key is asked at the terminal.";

struct PublishCommandOptions {
    std::string project;
    std::string destination;
    std::string output;
    std::string title;
    bool titleGiven = false;
    std::string sshConfig;
    bool dryRun = false;
    bool build = false;
    bool json = false;
};

// Passwords, passphrases and host-key questions of the OpenSSH client, asked at the terminal.
class TerminalAnswerer final : public IAskpassAnswerer {
public:
    std::optional<std::string> answer(const std::string& prompt, bool showTyping) override
    {
        return askTerminal(prompt, showTyping);
    }
};

std::unique_ptr<IPublishDestination> sftpDestination(const std::string& destination, const std::string& sshConfig,
                                                     IAskpassAnswerer& answerer)
{
    std::string error;
    std::optional<SftpAddress> address = parseSftpAddress(destination, error);
    if (!address) throw CliUsageError(error);
    std::optional<std::string> client = findClientProgram("sftp");
    if (!client) throw CliError(clientInstallAdvice("sftp"));
    SftpOptions options;
    options.clientProgram = *client;
    options.askpassProgram = runningProgramPath();
    options.sshConfig = sshConfig;
    return std::make_unique<SftpDestination>(destination, std::move(*address), std::move(options), answerer);
}

std::string fileCount(size_t n) { return std::to_string(n) + (n == 1 ? " file" : " files"); }

// `listFiles`: each upload and removal on the command's output, a line each.
int printDryRun(CliContext& context, const PublishResult& r, bool listFiles)
{
    if (listFiles) {
        for (const PlannedUpload& upload : r.plan.uploads)
            context.out << "upload " << upload.name << " (" << byteCountText(upload.size) << ")\n";
        for (const std::string& name : r.plan.removals) context.out << "remove " << name << '\n';
    }
    context.err << "would upload " << fileCount(r.plan.uploads.size()) << " (" << byteCountText(r.plan.uploadBytes)
                << "), leave " << r.plan.unchanged << " unchanged, remove " << fileCount(r.plan.removals.size())
                << '\n';
    return kExitSuccess;
}

int report(CliContext& context, const PublishResult& r, const std::string& destination, double seconds)
{
    if (!r.failures.empty()) {
        context.err << "fotoloom: "
                    << (r.failures.size() == 1 ? std::string("This file") : "These " + fileCount(r.failures.size()))
                    << " could not be published:\n";
        for (const PublishFailure& failure : r.failures)
            context.err << "  " << failure.name << ": " << failure.reason << '\n';
    }
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", seconds);
    context.err << (r.succeeded() ? "published to " : "partly published to ") << destination << ": "
                << publishCountsText(r) << " in " << time << '\n';
    if (!r.succeeded() && r.removed < r.plan.removals.size())
        context.err << "fotoloom: " << fileCount(r.plan.removals.size() - r.removed)
                    << " of the earlier publish stay until everything is up; publish again\n";
    if (r.cancelled) return kExitInterrupted;  // the observer has said so
    return r.succeeded() ? kExitSuccess : kExitFailure;
}

int publishProject(CliContext& context, const PublishCommandOptions& o)
{
    ProjectSession session(context, o.project);
    if (!session.loadForReading()) throw CliError("the project could not be read whole; nothing was published");
    const std::string settingsFile = recentListPath();
    PublishSettings settings = readPublishSettings(settingsFile, session.path());
    if (!o.destination.empty()) {
        std::string error;
        const std::optional<DestinationKind> kind = destinationKindOf(o.destination, error);
        if (!kind) throw CliUsageError(error);
        settings.destination = kind == DestinationKind::LocalFolder ? absolutePath(o.destination) : o.destination;
    }
    if (!o.output.empty()) settings.output = absolutePath(o.output);
    if (!o.sshConfig.empty()) settings.sshConfig = absolutePath(o.sshConfig);
    if (settings.destination.empty())
        throw CliUsageError(
            "this project has not been published before: say where with --to FOLDER or --to "
            "sftp://user@host/path");
    std::string addressError;
    const std::optional<DestinationKind> kind = destinationKindOf(settings.destination, addressError);
    if (!kind) throw CliUsageError(addressError);
    const bool overSftp = kind == DestinationKind::Sftp;

    CBuilderDoc& doc = session.doc();
    if (o.titleGiven) doc.galleryTitle = o.title;
    const std::string parent = settings.output.empty() ? documentsFolder() : settings.output;
    const std::string gallery = joinPath(parent, doc.galleryTitle);
    const std::string target = overSftp ? settings.destination : absolutePath(settings.destination);
    if (!overSftp)
        if (const std::string problem = folderPathProblem(target); !problem.empty()) throw CliUsageError(problem);
    if (!overSftp && isSameFolder(target, gallery)) throw CliUsageError("the destination is the gallery folder itself");

    const GalleryState state = galleryState(gallery, doc);
    if (state != GalleryState::Current) {
        const std::string what =
            state == GalleryState::NotBuilt
                ? "The gallery in " + gallery + " has not been built"
                : "The gallery in " + gallery + " is out of date: the project or a picture changed since it was built";
        if (!o.build)
            throw CliError(what + "; build it with 'fotoloom build " + o.project +
                           (settings.output.empty() ? std::string() : " -o " + settings.output) +
                           "', or publish with --build");
        if (o.dryRun) {
            // A dry run changes nothing, the gallery folder included.
            context.err << "fotoloom: " << what << "; a publish with --build would build it first"
                        << (state == GalleryState::NotBuilt ? "\n" : ", and would send at least what is listed\n");
            if (state == GalleryState::NotBuilt) return kExitSuccess;
        } else {
            context.err << "fotoloom: " << what << "; building it first\n";
            GalleryBuildRequest request;
            request.output = parent;
            request.print = BuildOutput::Nothing;  // the command's output is the publish's
            bool wrote = false;
            const int built = runGalleryBuild(context, doc, request, &wrote);
            if (wrote) rememberBuiltFolder(context, session.path(), doc.outputFolder);
            if (built != kExitSuccess) {
                PublishResult none;
                none.problem = "the gallery was not built whole; nothing was published";
                if (o.json) context.out << publishResultJson(none, target, 0, false) << std::flush;
                throw CliError(none.problem);
            }
        }
    }

    std::optional<FolderHandle> folder = FolderHandle::open(gallery);
    if (!folder) throw CliError("cannot open the gallery folder " + gallery);
    TerminalAnswerer answerer;
    std::unique_ptr<IPublishDestination> chosen;
    if (overSftp)
        chosen = sftpDestination(target, settings.sshConfig, answerer);
    else
        chosen = std::make_unique<FolderDestination>(target);
    IPublishDestination& destination = *chosen;
    CliPublishObserver observer(context.err, stderrIsTerminal());
    const auto start = std::chrono::steady_clock::now();
    const auto secondsSinceStart = [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    if (o.dryRun) {
        const PublishResult r = publishGallery(*folder, destination, observer, true);
        if (o.json) context.out << publishResultJson(r, target, secondsSinceStart(), true) << std::flush;
        if (!r.problem.empty()) throw CliError(r.problem);
        return printDryRun(context, r, !o.json);
    }

    InterruptGuard interrupt;
    const PublishResult r = publishGallery(*folder, destination, observer, false);
    observer.finish();
    const double seconds = secondsSinceStart();
    if (o.json) context.out << publishResultJson(r, target, seconds, false) << std::flush;
    if (!r.problem.empty()) throw CliError(r.problem);
    // A publish that sent nothing and failed keeps the destination remembered before.
    if ((r.uploaded > 0 || r.removed > 0 || r.succeeded()) &&
        !rememberPublishSettings(settingsFile, session.path(), settings))
        context.err << "fotoloom: could not remember the destination in " << settingsFile << '\n';
    return report(context, r, target, seconds);
}

}  // namespace

void addPublishCommands(CLI::App& app, CliContext& context)
{
    auto o = std::make_shared<PublishCommandOptions>();
    CLI::App* publish = app.add_subcommand(
        "publish",
        "Put a project's built gallery on an SFTP server or into a folder (a share, a synced or a web "
        "server's folder)");
    publish->add_option("PROJECT", o->project, "the .gal file whose gallery to publish")->required();
    publish->add_option("--to", o->destination,
                        "sftp://user@host[:port]/path (/~/path for a folder under your home on the server) or a "
                        "folder (default: the last one for this project)");
    publish->add_option("--ssh-config", o->sshConfig,
                        "an OpenSSH client configuration file to use instead of your own (passed to sftp as -F)");
    publish->add_option("--output,-o", o->output,
                        "parent folder of the gallery folder, as given to 'fotoloom build' (default: the one the "
                        "project's last build or publish used, else your documents folder)");
    CLI::Option* title = publish->add_option("--title", o->title, "the gallery's title, as given to 'fotoloom build'");
    publish->add_flag("--dry-run", o->dryRun, "list what would be uploaded and removed, and change nothing");
    publish->add_flag("--build", o->build, "build the gallery first when it is not built or out of date");
    publish->add_flag("--json", o->json,
                      "print one JSON object at the end: destination, completed, dryRun, sent, unchanged, removed, "
                      "failed (file, reason), bytes, seconds (a dry run counts what it would do)");
    publish->footer(kPublishPromises);
    publish->callback([o, title, &context] {
        o->titleGiven = title->count() > 0;
        context.command = [o, &context] { return publishProject(context, *o); };
    });
}

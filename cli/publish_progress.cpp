#include "cli/publish_progress.h"

#include "cli/build_progress.h"
#include "cli/cli_system.h"
#include "publish/publish_summary.h"

CliPublishObserver::CliPublishObserver(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

void CliPublishObserver::progress(const PublishProgress& p)
{
    // By bytes, which is what takes the time; a gallery of empty files goes by files.
    const int percent = p.bytesTotal > 0   ? static_cast<int>(p.bytesDone * 100 / p.bytesTotal)
                        : p.filesTotal > 0 ? static_cast<int>(p.filesDone * 100 / p.filesTotal)
                                           : 100;
    const std::string counts = std::to_string(p.filesDone) + "/" + std::to_string(p.filesTotal) + " files, " +
                               byteCountText(p.bytesDone) + " of " + byteCountText(p.bytesTotal);
    if (terminal_) {
        std::string line = "publishing " + progressBarText(percent, 30) + " " + counts;
        const size_t width = line.size();
        if (width < drawnWidth_) line.append(drawnWidth_ - width, ' ');
        drawnWidth_ = width;
        err_ << '\r' << line << std::flush;
        return;
    }
    const int tenth = percent / 10;
    if (tenth == lastPrintedTenth_) return;
    lastPrintedTenth_ = tenth;
    err_ << "publishing: " << percent << "% (" << counts << ")\n";
}

void CliPublishObserver::warning(const std::string& text)
{
    finish();
    err_ << "fotoloom: " << text << '\n';
}

bool CliPublishObserver::cancelRequested()
{
    if (!InterruptGuard::requested()) return false;
    if (!cancelSeen_) {
        cancelSeen_ = true;
        finish();
        err_ << "fotoloom: cancelled; the files sent so far are complete, and publishing again finishes the job\n"
             << std::flush;
    }
    return true;
}

void CliPublishObserver::finish()
{
    if (terminal_ && drawnWidth_ > 0) err_ << '\n';
    drawnWidth_ = 0;
}

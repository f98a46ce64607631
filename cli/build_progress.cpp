#include "cli/build_progress.h"

#include <algorithm>

#include "cli/cli_system.h"
#include "cli/gallery_build_run.h"
#include "generator/theme_files.h"

std::string progressBarText(int percent, int width)
{
    const auto filled = static_cast<size_t>(std::clamp(percent, 0, 100) * width / 100);
    // Appended piece by piece: GCC 12 sees a false overlap in "[" + std::string(...) (-Wrestrict).
    std::string text(1, '[');
    text.append(filled, '#');
    text.append(static_cast<size_t>(width) - filled, '-');
    text.push_back(']');
    return text;
}

namespace {

std::string percentText(int percent)
{
    const std::string number = std::to_string(percent);
    std::string text(number.size() < 3 ? 3 - number.size() + 1 : 1, ' ');
    text.append(number);
    text.push_back('%');
    return text;
}

}  // namespace

CliBuildObserver::CliBuildObserver(std::ostream& err, bool terminal, bool openWhenDone)
    : err_(err), terminal_(terminal), openWhenDone_(openWhenDone)
{
}

void CliBuildObserver::progress(int albumPercent, int totalPercent)
{
    album_ = albumPercent;
    total_ = totalPercent;
    if (terminal_) {
        drawBar();
        return;
    }
    // Without a terminal every redraw would be a line of its own: tell each tenth once.
    const int tenth = totalPercent / 10;
    if (tenth <= lastPrintedTenth_ || tenth == 0) return;
    lastPrintedTenth_ = tenth;
    err_ << "fotoloom: building " << totalPercent << "% (album " << albumPercent << "%)\n" << std::flush;
}

void CliBuildObserver::warning(const std::string& text)
{
    clearBar();
    // Said for the program's dialog, which names no place: the command line says where it looked.
    if (text == kNoThemeMessage) {
        err_ << "fotoloom: " << noThemeMessage() << '\n' << std::flush;
        return;
    }
    // A dialog's message may run over several lines; each gets the program's prefix.
    size_t from = 0;
    for (;;) {
        const size_t end = text.find('\n', from);
        err_ << "fotoloom: " << text.substr(from, end - from) << '\n';
        if (end == std::string::npos) break;
        from = end + 1;
    }
    err_ << std::flush;
    if (terminal_ && (album_ != 0 || total_ != 0)) drawBar();
}

bool CliBuildObserver::cancelRequested()
{
    if (!InterruptGuard::requested()) return false;
    if (!cancelSeen_) {
        cancelSeen_ = true;
        clearBar();
        err_ << "fotoloom: cancelled; the gallery folder keeps what was made so far\n" << std::flush;
    }
    return true;
}

bool CliBuildObserver::askViewGallery(const std::string&, const std::string&)
{
    finish();
    return openWhenDone_;
}

void CliBuildObserver::openGallery(const std::string& indexPath)
{
    if (openWithShell(indexPath)) return;
    openFailed_ = true;
    err_ << "fotoloom: no browser could be opened for " << indexPath << '\n';
}

void CliBuildObserver::finish() { clearBar(); }

void CliBuildObserver::clearBar()
{
    if (!terminal_ || drawnWidth_ == 0) return;
    // Spaces rather than an escape sequence: every console understands them. Two more for the
    // "^C" that the terminal echoes after the bar.
    err_ << '\r' << std::string(drawnWidth_ + 2, ' ') << '\r' << std::flush;
    drawnWidth_ = 0;
}

void CliBuildObserver::drawBar()
{
    std::string line = "album ";
    line.append(progressBarText(album_, 20)).append(percentText(album_));
    line.append("   total ").append(progressBarText(total_, 30)).append(percentText(total_));
    err_ << '\r' << line;
    if (line.size() < drawnWidth_) err_ << std::string(drawnWidth_ - line.size(), ' ');
    err_ << std::flush;
    drawnWidth_ = std::max(drawnWidth_, line.size());
}

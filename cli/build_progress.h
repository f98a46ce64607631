#pragma once
// How a build looks on the command line: a progress bar redrawn in place on a terminal, plain
// progress lines otherwise, every warning on stderr, Ctrl+C as the Cancel button, and the
// final question answered by --open.

#include <ostream>
#include <string>

#include "generator/site_builder.h"

class CliBuildObserver final : public IBuildObserver {
public:
    // `terminal`: redraw one line in place; otherwise print a line at every tenth of the way.
    CliBuildObserver(std::ostream& err, bool terminal, bool openWhenDone);

    void progress(int albumPercent, int totalPercent) override;
    void warning(const std::string& text) override;
    bool cancelRequested() override;
    bool askViewGallery(const std::string& question, const std::string& caption) override;
    void openGallery(const std::string& indexPath) override;

    // Ends the bar's line, so that what follows starts on a line of its own.
    void finish();
    // --open was asked for and no browser could be started.
    bool openFailed() const { return openFailed_; }

private:
    void clearBar();
    void drawBar();

    std::ostream& err_;
    bool terminal_;
    bool openWhenDone_;
    int album_ = 0;
    int total_ = 0;
    int lastPrintedTenth_ = 0;
    size_t drawnWidth_ = 0;  // characters of the bar now on the screen
    bool cancelSeen_ = false;
    bool openFailed_ = false;
};

// "[#####-----]" for a percentage, `width` characters between the brackets.
std::string progressBarText(int percent, int width);

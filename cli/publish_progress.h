#pragma once
// How a publish looks on the command line: a bar with files and bytes redrawn in place on a
// terminal, plain lines at every tenth of the way otherwise, warnings on stderr, Ctrl+C as cancel.

#include <ostream>
#include <string>

#include "publish/publish_engine.h"

class CliPublishObserver final : public IPublishObserver {
public:
    CliPublishObserver(std::ostream& err, bool terminal);

    void progress(const PublishProgress& progress) override;
    void warning(const std::string& text) override;
    bool cancelRequested() override;

    // Ends the bar's line, so that what follows starts on a line of its own.
    void finish();

private:
    std::ostream& err_;
    bool terminal_;
    int lastPrintedTenth_ = -1;
    size_t drawnWidth_ = 0;
    bool cancelSeen_ = false;
};

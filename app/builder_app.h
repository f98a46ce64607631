#pragma once
// CBuilderApp: the application object. It holds the one gallery document for the whole run,
// the recent list and the main frame, ends the command route (the task links 1001 to 1030 run
// the same operations as the menu), and runs the message loop.

#include <memory>
#include <string>

#include "app/main_frame.h"
#include "app/win_prompter.h"
#include "gallery/builder_doc.h"
#include "gallery/recent_list.h"
#include "winui/command.h"

class CBuilderApp : public winui::ICommandTarget {
public:
    // `recentIni`: where the recent list lives ("last.ini" beside the program).
    explicit CBuilderApp(std::string recentIni = RecentList::defaultIniPath());
    ~CBuilderApp() override;
    CBuilderApp(const CBuilderApp&) = delete;
    CBuilderApp& operator=(const CBuilderApp&) = delete;

    // Creates the main frame ("Fotoloom") and shows it with `showCommand` (SW_HIDE keeps it
    // hidden); a project named on the command line is then opened like Open Gallery.
    // False when the frame could not be made: the program ends.
    bool initInstance(int showCommand, const std::string& projectPath = {});
    // The message loop; returns the exit code.
    int run();

    CBuilderDoc& doc() { return doc_; }
    CMainFrame& frame() { return *frame_; }
    CWinPrompter& prompter() { return prompter_; }

    bool onCommand(UINT id, UINT code) override;

private:
    CBuilderDoc doc_;
    CWinPrompter prompter_;
    RecentList recent_;
    std::unique_ptr<CMainFrame> frame_;
    HACCEL accelerators_ = nullptr;  // a resource: freed with the module
};

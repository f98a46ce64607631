#pragma once
// CBuilderApp: the application object. It holds the one gallery document for the whole run,
// the recent list and the main frame, ends the command route (About, and the task links 1001 to
// 1031 that run the same operations as the menu), and runs the message loop.

#include <memory>
#include <string>

#include "app/main_frame.h"
#include "app/win_prompter.h"
#include "gallery/builder_doc.h"
#include "gallery/recent_list.h"
#include "winui/command.h"

// How the program starts. The defaults are the program's; tests and tools that make the frame
// in-process leave out what would touch the user's registry or wait for a person.
struct StartOptions {
    int showCommand = SW_SHOWMAXIMIZED;  // SW_HIDE keeps the main window hidden
    std::string projectPath;             // a project named on the command line
    bool writeAssociation = true;        // the .gal association of the current user
    bool showStartDialog = true;         // shown when no project was named
};

class CBuilderApp : public winui::ICommandTarget {
public:
    // `recentIni`: where the recent list lives ("last.ini" beside the program).
    explicit CBuilderApp(std::string recentIni = RecentList::defaultIniPath());
    ~CBuilderApp() override;
    CBuilderApp(const CBuilderApp&) = delete;
    CBuilderApp& operator=(const CBuilderApp&) = delete;

    // Start-up: common controls, ActiveX hosting, the gallery with the main frame and its views,
    // the window "Fotoloom" shown, the association written, then the project named on the command
    // line opened like Open Gallery, or else the start dialog. False when the frame could not be
    // made: the program ends.
    bool initInstance(const StartOptions& options);
    // The frame alone, nothing written and nothing asked: tests that drive the frame.
    bool initInstance(int showCommand, const std::string& projectPath = {});
    // The message loop; returns the exit code.
    int run();

    CBuilderDoc& doc() { return doc_; }
    CMainFrame& frame() { return *frame_; }
    CWinPrompter& prompter() { return prompter_; }
    RecentList& recent() { return recent_; }

    bool onCommand(UINT id, UINT code) override;

private:
    bool createFrame();

    CBuilderDoc doc_;
    CWinPrompter prompter_;
    RecentList recent_;
    std::unique_ptr<CMainFrame> frame_;
    HACCEL accelerators_ = nullptr;  // a resource: freed with the module
    bool oleStarted_ = false;
};

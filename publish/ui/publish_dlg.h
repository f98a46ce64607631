#pragma once
// CPublishDlg (dialog resource 144, "Publish web gallery"): the built gallery folder, the
// destination (a folder, with Browse, or sftp://user@host[:port]/path), Test connection, two
// progress bars (files and bytes), what the last run did, the files that could not be published,
// and one button whose caption is the publish's state, as in the build dialog:
//
//   "Publish"       idle              starts a publish (asking first when the gallery is not built
//                                     or out of date); Esc and the close box close
//   "Publish"       checking, greyed  the gallery as it is now (saved or not) is compared
//                                     with what its build was made from; the close box closes
//                                     once that is done
//   "Cancel"        building, sending the button and Esc ask the publish to stop; the close box
//                                     too, and the dialog closes once it has stopped
//   "Finishing..."  cancel requested  the publish stops before its next file
//
// Test connection, the check whether the build is out of date (every picture's file is looked at), the
// build that comes first and the publish run on a worker thread (a server may take its time, a
// large gallery's pictures too, and a password question needs this thread free); the state lives in one
// atomic that only this thread changes and the worker reads before every file. Progress comes by
// posted messages, a warning by a sent one (the worker waits for the user there). The destination
// is remembered per project in the user's settings, shared with the command line.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "gallery/builder_doc.h"
#include "generator/site_builder.h"
#include "publish/askpass_channel.h"
#include "publish/gallery_state.h"
#include "publish/publish_destination.h"
#include "publish/publish_engine.h"
#include "publish/ui/askpass_dlg.h"
#include "winui/dialog.h"
#include "winui/handles.h"
#include "winui/taskbar_progress.h"

struct PublishDlgSetup {
    std::string settingsFile;    // the user's settings file (the recent list's): where destinations are remembered
    std::string askpassProgram;  // run by the OpenSSH client to ask for a password; "" for fotoloom.exe beside us
    BuildOptions buildOptions;   // for the build that comes first
};

class CPublishDlg : public winui::CDialog {
public:
    enum class State { Idle, Testing, Building, Publishing, Finishing, Checking };

    // The OpenSSH client's password and host-key questions are asked in the askpass dialogs
    // (askpass_dlg.h) owned by this one; `answerer`, when given, takes them instead (tests).
    explicit CPublishDlg(CBuilderDoc& doc, PublishDlgSetup setup = {}, IAskpassAnswerer* answerer = nullptr);
    ~CPublishDlg() override;

    // Modal; returns once the user closed the dialog (no worker runs then).
    void run(HWND owner);

    State state() const { return state_.load(); }
    // The last publish that ended (for the tests).
    const PublishResult& lastResult() const { return lastResult_; }
    int runsEnded() const { return runsEnded_; }
    // The gallery folder this dialog publishes.
    std::string galleryFolder() const;

protected:
    const winui::MessageMapBase* messageMap() const override;
    // Called on the worker after every progress report of the publish; tests act there.
    virtual void workerProgress(const PublishProgress&) {}

private:
    class PublishObserver;
    class BuildObserver;
    enum class Job { Test, Check, Publish, BuildAndPublish };

    bool onInitDialog();
    void onBrowse();
    void onTest();
    void onPublishButton();
    void onCancelCommand();
    void onClose();
    void onEnter() {}
    void onDestroy();
    LRESULT onProgress(WPARAM filesPercent, LPARAM bytesPercent);
    LRESULT onWarning(WPARAM, LPARAM text);
    LRESULT onStage(WPARAM stage, LPARAM);
    LRESULT onEnded(WPARAM, LPARAM);

    // The destination typed, checked; "" (the user told why) when it cannot be used.
    std::string destinationChosen();
    // Asks first when the gallery is not built or out of date (`state`, as the worker found it):
    // false when nothing is to happen.
    bool decideBuild(GalleryState state, bool& build);
    // After the check: asks, then publishes (building first) or goes back to idle.
    void checked();
    void startJob(Job job, const std::string& destination);
    void requestCancel();
    void showState(State state);
    void setStatus(const std::string& text);
    void showOutcome();
    // The destination of a publish that sent anything, and the folder of a build that wrote the
    // gallery, for the project.
    void rememberForProject();
    void listFailures(const std::vector<std::string>& lines);
    void waitForWorker();
    static DWORD WINAPI workerMain(void* self);
    void runJob();
    std::unique_ptr<IPublishDestination> openDestination(std::string& error);
    std::string testDestination(IPublishDestination& destination);

    CBuilderDoc& doc_;
    PublishDlgSetup setup_;
    IAskpassAnswerer* answerer_;
    // This run's prompts; declined once the run is cancelled or the dialog closes, so the worker
    // never waits for a question nobody can answer.
    std::unique_ptr<CAskpassDlg> askpass_;
    std::atomic<State> state_{State::Idle};
    bool closeWhenEnded_ = false;
    winui::UniqueHandle worker_;
    // Set here before the worker starts, read by it.
    Job job_ = Job::Test;
    std::string destination_;
    std::string sshConfig_;
    // Written by the worker, read here once it said it ended.
    PublishResult result_;
    std::string testText_;
    GalleryState galleryState_ = GalleryState::NotBuilt;
    std::vector<std::string> buildFailures_;
    bool galleryWritten_ = false;  // the build that came first wrote the gallery's index.html
    std::atomic<size_t> filesDone_{0}, filesTotal_{0};
    std::atomic<uint64_t> bytesDone_{0}, bytesTotal_{0};
    PublishResult lastResult_;
    int runsEnded_ = 0;
    winui::CTaskbarProgress taskbar_;
};

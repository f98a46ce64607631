#pragma once
// CGenerateDlg (dialog resource 136, "Generate web gallery"): the parent folder and the title of
// the gallery, two progress bars, and one button whose caption is the build's state:
//
//   "Build Web Gallery"  idle              the button starts a build; Esc and the close box close
//   "Cancel"             building          the button, Esc and the close box ask the build to stop
//   "Finishing..."       cancel requested  nothing more to ask; the build stops at its next picture
//
// The build runs on a worker thread through the site builder's observer. The state lives in one
// atomic that both threads read without waiting for each other: only this (the user-interface)
// thread changes it, and the worker merely reads it once per picture. The worker reports progress
// by posted messages; a warning, the end question and opening the gallery are sent, so the build
// waits for the user there, with the message boxes owned by this dialog. A second build first
// waits for the previous worker to end, pumping messages meanwhile. Enter does nothing.

#include <atomic>
#include <functional>
#include <string>

#include "gallery/builder_doc.h"
#include "generator/site_builder.h"
#include "winui/dialog.h"
#include "winui/handles.h"
#include "winui/taskbar_progress.h"

class CGenerateDlg : public winui::CDialog {
public:
    enum class State { Idle, Building, Finishing };

    // Told the parent folder (`outputFolder`) on this thread after every build that wrote the
    // gallery's index.html, so the folder can be remembered for the project.
    using GalleryWritten = std::function<void(const std::string& outputFolder)>;

    explicit CGenerateDlg(CBuilderDoc& doc, BuildOptions options = {}, GalleryWritten written = {});
    ~CGenerateDlg() override;

    // Modal; returns once the user closed the dialog (no build is running then).
    void run(HWND owner);

    State state() const { return state_.load(); }
    // The result of the last build that ended (for the tests and the end message).
    const BuildResult& lastResult() const { return lastResult_; }
    int buildsEnded() const { return buildsEnded_; }

protected:
    const winui::MessageMapBase* messageMap() const override;
    // Called on the worker thread after the build has told the dialog that it ended, just before
    // the thread ends; tests hold the worker there to see that a second build waits for it.
    virtual void workerEnding() {}

private:
    class Observer;

    bool onInitDialog();
    void onBrowse();
    void onBuildButton();
    void onCancelCommand();
    void onEnter() {}
    void onDestroy();
    LRESULT onProgress(WPARAM albumPercent, LPARAM totalPercent);
    LRESULT onWarning(WPARAM, LPARAM text);
    LRESULT onAskView(WPARAM, LPARAM question);
    LRESULT onOpenGallery(WPARAM, LPARAM path);
    LRESULT onEnded(WPARAM, LPARAM);

    void startBuild();
    void requestCancel();
    void showState(State state);
    void setBars(int album, int total);
    // Waits until the previous worker has ended, dispatching messages meanwhile.
    void waitForWorker();
    static DWORD WINAPI workerMain(void* self);
    void runBuild();

    CBuilderDoc& doc_;
    BuildOptions options_;
    GalleryWritten written_;
    std::atomic<State> state_{State::Idle};
    winui::UniqueHandle worker_;
    BuildResult result_;      // written by the worker, read here after it said it ended
    BuildResult lastResult_;  // the last ended build's, on this thread
    int buildsEnded_ = 0;
    winui::CTaskbarProgress taskbar_;
};

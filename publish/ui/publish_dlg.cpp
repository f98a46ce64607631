#include "publish/ui/publish_dlg.h"

#include <commctrl.h>
#include <shlobj.h>

#include "base/file_system.h"
#include "base/folder_handle.h"
#include "generator/gallery_title.h"
#include "publish/client_process.h"
#include "publish/destination_address.h"
#include "publish/folder_destination.h"
#include "publish/gallery_state.h"
#include "publish/publish_settings.h"
#include "publish/publish_summary.h"
#include "publish/sftp_destination.h"
#include "resources/resource.h"
#include "winui/message_loop.h"
#include "winui/seam.h"
#include "winui/text.h"

namespace {

// From the worker to the dialog. Posted: kProgress (wParam files %, lParam bytes %; the counts
// are in the dialog's atomics), kStage (wParam a State: building or publishing began), kEnded.
// Sent, the worker waiting for the user: kWarning (lParam a const std::string*).
constexpr UINT kProgress = WM_APP + 20;
constexpr UINT kWarning = WM_APP + 21;
constexpr UINT kStage = WM_APP + 22;
constexpr UINT kEnded = WM_APP + 23;

constexpr wchar_t kIdleCaption[] = L"Publish";
constexpr wchar_t kBusyCaption[] = L"Cancel";
constexpr wchar_t kFinishingCaption[] = L"Finishing...";
constexpr char kProduct[] = "Fotoloom";

constexpr char kNoDestinationMessage[] =
    "Please say where to publish the Web Gallery: a folder with its full path (\"Browse...\"), or a server "
    "as sftp://user@host/path.";

int percentOf(uint64_t done, uint64_t total) { return total == 0 ? 100 : static_cast<int>(done * 100 / total); }

std::string fileCount(size_t n) { return std::to_string(n) + (n == 1 ? " file" : " files"); }

}  // namespace

// The publish engine's observer on the worker thread.
class CPublishDlg::PublishObserver final : public IPublishObserver {
public:
    PublishObserver(CPublishDlg& dialog, HWND window) : dialog_(dialog), window_(window) {}

    void progress(const PublishProgress& p) override
    {
        dialog_.filesDone_.store(p.filesDone);
        dialog_.filesTotal_.store(p.filesTotal);
        dialog_.bytesDone_.store(p.bytesDone);
        dialog_.bytesTotal_.store(p.bytesTotal);
        // An empty gallery's bytes are all there from the start; its files still count.
        const int files = p.filesTotal == 0 ? 100 : percentOf(p.filesDone, p.filesTotal);
        const int bytes = p.bytesTotal == 0 ? files : percentOf(p.bytesDone, p.bytesTotal);
        PostMessageW(window_, kProgress, static_cast<WPARAM>(files), bytes);
        dialog_.workerProgress(p);
    }
    void warning(const std::string& text) override
    {
        SendMessageW(window_, kWarning, 0, reinterpret_cast<LPARAM>(&text));
    }
    bool cancelRequested() override { return dialog_.state_.load() == State::Finishing; }

private:
    CPublishDlg& dialog_;
    HWND window_;
};

// The build that comes first: its bars are the publish's bars meanwhile; it asks nothing at its end.
class CPublishDlg::BuildObserver final : public IBuildObserver {
public:
    BuildObserver(CPublishDlg& dialog, HWND window) : dialog_(dialog), window_(window) {}

    void progress(int albumPercent, int totalPercent) override
    {
        PostMessageW(window_, kProgress, static_cast<WPARAM>(albumPercent), totalPercent);
    }
    void warning(const std::string& text) override
    {
        SendMessageW(window_, kWarning, 0, reinterpret_cast<LPARAM>(&text));
    }
    bool cancelRequested() override { return dialog_.state_.load() == State::Finishing; }
    bool askViewGallery(const std::string&, const std::string&) override { return false; }
    void openGallery(const std::string&) override {}

private:
    CPublishDlg& dialog_;
    HWND window_;
};

CPublishDlg::CPublishDlg(CBuilderDoc& doc, PublishDlgSetup setup, IAskpassAnswerer* answerer)
    : CDialog(IDD_PUBLISH), doc_(doc), setup_(std::move(setup)), answerer_(answerer)
{
}

CPublishDlg::~CPublishDlg() { waitForWorker(); }

const winui::MessageMapBase* CPublishDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CPublishDlg>()
                                .on<WM_INITDIALOG>(&CPublishDlg::onInitDialog)
                                .on<WM_CLOSE>(&CPublishDlg::onClose)
                                .on<WM_DESTROY>(&CPublishDlg::onDestroy)
                                .command(IDC_BROWSE_FOLDER, &CPublishDlg::onBrowse)
                                .command(IDC_PUBLISH_TEST, &CPublishDlg::onTest)
                                .command(IDC_PUBLISH_BUTTON, &CPublishDlg::onPublishButton)
                                .command(IDCANCEL, &CPublishDlg::onCancelCommand)
                                .command(IDOK, &CPublishDlg::onEnter)
                                .raw(kProgress, &CPublishDlg::onProgress)
                                .raw(kWarning, &CPublishDlg::onWarning)
                                .raw(kStage, &CPublishDlg::onStage)
                                .raw(kEnded, &CPublishDlg::onEnded);
    return &map;
}

void CPublishDlg::run(HWND owner) { runModal(owner); }

std::string CPublishDlg::galleryFolder() const { return galleryFolderOf(doc_.outputFolder, doc_.galleryTitle); }

bool CPublishDlg::onInitDialog()
{
    setItemText(IDC_PUBLISH_GALLERY, winui::widen(galleryFolder()));
    // A gallery never saved has no path to remember its destination by.
    if (!doc_.galleryPath.empty()) {
        const PublishSettings remembered = readPublishSettings(setup_.settingsFile, doc_.galleryPath);
        setItemText(IDC_PUBLISH_DESTINATION, winui::widen(remembered.destination));
        sshConfig_ = remembered.sshConfig;
    }
    for (int id : {IDC_PUBLISH_FILES_PROGRESS, IDC_PUBLISH_BYTES_PROGRESS})
        SendMessageW(item(id), PBM_SETRANGE32, 0, 100);
    showState(State::Idle);
    // The destination is what the user comes to change; the gallery folder is only shown.
    SetFocus(item(IDC_PUBLISH_DESTINATION));
    return false;
}

void CPublishDlg::onBrowse()
{
    const winui::FolderDialogResult chosen = winui::seam().folderDialog(
        hwnd(), winui::FolderDialogRequest{L"Choose the folder to publish to...", L"", BIF_RETURNONLYFSDIRS});
    if (chosen.choice == winui::FolderChoice::Chosen) setItemText(IDC_PUBLISH_DESTINATION, chosen.path);
}

std::string CPublishDlg::destinationChosen()
{
    std::string destination = winui::narrow(itemText(IDC_PUBLISH_DESTINATION));
    const size_t first = destination.find_first_not_of(" \t");
    destination = first == std::string::npos
                      ? std::string()
                      : destination.substr(first, destination.find_last_not_of(" \t") + 1 - first);
    const auto tell = [this](const std::string& text) {
        winui::seam().messageBox(hwnd(), winui::widen(text), winui::widen(kProduct), MB_OK | MB_ICONWARNING);
    };
    if (destination.empty()) {
        tell(kNoDestinationMessage);
        return {};
    }
    std::string addressError;
    const std::optional<DestinationKind> kind = destinationKindOf(destination, addressError);
    if (!kind) {
        tell(addressError + ".");
        return {};
    }
    if (kind == DestinationKind::Sftp) {
        std::string error;
        if (!parseSftpAddress(destination, error)) {
            tell("\"" + destination + "\" is not an address to publish to: " + error);
            return {};
        }
        return destination;
    }
    // A relative folder would be taken against whatever the working folder is now.
    if (!isAbsolutePath(destination)) {
        tell("The folder \"" + destination + "\" is not a full path.\n" + kNoDestinationMessage);
        return {};
    }
    if (std::string problem = folderPathProblem(destination); !problem.empty()) {
        problem[0] = 'T';  // "the folder ..." opens the sentence
        tell(problem + ".\n" + kNoDestinationMessage);
        return {};
    }
    if (isSameFolder(destination, galleryFolder())) {
        tell("The Web Gallery cannot be published into its own folder; please choose another one.");
        return {};
    }
    return destination;
}

void CPublishDlg::onTest()
{
    if (state_.load() != State::Idle) return;
    const std::string destination = destinationChosen();
    if (!destination.empty()) startJob(Job::Test, destination);
}

void CPublishDlg::onPublishButton()
{
    if (state_.load() != State::Idle) {
        requestCancel();
        return;
    }
    const std::string destination = destinationChosen();
    if (destination.empty()) return;
    startJob(Job::Check, destination);
}

void CPublishDlg::checked()
{
    setStatus(std::string());
    bool build = false;
    if (!closeWhenEnded_ && decideBuild(galleryState_, build)) {
        startJob(build ? Job::BuildAndPublish : Job::Publish, destination_);
        return;
    }
    state_.store(State::Idle);
    showState(State::Idle);
    if (closeWhenEnded_) end(IDCANCEL);
}

bool CPublishDlg::decideBuild(GalleryState state, bool& build)
{
    const std::string gallery = galleryFolder();
    build = false;
    if (state == GalleryState::Current) return true;
    const std::string question =
        state == GalleryState::NotBuilt
            ? "The Web Gallery in " + gallery + " has not been built yet.\nBuild it now, then publish it?"
            : "The Web Gallery in " + gallery +
                  " is out of date: the gallery or a picture changed since it was built.\nBuild it again now, "
                  "then publish it?\n\nNo publishes the gallery as it was built.";
    const int answer = winui::seam().messageBox(hwnd(), winui::widen(question), winui::widen(kProduct),
                                                MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) {
        if (doc_.albumCount() == 0 || doc_.images().empty()) {
            winui::seam().messageBox(hwnd(), L"You need at least one image in your gallery.\nClick on \"Add images\"",
                                     winui::widen(kProduct), MB_OK | MB_ICONINFORMATION);
            return false;
        }
        build = true;
        return true;
    }
    if (answer == IDNO && state == GalleryState::OutOfDate) return true;
    if (answer == IDNO) setStatus("Nothing was published: the Web Gallery has not been built.");
    return false;
}

void CPublishDlg::startJob(Job job, const std::string& destination)
{
    job_ = job;
    destination_ = destination;
    result_ = PublishResult();
    testText_.clear();
    buildFailures_.clear();
    galleryWritten_ = false;
    filesDone_ = filesTotal_ = 0;
    bytesDone_ = bytesTotal_ = 0;
    SendDlgItemMessageW(hwnd(), IDC_PUBLISH_FAILURES, LB_RESETCONTENT, 0, 0);
    SendMessageW(item(IDC_PUBLISH_FILES_PROGRESS), PBM_SETPOS, 0, 0);
    SendMessageW(item(IDC_PUBLISH_BYTES_PROGRESS), PBM_SETPOS, 0, 0);
    const State state = job == Job::Test              ? State::Testing
                        : job == Job::Check           ? State::Checking
                        : job == Job::BuildAndPublish ? State::Building
                                                      : State::Publishing;
    state_.store(state);
    showState(state);
    setStatus(job == Job::Test    ? "Trying " + destination + "..."
              : job == Job::Check ? "Checking whether the Web Gallery is up to date..."
                                  : std::string());

    waitForWorker();
    askpass_ = std::make_unique<CAskpassDlg>(hwnd());
    if (job == Job::Publish || job == Job::BuildAndPublish) taskbar_.start(hwnd());
    DWORD id = 0;
    worker_.reset(CreateThread(nullptr, 0, &CPublishDlg::workerMain, this, 0, &id));
    if (!worker_) {
        state_.store(State::Idle);
        showState(State::Idle);
        taskbar_.stop();
        setStatus("Nothing was published: no thread could be started.");
    }
}

void CPublishDlg::onCancelCommand()
{
    if (state_.load() == State::Idle)
        end(IDCANCEL);
    else
        requestCancel();
}

void CPublishDlg::onClose()
{
    if (state_.load() == State::Idle) {
        end(IDCANCEL);
        return;
    }
    // The user wants the dialog gone: it goes once the worker has stopped (a test of the
    // connection too, which cannot be stopped but asks nothing more).
    closeWhenEnded_ = true;
    if (askpass_) askpass_->decline();
    requestCancel();
}

void CPublishDlg::requestCancel()
{
    const State state = state_.load();
    if (state != State::Building && state != State::Publishing) return;
    if (askpass_) askpass_->decline();
    state_.store(State::Finishing);
    showState(State::Finishing);
}

void CPublishDlg::showState(State state)
{
    const bool asIdle = state == State::Idle || state == State::Testing || state == State::Checking;
    const wchar_t* caption = asIdle ? kIdleCaption : state == State::Finishing ? kFinishingCaption : kBusyCaption;
    setItemText(IDC_PUBLISH_BUTTON, caption);
    // The build that comes first shows its own two bars in the same place.
    const bool building = state == State::Building ||
                          (state == State::Finishing && job_ == Job::BuildAndPublish && filesTotal_.load() == 0);
    setItemText(IDC_PUBLISH_FILES_LABEL, building ? L"Building: current album" : L"Files");
    setItemText(IDC_PUBLISH_BYTES_LABEL, building ? L"Building: total" : L"Bytes");
    // A test cannot be stopped half way; it ends by itself (the client gives up on a silent server).
    // Nor can the check, which only compares the project with the build's record.
    EnableWindow(item(IDC_PUBLISH_BUTTON),
                 state != State::Testing && state != State::Checking && state != State::Finishing);
    const bool idle = state == State::Idle;
    for (int id : {IDC_PUBLISH_TEST, IDC_BROWSE_FOLDER}) EnableWindow(item(id), idle);
    SendMessageW(item(IDC_PUBLISH_DESTINATION), EM_SETREADONLY, !idle, 0);
}

DWORD WINAPI CPublishDlg::workerMain(void* self)
{
    static_cast<CPublishDlg*>(self)->runJob();
    return 0;
}

std::unique_ptr<IPublishDestination> CPublishDlg::openDestination(std::string& error)
{
    if (!isSftpAddress(destination_)) return std::make_unique<FolderDestination>(destination_);
    std::optional<SftpAddress> address = parseSftpAddress(destination_, error);
    if (!address) return nullptr;
    std::optional<std::string> client = findClientProgram("sftp");
    if (!client) {
        error = clientInstallAdvice("sftp");
        return nullptr;
    }
    SftpOptions options;
    options.clientProgram = *client;
    options.askpassProgram = setup_.askpassProgram.empty() ? joinPath(folderOf(runningProgramPath()), "fotoloom.exe")
                                                           : setup_.askpassProgram;
    options.sshConfig = sshConfig_;
    return std::make_unique<SftpDestination>(destination_, std::move(*address), std::move(options),
                                             answerer_ ? *answerer_ : *askpass_);
}

std::string CPublishDlg::testDestination(IPublishDestination& destination)
{
    const std::string shown = destination.describe();
    std::string error;
    auto* sftp = dynamic_cast<SftpDestination*>(&destination);
    if (sftp && !sftp->check(error)) return "Could not reach " + shown + ": " + error;
    if (!sftp && !folderExists(destination_))
        return "The folder " + shown + " does not exist yet; publishing makes it.";
    std::string text;
    switch (destination.readManifest(text, kMaxRemoteManifestBytes, error)) {
    case ManifestFetch::Missing: return "Reached " + shown + ": nothing has been published there yet.";
    case ManifestFetch::Read: {
        const RemoteManifest remote = parseRemoteManifest(text);
        uint64_t bytes = 0;
        for (const auto& [name, file] : remote.files) bytes += file.size;
        return "Reached " + shown + ": an earlier publish put " + fileCount(remote.files.size()) + " there (" +
               byteCountText(bytes) + "); publishing sends only what changed since.";
    }
    case ManifestFetch::Unusable:
        return "Reached " + shown + ", but its " + kRemoteManifestName +
               " is not one Fotoloom wrote: a publish replaces it and removes nothing it lists.";
    case ManifestFetch::Failed: break;
    }
    return "Could not read " + shown + ": " + error;
}

void CPublishDlg::runJob()
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // the picture codecs use COM
    do {
        if (job_ == Job::Check) {
            // The document as it is, saved or not: the modal dialog keeps it still meanwhile.
            galleryState_ = galleryState(galleryFolder(), doc_, setup_.buildOptions.templateRoot);
            break;
        }
        if (job_ == Job::BuildAndPublish) {
            BuildObserver observer(*this, hwnd());
            const BuildResult built = BuildGallery(doc_, observer, setup_.buildOptions);
            galleryWritten_ = built.outcome == BuildOutcome::Completed && !built.indexPage.empty();
            if (!built.succeeded()) {
                result_.cancelled = built.outcome == BuildOutcome::Cancelled;
                result_.problem =
                    result_.cancelled ? std::string() : "the Web Gallery was not built whole; nothing was published.";
                for (const std::string& path : built.unreadablePictures)
                    buildFailures_.push_back(path + ": the picture could not be read");
                for (const std::string& path : built.tooLargePictures)
                    buildFailures_.push_back(path + ": the picture is too large");
                for (const std::string& path : built.unwrittenFiles)
                    buildFailures_.push_back(path + ": could not be written");
                break;
            }
            PostMessageW(hwnd(), kStage, static_cast<WPARAM>(State::Publishing), 0);
        }
        std::string error;
        std::unique_ptr<IPublishDestination> destination = openDestination(error);
        if (!destination) {
            if (job_ == Job::Test)
                testText_ = "Cannot publish there: " + error;
            else
                result_.problem = error;
            break;
        }
        if (job_ == Job::Test) {
            testText_ = testDestination(*destination);
            break;
        }
        std::optional<FolderHandle> gallery = FolderHandle::open(galleryFolder());
        if (!gallery) {
            result_.problem = "cannot open the gallery folder " + galleryFolder();
            break;
        }
        PublishObserver observer(*this, hwnd());
        result_ = publishGallery(*gallery, *destination, observer, false);
    } while (false);
    PostMessageW(hwnd(), kEnded, 0, 0);
    if (SUCCEEDED(com)) CoUninitialize();
}

void CPublishDlg::waitForWorker()
{
    if (!worker_) return;
    winui::waitPumpingMessages(worker_.get(), hwnd());
    worker_.reset();
}

LRESULT CPublishDlg::onProgress(WPARAM filesPercent, LPARAM bytesPercent)
{
    SendMessageW(item(IDC_PUBLISH_FILES_PROGRESS), PBM_SETPOS, filesPercent, 0);
    SendMessageW(item(IDC_PUBLISH_BYTES_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(bytesPercent), 0);
    taskbar_.set(static_cast<int>(bytesPercent));
    const State state = state_.load();
    if (state == State::Publishing || (state == State::Finishing && filesTotal_.load() > 0))
        setStatus(std::to_string(filesDone_.load()) + " of " + fileCount(filesTotal_.load()) + ", " +
                  byteCountText(bytesDone_.load()) + " of " + byteCountText(bytesTotal_.load()) + " sent to " +
                  destination_);
    return 0;
}

LRESULT CPublishDlg::onWarning(WPARAM, LPARAM text)
{
    const auto& message = *reinterpret_cast<const std::string*>(text);
    winui::seam().messageBox(hwnd(), winui::widen(message), winui::widen(kProduct), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

LRESULT CPublishDlg::onStage(WPARAM stage, LPARAM)
{
    // The build is done; a cancel asked meanwhile stays asked.
    if (static_cast<State>(stage) == State::Publishing && state_.load() == State::Building) {
        state_.store(State::Publishing);
        showState(State::Publishing);
    }
    return 0;
}

LRESULT CPublishDlg::onEnded(WPARAM, LPARAM)
{
    const Job job = job_;
    waitForWorker();
    if (job == Job::Check) {
        checked();
        return 0;
    }
    taskbar_.stop();
    state_.store(State::Idle);
    showState(State::Idle);
    if (job == Job::Test) {
        setStatus(testText_);
    } else {
        lastResult_ = result_;
        ++runsEnded_;
        showOutcome();
        rememberForProject();
    }
    if (closeWhenEnded_) end(IDCANCEL);
    return 0;
}

void CPublishDlg::onDestroy()
{
    // Torn down from outside (the program is closing): the publish stops before its next file.
    const State state = state_.load();
    if (state == State::Building || state == State::Publishing) state_.store(State::Finishing);
    if (askpass_) askpass_->decline();
    waitForWorker();
    askpass_.reset();
}

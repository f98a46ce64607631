#include "generator/ui/generate_dlg.h"

#include <commctrl.h>
#include <shlobj.h>

#include "base/file_system.h"
#include "generator/theme_files.h"
#include "resources/resource.h"
#include "winui/message_loop.h"
#include "winui/seam.h"
#include "winui/text.h"

namespace {

constexpr char kNoOutputFolderMessage[] =
    "Please choose the folder to build the Web Gallery in, with its full path (\"Browse...\").";

// From the worker to the dialog. Posted: kProgress (wParam album %, lParam total %), kEnded.
// Sent, the worker waiting for the answer: kWarning, kAskView (lParam a const std::string*;
// kAskView answers 1 for Yes) and kOpenGallery (lParam the path).
constexpr UINT kProgress = WM_APP + 10;
constexpr UINT kWarning = WM_APP + 11;
constexpr UINT kAskView = WM_APP + 12;
constexpr UINT kOpenGallery = WM_APP + 13;
constexpr UINT kEnded = WM_APP + 14;

constexpr wchar_t kIdleCaption[] = L"Build Web Gallery";
constexpr wchar_t kBuildingCaption[] = L"Cancel";
constexpr wchar_t kFinishingCaption[] = L"Finishing...";

}  // namespace

// The site builder's observer on the worker thread: everything goes to the dialog's window.
class CGenerateDlg::Observer final : public IBuildObserver {
public:
    Observer(CGenerateDlg& dialog, HWND window) : dialog_(dialog), window_(window) {}

    void progress(int albumPercent, int totalPercent) override
    {
        PostMessageW(window_, kProgress, static_cast<WPARAM>(albumPercent), totalPercent);
    }
    void warning(const std::string& text) override
    {
        SendMessageW(window_, kWarning, 0, reinterpret_cast<LPARAM>(&text));
    }
    bool cancelRequested() override { return dialog_.state_.load() == State::Finishing; }
    bool askViewGallery(const std::string& question, const std::string& caption) override
    {
        const std::string both[2] = {question, caption};
        return SendMessageW(window_, kAskView, 0, reinterpret_cast<LPARAM>(both)) != 0;
    }
    void openGallery(const std::string& indexPath) override
    {
        SendMessageW(window_, kOpenGallery, 0, reinterpret_cast<LPARAM>(&indexPath));
    }

private:
    CGenerateDlg& dialog_;
    HWND window_;
};

CGenerateDlg::CGenerateDlg(CBuilderDoc& doc, BuildOptions options, GalleryWritten written)
    : CDialog(IDD_GENERATE), doc_(doc), options_(std::move(options)), written_(std::move(written))
{
}

CGenerateDlg::~CGenerateDlg() { waitForWorker(); }

const winui::MessageMapBase* CGenerateDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CGenerateDlg>()
                                .on<WM_INITDIALOG>(&CGenerateDlg::onInitDialog)
                                .on<WM_DESTROY>(&CGenerateDlg::onDestroy)
                                .command(IDC_BROWSE_FOLDER, &CGenerateDlg::onBrowse)
                                .command(IDC_BUILD_BUTTON, &CGenerateDlg::onBuildButton)
                                .command(IDCANCEL, &CGenerateDlg::onCancelCommand)
                                .command(IDOK, &CGenerateDlg::onEnter)
                                .raw(kProgress, &CGenerateDlg::onProgress)
                                .raw(kWarning, &CGenerateDlg::onWarning)
                                .raw(kAskView, &CGenerateDlg::onAskView)
                                .raw(kOpenGallery, &CGenerateDlg::onOpenGallery)
                                .raw(kEnded, &CGenerateDlg::onEnded);
    return &map;
}

void CGenerateDlg::run(HWND owner) { runModal(owner); }

bool CGenerateDlg::onInitDialog()
{
    setItemText(IDC_OUTPUT_FOLDER, winui::widen(doc_.outputFolder));
    setItemText(IDC_GALLERY_TITLE, winui::widen(doc_.galleryTitle));
    for (int id : {IDC_ALBUM_PROGRESS, IDC_TOTAL_PROGRESS}) SendMessageW(item(id), PBM_SETRANGE32, 0, 100);
    showState(State::Idle);
    return true;
}

void CGenerateDlg::onBrowse()
{
    const winui::FolderDialogResult chosen =
        winui::seam().folderDialog(hwnd(), winui::FolderDialogRequest{L"Choose folder...", L"", BIF_RETURNONLYFSDIRS});
    if (chosen.choice != winui::FolderChoice::Chosen) return;
    // A running build has read the folder already; the next one takes it from the edit.
    if (state_.load() == State::Idle) doc_.outputFolder = winui::narrow(chosen.path);
    setItemText(IDC_OUTPUT_FOLDER, chosen.path);
}

void CGenerateDlg::onBuildButton()
{
    if (state_.load() == State::Idle)
        startBuild();
    else
        requestCancel();
}

void CGenerateDlg::onCancelCommand()
{
    if (state_.load() == State::Idle)
        end(IDCANCEL);
    else
        requestCancel();
}

void CGenerateDlg::requestCancel()
{
    if (state_.load() != State::Building) return;
    state_.store(State::Finishing);
    showState(State::Finishing);
}

void CGenerateDlg::showState(State state)
{
    const wchar_t* caption = state == State::Idle       ? kIdleCaption
                             : state == State::Building ? kBuildingCaption
                                                        : kFinishingCaption;
    setItemText(IDC_BUILD_BUTTON, caption);
}

void CGenerateDlg::setBars(int album, int total)
{
    SendMessageW(item(IDC_ALBUM_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(album), 0);
    SendMessageW(item(IDC_TOTAL_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(total), 0);
}

void CGenerateDlg::startBuild()
{
    const std::string theme =
        ResolveTheme(doc_.themeName, options_.templateRoot.empty() ? defaultTemplateRoot() : options_.templateRoot);
    const auto tell = [this](const std::string& text) {
        winui::seam().messageBox(hwnd(), winui::widen(text), winui::widen(kProductName), MB_OK | MB_ICONWARNING);
    };
    if (theme.empty()) {
        tell(kNoThemeMessage);
        return;
    }
    const std::string title = winui::narrow(itemText(IDC_GALLERY_TITLE));
    // Refused here, before the state changes, rather than by the worker a moment later.
    if (const std::string problem = galleryTitleProblem(title); !problem.empty()) {
        tell(problem);
        return;
    }
    // A relative folder would be taken against whatever the working folder is now.
    const std::string output = winui::narrow(itemText(IDC_OUTPUT_FOLDER));
    if (!isAbsolutePath(output)) {
        tell(output.empty() ? kNoOutputFolderMessage
                            : "The folder \"" + output + "\" is not a full path.\n" + kNoOutputFolderMessage);
        return;
    }
    doc_.themeName = theme;
    doc_.outputFolder = output;
    doc_.galleryTitle = title;
    state_.store(State::Building);
    showState(State::Building);

    waitForWorker();
    taskbar_.start(hwnd());
    DWORD id = 0;
    worker_.reset(CreateThread(nullptr, 0, &CGenerateDlg::workerMain, this, 0, &id));
    if (!worker_) {
        state_.store(State::Idle);
        showState(State::Idle);
        taskbar_.stop();
    }
}

DWORD WINAPI CGenerateDlg::workerMain(void* self)
{
    static_cast<CGenerateDlg*>(self)->runBuild();
    return 0;
}

void CGenerateDlg::runBuild()
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // the picture codecs use COM
    Observer observer(*this, hwnd());
    result_ = BuildGallery(doc_, observer, options_);
    PostMessageW(hwnd(), kEnded, 0, 0);
    if (SUCCEEDED(com)) CoUninitialize();
    workerEnding();
}

void CGenerateDlg::waitForWorker()
{
    if (!worker_) return;
    winui::waitPumpingMessages(worker_.get(), hwnd());
    worker_.reset();
}

LRESULT CGenerateDlg::onProgress(WPARAM albumPercent, LPARAM totalPercent)
{
    setBars(static_cast<int>(albumPercent), static_cast<int>(totalPercent));
    taskbar_.set(static_cast<int>(totalPercent));
    return 0;
}

LRESULT CGenerateDlg::onWarning(WPARAM, LPARAM text)
{
    // A list of hundreds of pictures would pass the screen's bottom: the box shows its start.
    const auto& message = *reinterpret_cast<const std::string*>(text);
    winui::seam().messageBox(hwnd(), winui::widen(boxedWarning(message)), winui::widen(kProductName),
                             MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

LRESULT CGenerateDlg::onAskView(WPARAM, LPARAM question)
{
    const auto* both = reinterpret_cast<const std::string*>(question);
    taskbar_.stop();  // the build is done; the question waits for the user
    return winui::seam().messageBox(hwnd(), winui::widen(both[0]), winui::widen(both[1]),
                                    MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

LRESULT CGenerateDlg::onOpenGallery(WPARAM, LPARAM path)
{
    winui::seam().shellOpen(hwnd(), winui::widen(*reinterpret_cast<const std::string*>(path)));
    return 0;
}

LRESULT CGenerateDlg::onEnded(WPARAM, LPARAM)
{
    lastResult_ = result_;
    ++buildsEnded_;
    taskbar_.stop();
    state_.store(State::Idle);
    showState(State::Idle);
    // The folder is the one the build started with: Browse changes it only while idle.
    if (written_ && lastResult_.outcome == BuildOutcome::Completed && !lastResult_.indexPage.empty())
        written_(doc_.outputFolder);
    // Asked for, but still worth a word: without it the stopped build looks like a finished one.
    if (lastResult_.outcome == BuildOutcome::Cancelled)
        winui::seam().messageBox(hwnd(), winui::widen(kBuildCancelledMessage), winui::widen(kProductName),
                                 MB_OK | MB_ICONINFORMATION);
    return 0;
}

void CGenerateDlg::onDestroy()
{
    // Closing is refused while a build runs; a window torn down from outside stops it quickly.
    if (state_.load() == State::Building) state_.store(State::Finishing);
    waitForWorker();
}

// The system's side of the seam: MessageBoxW, the shell's item dialogs, the folder browser,
// ShellExecuteW and the HTML help viewer.

#include "winui/seam.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <utility>

#include "base/com_ptr_win.h"
#include "winui/handles.h"

namespace winui {

namespace {

std::wstring itemPath(IShellItem* item)
{
    wchar_t* name = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) || !name) return {};
    std::wstring path(name);
    CoTaskMemFree(name);
    return path;
}

// "Name|patterns|Name|patterns||" into the pairs the item dialog takes.
std::vector<std::pair<std::wstring, std::wstring>> parseFilter(const std::wstring& filter)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t bar = filter.find(L'|'); bar != std::wstring::npos; bar = filter.find(L'|', start)) {
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    for (size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

void applyRequest(IFileDialog* dialog, const FileDialogRequest& request)
{
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM;
    // A save dialog that insists on an existing file could never save a new gallery.
    if ((request.flags & OFN_FILEMUSTEXIST) && !request.save) options |= FOS_FILEMUSTEXIST;
    if ((request.flags & OFN_ALLOWMULTISELECT) && !request.save) options |= FOS_ALLOWMULTISELECT;
    if (!(request.flags & OFN_OVERWRITEPROMPT)) options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_OVERWRITEPROMPT);
    dialog->SetOptions(options);

    const auto pairs = parseFilter(request.filter);
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const auto& [name, patterns] : pairs) specs.push_back(COMDLG_FILTERSPEC{name.c_str(), patterns.c_str()});
    if (!specs.empty()) {
        dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
        dialog->SetFileTypeIndex(static_cast<UINT>(request.filterIndex));
    }
    if (!request.defaultExtension.empty()) dialog->SetDefaultExtension(request.defaultExtension.c_str());
    if (!request.title.empty()) dialog->SetTitle(request.title.c_str());

    const size_t slash = request.fileName.find_last_of(L"\\/");
    if (slash != std::wstring::npos) {
        ComPtr<IShellItem> folder;
        const std::wstring folderPath = request.fileName.substr(0, slash + 1);
        if (SUCCEEDED(SHCreateItemFromParsingName(folderPath.c_str(), nullptr, IID_IShellItem, folder.putVoid())))
            dialog->SetFolder(folder.get());
    }
    const std::wstring name = slash == std::wstring::npos ? request.fileName : request.fileName.substr(slash + 1);
    if (!name.empty()) dialog->SetFileName(name.c_str());
}

int CALLBACK browseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data)
{
    const auto& request = *reinterpret_cast<const FolderDialogRequest*>(data);
    switch (message) {
    case BFFM_INITIALIZED:
        if (!request.initialFolder.empty())
            SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(request.initialFolder.c_str()));
        break;
    case BFFM_SELCHANGED:
        if (request.flags & BIF_STATUSTEXT) {
            wchar_t path[MAX_PATH] = {};
            if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path))
                SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
        }
        break;
    case BFFM_VALIDATEFAILEDW: MessageBeep(MB_ICONHAND); return 1;  // keep the browser open
    default: break;
    }
    return 0;
}

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC

class SystemSeam final : public ISeam {
public:
    int messageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    }

    std::optional<COLORREF> chooseColour(HWND owner, COLORREF initial) override
    {
        static COLORREF custom[16] = {};  // the dialog's own custom colours, kept while the program runs
        CHOOSECOLORW cc{};
        cc.lStructSize = sizeof(cc);
        cc.hwndOwner = owner;
        cc.rgbResult = initial;
        cc.lpCustColors = custom;
        cc.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
        if (!ChooseColorW(&cc)) return std::nullopt;
        return cc.rgbResult;
    }

    std::vector<std::wstring> fileDialog(HWND owner, const FileDialogRequest& request) override
    {
        ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);  // for the one dialog
        // The item dialog hands back any number of files: no fixed buffer of names to outgrow.
        ComPtr<IFileDialog> dialog;
        const CLSID& kind = request.save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog;
        if (FAILED(CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog, dialog.putVoid()))) return {};
        applyRequest(dialog.get(), request);
        if (FAILED(dialog->Show(owner))) return {};  // cancelled

        std::vector<std::wstring> paths;
        ComPtr<IFileOpenDialog> open;
        ComPtr<IShellItemArray> items;
        if (!request.save && SUCCEEDED(dialog->QueryInterface(IID_IFileOpenDialog, open.putVoid())) &&
            SUCCEEDED(open->GetResults(items.put()))) {
            DWORD count = 0;
            items->GetCount(&count);
            for (DWORD i = 0; i < count; ++i) {
                ComPtr<IShellItem> item;
                if (SUCCEEDED(items->GetItemAt(i, item.put()))) {
                    std::wstring path = itemPath(item.get());
                    if (!path.empty()) paths.push_back(std::move(path));
                }
            }
            return paths;
        }
        ComPtr<IShellItem> item;
        if (SUCCEEDED(dialog->GetResult(item.put()))) {
            std::wstring path = itemPath(item.get());
            if (!path.empty()) paths.push_back(std::move(path));
        }
        return paths;
    }

    FolderDialogResult folderDialog(HWND owner, const FolderDialogRequest& request) override
    {
        ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);  // for the one dialog
        wchar_t display[MAX_PATH] = {};
        BROWSEINFOW info{};
        info.hwndOwner = owner;
        info.pszDisplayName = display;
        info.lpszTitle = request.title.c_str();
        info.ulFlags = request.flags;
        info.lpfn = browseCallback;
        info.lParam = reinterpret_cast<LPARAM>(&request);
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
        if (!chosen) return {};
        wchar_t path[MAX_PATH] = {};
        const bool inFileSystem = SHGetPathFromIDListW(chosen, path);
        CoTaskMemFree(chosen);
        if (!inFileSystem) return {FolderChoice::NotInFileSystem, {}};
        return {FolderChoice::Chosen, path};
    }

    void shellOpen(HWND owner, const std::wstring& target) override
    {
        ShellExecuteW(owner, L"open", target.c_str(), L"", L"", SW_SHOWNORMAL);
    }

    int shellExecute(HWND owner, const std::wstring& target, int show) override
    {
        const auto result =
            reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, show));
        return static_cast<int>(result);
    }

    DWORD startProgram(const std::wstring& commandLine, int show) override
    {
        std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return GetLastError();
        // Started and left to run: neither handle is needed.
        const UniqueHandle thread(process.hThread);
        const UniqueHandle started(process.hProcess);
        return 0;
    }

    void showHelp(const std::wstring& topic) override
    {
        // The viewer's windows live in the library, so it stays loaded for the rest of the run.
        if (!helpLibrary_) helpLibrary_.reset(LoadLibraryW(L"hhctrl.ocx"));
        if (!helpLibrary_) return;
        FARPROC entry = GetProcAddress(helpLibrary_.get(), "HtmlHelpW");
        auto htmlHelp = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(entry));
        if (htmlHelp) htmlHelp(nullptr, topic.c_str(), kDisplayTopic, 0);
    }

    void navigate(IPageView& view, const std::wstring& address) override { view.navigate(address); }

private:
    UniqueModule helpLibrary_;
};

ISeam* replacement = nullptr;

}  // namespace

ISeam& systemSeam()
{
    static SystemSeam system;
    return system;
}

ISeam& seam() { return replacement ? *replacement : systemSeam(); }

void setSeam(ISeam* seamReplacement) { replacement = seamReplacement; }

}  // namespace winui

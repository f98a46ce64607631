#pragma once
// The seam: everything that blocks on a person or leaves the process goes through this one
// interface — message boxes, the open/save and folder dialogs, opening files and addresses
// with the shell, the colour dialog, the HTML help viewer and the embedded browser's navigation. The program uses the
// system's; a test installs a fake that answers from a script and records what the user would have seen.

#include <windows.h>
#include <commdlg.h>  // OFN_ flags of FileDialogRequest

#include <optional>
#include <string>
#include <vector>

namespace winui {

struct FileDialogRequest {
    bool save = false;
    std::wstring title;             // empty: the system's own
    std::wstring filter;            // "Description|patterns|...|" pairs, ended by "||"
    int filterIndex = 1;            // 1-based entry selected when the dialog opens
    std::wstring defaultExtension;  // without the dot
    std::wstring fileName;          // initial file name, may be a full path
    DWORD flags = 0;                // OFN_ flags (OFN_ALLOWMULTISELECT for several files)
};

struct FolderDialogRequest {
    std::wstring title;
    std::wstring initialFolder;  // empty: the shell's default
    UINT flags = 0;              // BIF_ flags (<shlobj.h>, left to the users: its names are very general)
};

enum class FolderChoice { Chosen = 1, NotInFileSystem = -1, Cancelled = 2 };

struct FolderDialogResult {
    FolderChoice choice = FolderChoice::Cancelled;
    std::wstring path;  // when Chosen
};

// What shows pages inside one of the program's windows: the embedded browser, or what stands in
// its place when the system has none that works.
class IPageView {
public:
    virtual ~IPageView() = default;
    virtual void navigate(const std::wstring& address) = 0;
};

class ISeam {
public:
    virtual ~ISeam() = default;
    // MessageBoxW: the button pressed (IDOK, IDYES...).
    virtual int messageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
    // The chosen files as full paths, in the order the dialog gives them; empty when cancelled.
    virtual std::vector<std::wstring> fileDialog(HWND owner, const FileDialogRequest& request) = 0;
    virtual FolderDialogResult folderDialog(HWND owner, const FolderDialogRequest& request) = 0;
    // The colour dialog, every colour offered, starting at `initial`: the colour chosen, or
    // nothing when it was cancelled.
    virtual std::optional<COLORREF> chooseColour(HWND owner, COLORREF initial) = 0;
    // The shell's "open" verb on a file or an address, empty parameters and folder, normal window.
    virtual void shellOpen(HWND owner, const std::wstring& target) = 0;
    // Shows a topic of an HTML help file ("file.chm::/path/topic.htm"), no owner.
    virtual void showHelp(const std::wstring& topic) = 0;
    // The shell's "open" verb on an address with a show command (SW_*); the shell's result code,
    // above 32 on success.
    virtual int shellExecute(HWND owner, const std::wstring& target, int show) = 0;
    // Starts a program from a command line (CreateProcess, no shell); 0 when it started, else
    // the system's error code.
    virtual DWORD startProgram(const std::wstring& commandLine, int show) = 0;
    // Tells a page view to show an address (a page's full path); it loads in its own time.
    virtual void navigate(IPageView& view, const std::wstring& address) = 0;
};

// The seam in force: the system's unless a test replaced it.
ISeam& seam();
// Replaces the seam; null puts the system's back.
void setSeam(ISeam* replacement);

// The system's seam (seam_system.cpp), for a fake that passes some calls through.
ISeam& systemSeam();

}  // namespace winui

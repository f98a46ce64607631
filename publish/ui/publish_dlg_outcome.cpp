#include "publish/ui/publish_dlg.h"

#include "publish/publish_settings.h"
#include "publish/publish_summary.h"
#include "resources/resource.h"
#include "winui/seam.h"
#include "winui/text.h"

// What the dialog shows of a publish: its status line, the files that failed, and what it
// remembers for the project at the end.

namespace {

// Whether every line of a multi-line edit can be seen without scrolling.
bool showsEveryLine(HWND edit)
{
    const LRESULT lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
    HDC dc = GetDC(edit);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    RECT client{};
    GetClientRect(edit, &client);
    return lines * metrics.tmHeight <= client.bottom - client.top;
}

}  // namespace

// The status is a read-only edit, so that a long message (a server's reply) wraps, and scrolls
// where it does not fit, instead of losing its last line under the "Files" label.
void CPublishDlg::setStatus(const std::string& text)
{
    std::wstring shown;
    for (wchar_t c : winui::widen(text)) {
        if (c == L'\n' && (shown.empty() || shown.back() != L'\r')) shown += L'\r';
        shown += c;
    }
    HWND status = item(IDC_PUBLISH_STATUS);
    ShowScrollBar(status, SB_VERT, FALSE);
    SetWindowTextW(status, shown.c_str());
    if (showsEveryLine(status)) return;
    // The bar takes some of the width: the text wraps again beside it.
    ShowScrollBar(status, SB_VERT, TRUE);
    SetWindowTextW(status, shown.c_str());
}

void CPublishDlg::showOutcome()
{
    const PublishResult& r = lastResult_;
    std::vector<std::string> lines = buildFailures_;
    for (const PublishFailure& failure : r.failures) lines.push_back(failure.name + ": " + failure.reason);
    listFailures(lines);
    if (!r.problem.empty()) {
        setStatus("Nothing was published: " + r.problem);
        return;
    }
    if (job_ == Job::BuildAndPublish && r.cancelled && r.plan.uploads.empty() && r.uploaded == 0 &&
        r.plan.unchanged == 0) {
        setStatus("Cancelled while building; nothing was published.");
        return;
    }
    std::string text = r.succeeded() ? "Published to " + destination_ + ": "
                       : r.cancelled ? "Cancelled; so far to " + destination_ + ": "
                                     : "Partly published to " + destination_ + ": ";
    text += publishCountsText(r) + ".";
    if (r.cancelled)
        text += " Every page sent is complete; publishing again finishes the job.";
    else if (!r.failures.empty())
        text += " The files listed below could not be published; publishing again tries them again.";
    setStatus(text);
}

void CPublishDlg::rememberForProject()
{
    const PublishResult& r = lastResult_;
    // A publish that sent nothing and failed keeps the destination remembered before; the folder
    // a build wrote is remembered all the same, as after the build dialog's.
    const bool published = r.problem.empty() && (r.uploaded > 0 || r.removed > 0 || r.succeeded());
    if (doc_.galleryPath.empty() || (!published && !galleryWritten_)) return;
    PublishSettings remembered = readPublishSettings(setup_.settingsFile, doc_.galleryPath);
    if (published) remembered.destination = destination_;
    remembered.output = doc_.outputFolder;
    if (!rememberPublishSettings(setup_.settingsFile, doc_.galleryPath, remembered))
        winui::seam().messageBox(
            hwnd(), winui::widen("The destination could not be remembered in " + setup_.settingsFile + "."),
            winui::widen("Fotoloom"), MB_OK | MB_ICONWARNING);
}

void CPublishDlg::listFailures(const std::vector<std::string>& lines)
{
    HWND list = item(IDC_PUBLISH_FAILURES);
    // Wide enough to scroll to the end of the longest reason (a full path).
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::string& line : lines) {
        const std::wstring text = winui::widen(line);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SIZE size{};
        if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) && size.cx > widest)
            widest = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

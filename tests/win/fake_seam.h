#pragma once
// A seam that answers from a script and records what the user would have seen: message boxes,
// file, folder and colour dialogs, shell opens, help topics and the embedded browser's navigations.
// Installed for the life of the object.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "winui/seam.h"

struct ShownBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class FakeSeam final : public winui::ISeam {
public:
    FakeSeam() { winui::setSeam(this); }
    ~FakeSeam() override { winui::setSeam(nullptr); }
    FakeSeam(const FakeSeam&) = delete;
    FakeSeam& operator=(const FakeSeam&) = delete;

    // Scripted answers, taken in order; a box without one answers IDOK, or IDNO when it asks,
    // and a dialog without one is cancelled.
    std::deque<int> boxAnswers;
    std::deque<std::vector<std::wstring>> fileAnswers;
    std::deque<winui::FolderDialogResult> folderAnswers;
    std::deque<std::optional<COLORREF>> colourAnswers;  // without one, the colour dialog is cancelled
    std::deque<int> shellResults;                       // of shellExecute; without one, 42 (opened)
    std::deque<DWORD> startResults;                     // of startProgram; without one, 0 (started)

    std::vector<ShownBox> boxes;
    std::vector<winui::FileDialogRequest> fileRequests;
    std::vector<HWND> fileOwners;
    std::vector<winui::FolderDialogRequest> folderRequests;
    std::vector<COLORREF> colourRequests;  // the colour each colour dialog started at
    std::vector<std::wstring> opened;
    std::vector<std::wstring> helpTopics;
    std::vector<std::pair<std::wstring, int>> executed;  // shellExecute: target and show command
    std::vector<std::wstring> started;                   // startProgram: command lines
    std::vector<std::wstring> navigations;               // addresses a page view was told to show
    bool passNavigations = false;                        // let the view really navigate, too

    int messageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        boxes.push_back({owner, text, caption, type});
        if (!boxAnswers.empty()) {
            const int answer = boxAnswers.front();
            boxAnswers.pop_front();
            return answer;
        }
        return (type & MB_TYPEMASK) == MB_OK ? IDOK : IDNO;
    }
    std::vector<std::wstring> fileDialog(HWND owner, const winui::FileDialogRequest& request) override
    {
        fileRequests.push_back(request);
        fileOwners.push_back(owner);
        if (fileAnswers.empty()) return {};
        std::vector<std::wstring> answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    winui::FolderDialogResult folderDialog(HWND, const winui::FolderDialogRequest& request) override
    {
        folderRequests.push_back(request);
        if (folderAnswers.empty()) return {};
        winui::FolderDialogResult answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }
    std::optional<COLORREF> chooseColour(HWND, COLORREF initial) override
    {
        colourRequests.push_back(initial);
        if (colourAnswers.empty()) return std::nullopt;
        const std::optional<COLORREF> answer = colourAnswers.front();
        colourAnswers.pop_front();
        return answer;
    }
    void shellOpen(HWND, const std::wstring& target) override { opened.push_back(target); }
    void showHelp(const std::wstring& topic) override { helpTopics.push_back(topic); }
    int shellExecute(HWND, const std::wstring& target, int show) override
    {
        executed.emplace_back(target, show);
        if (shellResults.empty()) return 42;
        const int result = shellResults.front();
        shellResults.pop_front();
        return result;
    }
    DWORD startProgram(const std::wstring& commandLine, int) override
    {
        started.push_back(commandLine);
        if (startResults.empty()) return 0;
        const DWORD result = startResults.front();
        startResults.pop_front();
        return result;
    }
    void navigate(winui::IPageView& view, const std::wstring& address) override
    {
        navigations.push_back(address);
        if (passNavigations) view.navigate(address);
    }

    std::vector<std::wstring> boxTexts() const
    {
        std::vector<std::wstring> texts;
        for (const ShownBox& b : boxes) texts.push_back(b.text);
        return texts;
    }
};

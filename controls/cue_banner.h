#pragma once
// A grey cue in an empty edit control, also in one of several lines. The system's edit shows a
// cue (EM_SETCUEBANNER) on one line only and refuses it on more; acceptCueBanner() lets any edit
// take EM_SETCUEBANNER and answer EM_GETCUEBANNER as a one-line edit does. The cue is drawn in
// the grey of unavailable text while the edit is empty and, unless EM_SETCUEBANNER's wParam asks
// for it with the focus too, while it does not have the focus. It is never the edit's text, so
// there is nothing to delete before typing.
//
// USAGE
//   acceptCueBanner(item(IDC_NOTES));
//   SendMessageW(item(IDC_NOTES), EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(L"Say more ..."));

#include <windows.h>

// Call once, after the edit exists; it lets go on its destruction. A one-line edit keeps the
// system's own cue.
void acceptCueBanner(HWND edit);

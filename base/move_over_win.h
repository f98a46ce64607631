#pragma once
// The last step of replacing a file on Windows, shared by TemporaryFile and FolderHandle: the
// new file `from` takes the access rights, owner and attributes of the file `to` (when it is one)
// and is renamed over it, tried again for a moment while a scanner or indexer holds either.

#include <string>

bool moveOverTarget(const std::wstring& from, const std::wstring& to);

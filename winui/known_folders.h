#pragma once
// Folders the shell knows for the user.

#include <string>

namespace winui {

// The user's documents folder (UTF-8); the current folder when the shell has none.
std::string documentsFolder();

}  // namespace winui

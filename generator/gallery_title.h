#pragma once
// The gallery title names the gallery folder inside the chosen parent folder (gallery_title.cpp).

#include <string>

// Why the title cannot name the gallery folder, or "" when it can. An empty title is fine (the
// gallery is then built into the output folder itself). Refused: path separators, "." and "..",
// the characters < > : " / \ | ? * and control characters, a trailing dot or space, and the
// device names CON, PRN, AUX, NUL, COM1-9 and LPT1-9 (also with an extension).
std::string galleryTitleProblem(const std::string& title);

// The gallery folder for a parent folder and a title.
std::string galleryFolderOf(const std::string& outputFolder, const std::string& title);

#include "winui/known_folders.h"

#include "base/known_folders.h"

namespace winui {

std::string documentsFolder() { return ::documentsFolder(); }

}  // namespace winui

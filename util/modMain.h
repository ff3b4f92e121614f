#pragma once

#include <optional>
#include <string>

#include "platform/dialogs.h"

namespace zantovel {

// Whether a normal (regular) file exists at path. False without a look at the disk when path
// IsBlank; false for folders, devices and pipes. The path is taken literally.
bool FileExists(const std::string& path);

// Whether text is empty or holds nothing but spaces (U+0020). Tabs count as content.
bool IsBlank(const std::string& text);

// Shows the folder dialog owned by owner with the title, and returns the chosen folder's path
// ending with "/" (the root comes back as "/"). Returns nothing when the user cancels or picks
// an item without a file-system path.
std::optional<std::string> BrowseForFolder(WindowHandle owner, const std::string& title);

}  // namespace zantovel

#include "platform/dialogs.h"

#include "platform/path_rules.h"

namespace zantovel {

std::optional<std::string> BrowseForFolder(WindowHandle owner, const std::string& title,
                                           const std::string& start) {
  std::string path = ChooseFolder(owner, title, start);
  // A cancelled dialog gives no path. Shaping it like a chosen one would turn it into "/",
  // the root of the file system, and the next pass would run there.
  if (path.empty()) return std::nullopt;
  if (path.back() != PathSeparator()) path += PathSeparator();
  return path;
}

}  // namespace zantovel

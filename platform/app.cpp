#include "platform/app.h"

#include "platform/path_rules.h"
#include "zantovel_version.h"

namespace zantovel {

std::string AppTitle() {
  return "Zantovel";
}

AppVersion AppVersionNumbers() {
  return {ZANTOVEL_VERSION_MAJOR, ZANTOVEL_VERSION_MINOR, ZANTOVEL_VERSION_PATCH};
}

namespace {

// Where the last separator of path stands; Windows takes "/" for a separator too.
std::size_t LastSeparator(std::string_view path) {
#ifdef _WIN32
  return path.find_last_of("\\/");
#else
  return path.rfind('/');
#endif
}

}  // namespace

std::string ProgramFolderOf(std::string_view exePath) {
  const auto slash = LastSeparator(exePath);
  if (slash == std::string_view::npos) return ".";
  // The root keeps its separator: "/" here, C:\ on Windows.
  const bool root = slash == 0 || (kPathSeparator == '\\' && exePath[slash - 1] == ':');
  return std::string(exePath.substr(0, root ? slash + 1 : slash));
}

std::string ExeNameOf(std::string_view exePath) {
  const auto slash = LastSeparator(exePath);
  std::string_view name = slash == std::string_view::npos ? exePath : exePath.substr(slash + 1);
  // A leading dot names a hidden file, not an extension.
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

std::string AppPath() {
  return ProgramFolderOf(ExecutablePath());
}

std::string AppExeName() {
  return ExeNameOf(ExecutablePath());
}

}  // namespace zantovel

#include "platform/app.h"

#include "zantovel_version.h"

namespace zantovel {

std::string AppTitle() {
  return "Zantovel";
}

AppVersion AppVersionNumbers() {
  return {ZANTOVEL_VERSION_MAJOR, ZANTOVEL_VERSION_MINOR, ZANTOVEL_VERSION_PATCH};
}

std::string ProgramFolderOf(std::string_view exePath) {
  const auto slash = exePath.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(exePath.substr(0, slash));
}

std::string ExeNameOf(std::string_view exePath) {
  const auto slash = exePath.rfind('/');
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

#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace zantovel {

struct AppVersion {
  int major;
  int minor;
  int revision;
};

// The application title, "Zantovel".
std::string AppTitle();

// The version numbers, from the build's project version.
AppVersion AppVersionNumbers();

// The folder that holds the running executable. Ends with a separator only when it is the root
// ("/", or C:\ on Windows).
std::string AppPath();

// The running executable's file name without folder and without extension.
std::string AppExeName();

// The current local date and time.
std::tm LocalTimeNow();

// The absolute path of the running executable, as the operating system reports it.
std::string ExecutablePath();

// The rules behind AppPath and AppExeName, for any executable path.
std::string ProgramFolderOf(std::string_view exePath);
std::string ExeNameOf(std::string_view exePath);

}  // namespace zantovel

#pragma once

#include <ctime>
#include <string>

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

// The current local date and time.
std::tm LocalTimeNow();

// The absolute path of the running executable, as the operating system reports it; asked once,
// at start. On Linux without /proc, the path the program was started by, made absolute.
std::string ExecutablePath();

}  // namespace zantovel

#pragma once

#include <ctime>
#include <string>
#include <vector>

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

// The local date and time at a moment in seconds since 1970.
std::tm LocalTimeAt(std::time_t moment);

// The program's arguments as UTF-8, the program's name first. On Windows they are read again
// from the system's UTF-16 command line, since argv holds them in the ANSI code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Where a copy of the program that cannot write in its own folder (one installed by the system)
// keeps the user's files: its settings in the user's configuration folder
// ($XDG_CONFIG_HOME/zantovel, by default ~/.config/zantovel; %APPDATA%\Zantovel on Windows)
// and its log and undo journal in the user's state folder ($XDG_STATE_HOME/zantovel, by
// default ~/.local/state/zantovel; %LOCALAPPDATA%\Zantovel). Where $HOME is unset or relative,
// the user database names the home. Nothing is made here: whoever writes there first makes
// the folder (MakeFolders). Empty when the system names no home for the user.
struct UserFolders {
  std::string settings;
  std::string state;
};
UserFolders ProgramUserFolders();

// The user's home folder ($HOME where it is absolute, else the user database's; the profile
// folder on Windows), or empty when the system names none.
std::string UserHome();

// Whether a copy of the program in folder keeps its files beside itself (a portable copy): its
// user may make files there, and the folder is not one the system's programs are installed in
// (/usr/bin and the like; Program Files on Windows), which an administrator may write but the
// package manager or installer owns.
bool KeepsFilesBeside(const std::string& folder);

// The absolute path of the running executable, as the operating system reports it; asked once,
// at start. On Linux without /proc, the path the program was started by, made absolute.
std::string ExecutablePath();

}  // namespace zantovel

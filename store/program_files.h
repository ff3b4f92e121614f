#pragma once

#include <string>
#include <vector>

#include "store/activity_log.h"
#include "store/settings.h"

namespace zantovel {

// The settings file, the log and the undo journal of one copy of the program, placed by its
// executable. A copy in a folder it may write keeps them beside itself (SettingsFileOf, the
// log where the settings say or beside it): a portable copy. A copy in a folder it may not
// write (installed by the system) keeps its settings in the user's configuration folder and
// its log and journal in the user's state folder (ProgramUserFolders); the AppLog setting
// still places the log. Decided once, at start, by the window or the command line, which hand
// the files to what needs them.
class ProgramFiles {
 public:
  explicit ProgramFiles(std::string executablePath);
  ProgramFiles(const ProgramFiles&) = delete;
  ProgramFiles& operator=(const ProgramFiles&) = delete;

  SettingsStore& Settings() { return settings_; }
  // The journal of the last pass.
  const std::string& JournalPath() const { return places_.journal; }
  ActivityLog& Log() { return log_; }

  // The files a pass must leave alone besides the log: the program, its settings file and the
  // journal.
  std::vector<std::string> OwnFiles() const {
    return {executable_, settings_.Path(), JournalPath()};
  }

 private:
  struct Places {
    std::string settings, log, journal;
  };
  static Places PlacesOf(const std::string& executable);

  std::string executable_;
  Places places_;
  SettingsStore settings_;
  ActivityLog log_;
};

}  // namespace zantovel

#pragma once

#include <string>
#include <vector>

#include "store/activity_log.h"
#include "store/settings.h"

namespace zantovel {

// The settings file and the log of one copy of the program, placed by its executable: the
// settings file beside it (SettingsFileOf), the log where the settings say or beside it. Made
// once at start by the window or the command line and handed to what needs them.
class ProgramFiles {
 public:
  explicit ProgramFiles(std::string executablePath);
  ProgramFiles(const ProgramFiles&) = delete;
  ProgramFiles& operator=(const ProgramFiles&) = delete;

  SettingsStore& Settings() { return settings_; }
  // The journal of the last pass, beside the settings file.
  std::string JournalPath() const;
  ActivityLog& Log() { return log_; }

  // The files a pass must leave alone besides the log: the program, its settings file and the
  // journal.
  std::vector<std::string> OwnFiles() const {
    return {executable_, settings_.Path(), JournalPath()};
  }

 private:
  std::string executable_;
  SettingsStore settings_;
  ActivityLog log_;
};

}  // namespace zantovel

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/activity_log.h"
#include "store/settings.h"

namespace zantovel {

// The settings file, the log and the undo journal of one copy of the program, placed by its
// executable. A copy in a folder it may write keeps them beside itself (SettingsFileOf, the
// log where the settings say or beside it): a portable copy. A copy in a folder it may not
// write (installed by the system) keeps its settings in the user's configuration folder and
// its log and journal in the user's state folder (ProgramUserFolders), and never writes beside
// itself; the AppLog setting still places the log. Decided once, at start, by the window or
// the command line, which hand the files to what needs them. Nothing is made on disk until a
// caller is about to write there (MakeSettingsFolder, MakeStateFolder).
class ProgramFiles {
 public:
  explicit ProgramFiles(std::string executablePath);
  ProgramFiles(const ProgramFiles&) = delete;
  ProgramFiles& operator=(const ProgramFiles&) = delete;

  SettingsStore& Settings() { return settings_; }
  const std::string& Executable() const { return executable_; }
  // The folder of the journals of the passes (JournalHistory), and the single journal an
  // earlier version kept.
  const std::string& JournalFolder() const { return places_.journals; }
  const std::string& LegacyJournal() const { return places_.journal; }
  ActivityLog& Log() { return log_; }

  // The files a pass must leave alone besides the log: the program, its settings file and the
  // journals.
  std::vector<std::string> OwnFiles() const;

  // Why the program must not use these files, if it must not: the system names no home for
  // the user of an installed copy, or the settings file or the journal (or a folder that holds
  // them) is open to another user's changes (Untrusted). A program that is told a reason uses
  // none of them: it neither reads its settings nor writes through any of its files.
  std::optional<std::string> Distrust() const;

  // Make the folder the settings file, or the log and journal, are kept in, where they are the
  // user's folders and missing. Throw PlatformError with the system's reason when they cannot.
  void MakeSettingsFolder() const;
  void MakeStateFolder() const;
  // The folder the log and the journal are kept in by default.
  const std::string& StateFolder() const { return places_.stateFolder; }

 private:
  struct Places {
    std::string settings, log, journal, journals;
    std::string settingsFolder, stateFolder;
    bool userFolders = false;  // the user's folders, made when first written to
    std::string problem;       // why there are no places at all
  };
  static Places PlacesOf(const std::string& executable);

  std::string executable_;
  Places places_;
  SettingsStore settings_;
  ActivityLog log_;
};

}  // namespace zantovel

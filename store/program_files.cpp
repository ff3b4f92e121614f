#include "store/program_files.h"

#include "platform/app.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "store/journal.h"

namespace zantovel {

ProgramFiles::ProgramFiles(std::string executablePath)
    : executable_(std::move(executablePath)),
      places_(PlacesOf(executable_)),
      settings_(places_.settings),
      log_(settings_, places_.log) {}

ProgramFiles::Places ProgramFiles::PlacesOf(const std::string& executable) {
  const std::string folder = FolderOf(executable);
  if (KeepsFilesBeside(folder)) {
    const std::string settings = SettingsFileOf(executable);
    return {settings,
            DefaultLogPathIn(folder),
            JournalFileOf(settings),
            JournalFolderOf(settings),
            folder,
            folder,
            false,
            {}};
  }
  const UserFolders user = ProgramUserFolders();
  if (user.settings.empty())
    return {{},
            {},
            {},
            {},
            {},
            {},
            true,
            "There is no home folder for this user, where the settings, the log and the undo "
            "journal of an installed copy are kept; set HOME"};
  return {SettingsFileIn(user.settings, executable),
          DefaultLogPathIn(user.state),
          JournalFileOf(SettingsFileIn(user.state, executable)),
          JournalFolderOf(SettingsFileIn(user.state, executable)),
          user.settings,
          user.state,
          true,
          {}};
}

std::vector<std::string> ProgramFiles::OwnFiles() const {
  std::vector<std::string> own = {executable_, settings_.Path(), places_.journal};
  try {
    for (const JournalHistory::Pass& pass : JournalHistory(places_.journals, {}).Passes())
      own.push_back(pass.path);
  } catch (const PlatformError&) {
    // A folder of journals that cannot be listed: a pass in it would find each journal held,
    // or its own checks refuse it.
  }
  return own;
}

std::optional<std::string> ProgramFiles::Distrust() const {
  if (!places_.problem.empty()) return places_.problem;
  if (auto settings = Untrusted(places_.settings, "settings file")) return settings;
  if (auto journal = Untrusted(places_.journal, "journal")) return journal;
  return Untrusted(places_.journals, "folder of journals", true);
}

void ProgramFiles::MakeSettingsFolder() const {
  if (places_.userFolders && !places_.settingsFolder.empty()) MakeFolders(places_.settingsFolder);
}

void ProgramFiles::MakeStateFolder() const {
  if (places_.userFolders && !places_.stateFolder.empty()) MakeFolders(places_.stateFolder);
}

}  // namespace zantovel

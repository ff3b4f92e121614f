#include "store/program_files.h"

#include "platform/app.h"
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
  const UserFolders user = KeepsFilesBeside(folder) ? UserFolders{} : ProgramUserFolders();
  if (user.settings.empty()) {
    const std::string settings = SettingsFileOf(executable);
    return {settings, DefaultLogPathIn(folder), JournalFileOf(settings)};
  }
  const std::string stem = StemOf(executable);
  return {JoinPath(user.settings, stem + ".ini"), DefaultLogPathIn(user.state),
          JournalFileOf(JoinPath(user.state, stem + ".ini"))};
}

}  // namespace zantovel

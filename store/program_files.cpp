#include "store/program_files.h"

#include "platform/path_rules.h"
#include "store/journal.h"

namespace zantovel {

ProgramFiles::ProgramFiles(std::string executablePath)
    : executable_(std::move(executablePath)),
      settings_(SettingsFileOf(executable_)),
      log_(settings_, DefaultLogPathIn(FolderOf(executable_))) {}

std::string ProgramFiles::JournalPath() const {
  return JournalFileOf(settings_.Path());
}

}  // namespace zantovel
